// Thread start and join, and the per-thread handler of service threads.
#include <qelororm/vekd.h>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <new>

#include "failure_hook.h"

namespace {

using ThreadFunction = void (*)(void*);

struct Start {
  ThreadFunction function;
  void* argument;
};

extern "C" void* run_thread(void* start) {
  Start copy = *static_cast<Start*>(start);
  delete static_cast<Start*>(start);
  copy.function(copy.argument);
  return nullptr;
}

// Joinable threads by id. Never destroyed, so that threads still starting
// or waiting while the process exits find it intact.
struct Registry {
  std::mutex lock;
  unsigned last_id = 0;
  std::map<unsigned, pthread_t> threads;
};

Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

// The stack size pthread accepts for a request: at least the minimum,
// rounded up to whole pages.
std::size_t stack_size_for(long requested) {
  // PTHREAD_STACK_MIN may be a sysconf call of type long.
  const std::size_t minimum = static_cast<std::size_t>(PTHREAD_STACK_MIN);
  std::size_t size = std::max(static_cast<std::size_t>(requested), minimum);
  long page = sysconf(_SC_PAGESIZE);
  std::size_t page_size = page > 0 ? static_cast<std::size_t>(page) : 4096;
  return (size + page_size - 1) / page_size * page_size;
}

// Threads nobody can wait for (no id asked) run detached.
int create_thread(pthread_t* thread, Start* start, long stackSize, bool joinable) {
  pthread_attr_t attributes;
  if (int rc = pthread_attr_init(&attributes)) return rc;
  int rc = 0;
  if (stackSize > 0) rc = pthread_attr_setstacksize(&attributes, stack_size_for(stackSize));
  if (rc == 0 && !joinable) rc = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (rc == 0) rc = pthread_create(thread, &attributes, run_thread, start);
  pthread_attr_destroy(&attributes);
  return rc;
}

}  // namespace

int VEKStartThread(unsigned* id, void* function, void* argument, long /*reserved*/, long stackSize) {
  if (!function || stackSize < 0) return EINVAL;
  if (int rc = qelororm::take_armed_failure(VEKCall::StartThread)) return rc;
  auto* start = new (std::nothrow) Start{reinterpret_cast<ThreadFunction>(function), argument};
  if (!start) return ENOMEM;

  Registry& threads = registry();
  // Held across the start so the new id is in the registry before anyone
  // can learn it.
  std::lock_guard guard(threads.lock);
  pthread_t thread;
  if (int rc = create_thread(&thread, start, stackSize, id != nullptr)) {
    delete start;
    return rc;
  }
  if (!id) return 0;
  if (++threads.last_id == 0) ++threads.last_id;  // 0 is never an id
  try {
    threads.threads.emplace(threads.last_id, thread);
  } catch (const std::bad_alloc&) {
    pthread_detach(thread);
    return ENOMEM;
  }
  *id = threads.last_id;
  return 0;
}

int VEKWaitThread(unsigned id) {
  Registry& threads = registry();
  pthread_t thread;
  {
    std::lock_guard guard(threads.lock);
    auto found = threads.threads.find(id);
    if (found == threads.threads.end()) return ESRCH;
    if (pthread_equal(found->second, pthread_self())) return EDEADLK;
    thread = found->second;
    threads.threads.erase(found);
  }
  return pthread_join(thread, nullptr);
}

namespace {

// The mask to restore, kept per thread: the handler's shape has no room for
// it. Handlers on one thread nest; only the outermost one changes the mask.
thread_local sigset_t saved_mask;
thread_local unsigned handler_depth = 0;

}  // namespace

VEKDOpSysHandler::VEKDOpSysHandler() {
  if (handler_depth++ > 0) return;
  sigset_t host_signals;
  sigemptyset(&host_signals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2})
    sigaddset(&host_signals, signal);
  pthread_sigmask(SIG_BLOCK, &host_signals, &saved_mask);
  pthread_setname_np(pthread_self(), "irstore-svc");
}

VEKDOpSysHandler::~VEKDOpSysHandler() {
  if (--handler_depth > 0) return;
  pthread_sigmask(SIG_SETMASK, &saved_mask, nullptr);
}

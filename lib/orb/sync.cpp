// Re-entrant mutexes and manual-reset events. A handle is a pointer to one
// of the heap objects below.
#include <qelororm/vekd.h>

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "failure_hook.h"

#if defined(__SANITIZE_THREAD__)
#define IRSTORE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define IRSTORE_THREAD_SANITIZER 1
#endif
#endif
#ifndef IRSTORE_THREAD_SANITIZER
#define IRSTORE_THREAD_SANITIZER 0
#endif

namespace {

struct Mutex {
  pthread_mutex_t native;
};

struct Event {
  std::mutex lock;
  std::condition_variable changed;
  // Watched by a spinning waiter: on a cache line of its own, so that the
  // poster's bookkeeping below does not take the line away from it.
  alignas(64) std::atomic<bool> posted{false};  // stays true until reset
  alignas(64) std::atomic<int> sleepers{0};     // waiters that may block on `changed`
  // Posts still touching the event. A waiter may return as soon as it sees
  // the flag, while the poster still looks at `sleepers`: destroying the
  // event waits for them.
  std::atomic<int> posting{0};
};

// A request and its answer are handed between two threads in a few
// microseconds: a waiter that blocks at once pays two scheduler round trips
// for each. So a waiter first watches the event for a short while, when
// another core can be posting it meanwhile: spinning at first, then
// yielding its core (on a busy machine the poster may need it) until the
// time is up. A yield costs a system call, so the spinning comes first.
constexpr auto kSpin = std::chrono::microseconds(20);
constexpr auto kWatch = std::chrono::microseconds(50);

bool watch_until_posted(Event* event) {
  static const bool worth_it = std::thread::hardware_concurrency() > 1;
  if (!worth_it) return false;
  auto start = std::chrono::steady_clock::now();
  for (unsigned round = 1;; ++round) {
    if (event->posted.load(std::memory_order_acquire)) return true;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
    if (round % 64 == 0 && std::chrono::steady_clock::now() - start > kSpin) break;
  }
  do {
    std::this_thread::yield();
    if (event->posted.load(std::memory_order_acquire)) return true;
  } while (std::chrono::steady_clock::now() - start < kWatch);
  return false;
}

Mutex* as_mutex(void* handle) { return static_cast<Mutex*>(handle); }
Event* as_event(void* handle) { return static_cast<Event*>(handle); }

}  // namespace

int VEKCreateMutexSem(void** handle) {
  if (!handle) return EINVAL;
  if (int rc = qelororm::take_armed_failure(VEKCall::CreateMutex)) return rc;
  auto* mutex = new (std::nothrow) Mutex;
  if (!mutex) return ENOMEM;
  pthread_mutexattr_t attributes;
  int rc = pthread_mutexattr_init(&attributes);
  if (rc == 0) {
    rc = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    if (rc == 0) rc = pthread_mutex_init(&mutex->native, &attributes);
    pthread_mutexattr_destroy(&attributes);
  }
  if (rc != 0) {
    delete mutex;
    return rc;
  }
  *handle = mutex;
  return 0;
}

int VEKDestroyMutexSem(void* handle) {
  if (!handle) return EINVAL;
  // A mutex that is still held stays allocated: its owner will release it.
  if (int rc = pthread_mutex_destroy(&as_mutex(handle)->native)) return rc;
  delete as_mutex(handle);
  return 0;
}

int VEKRequestMutexSem(void* handle) {
  if (!handle) return EINVAL;
  return pthread_mutex_lock(&as_mutex(handle)->native);
}

int VEKReleaseMutexSem(void* handle) {
  if (!handle) return EINVAL;
  return pthread_mutex_unlock(&as_mutex(handle)->native);  // EPERM for a non-owner
}

int VEKCreateEventSem(void** handle) {
  if (!handle) return EINVAL;
  if (int rc = qelororm::take_armed_failure(VEKCall::CreateEvent)) return rc;
  auto* event = new (std::nothrow) Event;
  if (!event) return ENOMEM;
  *handle = event;
  return 0;
}

int VEKDestroyEventSem(void* handle) {
  if (!handle) return EINVAL;
  Event* event = as_event(handle);
  while (event->posting.load(std::memory_order_acquire) != 0) std::this_thread::yield();
  delete event;
  return 0;
}

int VEKPostEventSem(void* handle) {
  if (!handle) return EINVAL;
  if (int rc = qelororm::take_armed_failure(VEKCall::PostEvent)) return rc;
  Event* event = as_event(handle);
  // A waiter that watches the event sees the flag; only one that may be
  // asleep needs the lock and a signal. (A waiter counts itself before it
  // looks at the flag, and the poster sets the flag before it counts
  // them, the fence keeping the two in that order: one of the two always
  // sees the other. A plain store and a fence cost less than an exchange
  // on the line the waiter is watching.)
  event->posting.fetch_add(1, std::memory_order_relaxed);
#if IRSTORE_THREAD_SANITIZER
  event->posted.store(true, std::memory_order_seq_cst);  // the sanitizer does not model fences
#else
  event->posted.store(true, std::memory_order_release);
  std::atomic_thread_fence(std::memory_order_seq_cst);
#endif
  if (event->sleepers.load(std::memory_order_seq_cst) > 0) {
    std::lock_guard guard(event->lock);
    event->changed.notify_all();
  }
  event->posting.fetch_sub(1, std::memory_order_release);  // the last touch
  return 0;
}

int VEKResetEventSem(void* handle) {
  if (!handle) return EINVAL;
  // Release is enough: whoever posts the event next learns of the reset
  // through the posts and waits that come between the two.
  as_event(handle)->posted.store(false, std::memory_order_release);
  return 0;
}

int VEKWaitEventSem(void* handle, long timeout) {
  if (!handle) return EINVAL;
  if (int rc = qelororm::take_armed_failure(VEKCall::WaitEvent)) return rc;
  Event* event = as_event(handle);
  if (timeout != 0 && watch_until_posted(event)) return 0;
  auto posted = [event] { return event->posted.load(std::memory_order_seq_cst); };
  std::unique_lock guard(event->lock);
  event->sleepers.fetch_add(1, std::memory_order_seq_cst);
  bool done = true;
  if (timeout < 0) {  // any negative timeout waits without a limit, as -1 does
    event->changed.wait(guard, posted);
  } else {
    done = event->changed.wait_for(guard, std::chrono::milliseconds(timeout), posted);
  }
  event->sleepers.fetch_sub(1, std::memory_order_seq_cst);
  return done ? 0 : ETIMEDOUT;
}

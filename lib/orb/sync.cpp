// Re-entrant mutexes and manual-reset events. A handle is a pointer to one
// of the heap objects below.
#include <qelororm/vekd.h>

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdint>
#include <ctime>
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

// How long a waiter may watch an event before it blocks (see
// watch_until_posted), and how often it asks how busy the machine is.
constexpr std::int64_t kSpinShortNs = 1000;
constexpr std::int64_t kSpinLongNs = 20000;
constexpr std::int64_t kLoadCheckNs = 2000000;

struct Event {
  // 1 while posted, 0 once reset: the word that waiters block on (a futex).
  // Watched by a spinning waiter: on a cache line of its own, so that the
  // poster's bookkeeping below does not take the line away from it.
  alignas(64) std::atomic<std::uint32_t> posted{0};
  alignas(64) std::atomic<int> sleepers{0};  // waiters that may block on `posted`
  // Posts still touching the event. A waiter may return as soon as it sees
  // the flag, while the poster still looks at `sleepers`: destroying the
  // event waits for them.
  std::atomic<int> posting{0};
};

std::int64_t nanoseconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
      .count();
}

// How many threads the kernel has running or ready to run, from the fourth
// field of /proc/loadavg ("running/total"); 0 when it cannot be read.
int runnable_threads() {
  static const int loadavg = open("/proc/loadavg", O_RDONLY | O_CLOEXEC);  // kept for the process
  char text[128];
  ssize_t got = loadavg < 0 ? -1 : pread(loadavg, text, sizeof text - 1, 0);
  if (got <= 0) return 0;
  text[got] = '\0';
  int runnable = 0;
  return std::sscanf(text, "%*s %*s %*s %d/", &runnable) == 1 ? runnable : 0;
}

// Whether the machine has a core to spare: then a waiter that spins costs
// nobody anything, while on a busy machine it takes the very core its
// poster needs. Looked up at most every kLoadCheckNs.
bool cores_to_spare() {
  static const int cores = static_cast<int>(std::thread::hardware_concurrency());
  static std::atomic<std::int64_t> next_check{0};
  static std::atomic<bool> spare{true};
  std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
  if (now >= next_check.load(std::memory_order_relaxed)) {
    next_check.store(now + kLoadCheckNs, std::memory_order_relaxed);
    int runnable = runnable_threads();
    spare.store(runnable == 0 || runnable <= cores, std::memory_order_relaxed);
  }
  return spare.load(std::memory_order_relaxed);
}

// A request and its answer are handed between two threads in a microsecond
// when each has a core: a waiter that blocks at once pays two scheduler
// round trips (tens of microseconds) for each. But a waiter that spins
// while its poster waits for a core only delays the post. So a waiter
// watches the event for up to kSpinLongNs while the machine has cores to
// spare, for kSpinShortNs when it has none, and then blocks in the kernel.
bool watch_until_posted(Event* event) {
  static const bool one_core = std::thread::hardware_concurrency() <= 1;
  if (one_core) return false;  // the poster cannot run while the waiter spins
  const std::int64_t budget = cores_to_spare() ? kSpinLongNs : kSpinShortNs;
  const auto start = std::chrono::steady_clock::now();
  for (unsigned round = 1;; ++round) {
    if (event->posted.load(std::memory_order_acquire) != 0) return true;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
    if (round % 64 == 0 && nanoseconds_since(start) > budget) return false;
  }
}

// Sleeps while the word holds `expected`, at most until the deadline (null:
// no limit). Returns ETIMEDOUT once the deadline has passed, and 0 when
// woken, when the word had changed or on a signal: the caller looks again.
int futex_wait(std::atomic<std::uint32_t>& word, std::uint32_t expected,
               const std::chrono::steady_clock::time_point* deadline) {
  timespec relative{};
  if (deadline) {
    auto left = *deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return ETIMEDOUT;
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    relative.tv_sec = static_cast<time_t>(seconds.count());
    relative.tv_nsec = static_cast<long>(std::chrono::nanoseconds(left - seconds).count());
  }
  long rc = syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE,
                    expected, deadline ? &relative : nullptr, nullptr, 0);
  return rc != 0 && errno == ETIMEDOUT ? ETIMEDOUT : 0;
}

void futex_wake_all(std::atomic<std::uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr,
          nullptr, 0);
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
  // asleep needs a wake. (A waiter counts itself before it looks at the
  // flag, and the poster sets the flag before it counts them, the fence
  // keeping the two in that order: one of the two always sees the other.
  // A plain store and a fence cost less than an exchange on the line the
  // waiter is watching.)
  event->posting.fetch_add(1, std::memory_order_relaxed);
#if IRSTORE_THREAD_SANITIZER
  event->posted.store(1, std::memory_order_seq_cst);  // the sanitizer does not model fences
#else
  event->posted.store(1, std::memory_order_release);
  std::atomic_thread_fence(std::memory_order_seq_cst);
#endif
  if (event->sleepers.load(std::memory_order_seq_cst) > 0) futex_wake_all(event->posted);
  event->posting.fetch_sub(1, std::memory_order_release);  // the last touch
  return 0;
}

int VEKResetEventSem(void* handle) {
  if (!handle) return EINVAL;
  // Release is enough: whoever posts the event next learns of the reset
  // through the posts and waits that come between the two.
  as_event(handle)->posted.store(0, std::memory_order_release);
  return 0;
}

int VEKWaitEventSem(void* handle, long timeout) {
  if (!handle) return EINVAL;
  if (int rc = qelororm::take_armed_failure(VEKCall::WaitEvent)) return rc;
  Event* event = as_event(handle);
  if (timeout != 0 && watch_until_posted(event)) return 0;
  // Any negative timeout waits without a limit, as -1 does.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
  int rc = 0;
  event->sleepers.fetch_add(1, std::memory_order_seq_cst);
  while (event->posted.load(std::memory_order_seq_cst) == 0 && rc == 0) {
    rc = futex_wait(event->posted, 0, timeout < 0 ? nullptr : &deadline);
  }
  event->sleepers.fetch_sub(1, std::memory_order_seq_cst);
  return event->posted.load(std::memory_order_acquire) != 0 ? 0 : rc;  // posted at the last moment counts
}

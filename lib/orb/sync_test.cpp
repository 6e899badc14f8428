#include <qelororm/vekd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct MutexHandle {
  void* handle = nullptr;
  MutexHandle() { EXPECT_EQ(VEKCreateMutexSem(&handle), 0); }
  ~MutexHandle() { EXPECT_EQ(VEKDestroyMutexSem(handle), 0); }
};

struct EventHandle {
  void* handle = nullptr;
  EventHandle() { EXPECT_EQ(VEKCreateEventSem(&handle), 0); }
  ~EventHandle() { EXPECT_EQ(VEKDestroyEventSem(handle), 0); }
};

TEST(Mutex, IsReentrantForItsOwnerAndExcludesOthers) {
  MutexHandle mutex;
  ASSERT_EQ(VEKRequestMutexSem(mutex.handle), 0);
  ASSERT_EQ(VEKRequestMutexSem(mutex.handle), 0);

  std::atomic<bool> entered{false};
  std::thread other([&] {
    EXPECT_EQ(VEKRequestMutexSem(mutex.handle), 0);
    entered = true;
    EXPECT_EQ(VEKReleaseMutexSem(mutex.handle), 0);
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entered);
  ASSERT_EQ(VEKReleaseMutexSem(mutex.handle), 0);
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entered) << "one release of two must keep the mutex";
  ASSERT_EQ(VEKReleaseMutexSem(mutex.handle), 0);
  other.join();
  EXPECT_TRUE(entered);
}

TEST(Mutex, OnlyTheOwnerReleases) {
#ifdef __SANITIZE_THREAD__
  GTEST_SKIP() << "the thread sanitizer reports the refused release as misuse";
#endif
  MutexHandle mutex;
  ASSERT_EQ(VEKRequestMutexSem(mutex.handle), 0);
  std::thread([&] { EXPECT_EQ(VEKReleaseMutexSem(mutex.handle), EPERM); }).join();
  EXPECT_EQ(VEKReleaseMutexSem(mutex.handle), 0);
}

TEST(Event, StaysPostedUntilReset) {
  EventHandle event;
  EXPECT_EQ(VEKWaitEventSem(event.handle, 0), ETIMEDOUT);
  ASSERT_EQ(VEKPostEventSem(event.handle), 0);
  EXPECT_EQ(VEKWaitEventSem(event.handle, 0), 0);
  EXPECT_EQ(VEKWaitEventSem(event.handle, -1), 0);
  ASSERT_EQ(VEKResetEventSem(event.handle), 0);

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(VEKWaitEventSem(event.handle, 60), ETIMEDOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);
}

TEST(Event, PostWakesAWaiter) {
  EventHandle event;
  std::thread poster([&] {
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(VEKPostEventSem(event.handle), 0);
  });
  EXPECT_EQ(VEKWaitEventSem(event.handle, -1), 0);
  poster.join();
}

// A waiter may destroy the event as soon as its wait returns, while the
// poster is still inside the post (the sanitized builds catch a touch of
// freed memory).
TEST(Event, MayBeDestroyedAsSoonAsAWaitReturns) {
  for (int round = 0; round < 500; ++round) {
    void* handle = nullptr;
    ASSERT_EQ(VEKCreateEventSem(&handle), 0);
    std::thread poster([handle] { VEKPostEventSem(handle); });
    ASSERT_EQ(VEKWaitEventSem(handle, -1), 0);
    ASSERT_EQ(VEKDestroyEventSem(handle), 0);
    poster.join();
  }
}

TEST(FailNextCall, FailsOneCallWithoutDoingAnything) {
  void* handle = &handle;
  VEKFailNextCall(VEKCall::CreateMutex, ENOMEM);
  EXPECT_EQ(VEKCreateMutexSem(&handle), ENOMEM);
  EXPECT_EQ(handle, &handle);
  MutexHandle works;  // the next call succeeds again

  EventHandle event;
  VEKFailNextCall(VEKCall::PostEvent, EIO);
  EXPECT_EQ(VEKPostEventSem(event.handle), EIO);
  EXPECT_EQ(VEKWaitEventSem(event.handle, 0), ETIMEDOUT) << "a failed post must not post";
  VEKFailNextCall(VEKCall::WaitEvent, EINTR);
  EXPECT_EQ(VEKWaitEventSem(event.handle, -1), EINTR);
  VEKFailNextCall(VEKCall::CreateEvent, EAGAIN);
  EXPECT_EQ(VEKCreateEventSem(&handle), EAGAIN);
}

}  // namespace

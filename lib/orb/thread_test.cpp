#include <qelororm/vekd.h>

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

namespace {

struct Probe {
  std::atomic<bool> ran{false};
  std::size_t stack_size = 0;
  void* done = nullptr;  // an event posted at the end, for detached threads
};

void probe_thread(void* argument) {
  auto* probe = static_cast<Probe*>(argument);
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &probe->stack_size);
    pthread_attr_destroy(&attributes);
  }
  probe->ran = true;
  if (probe->done) VEKPostEventSem(probe->done);
}

void* as_function(void (*function)(void*)) { return reinterpret_cast<void*>(function); }

TEST(Thread, RunsWithTheRequestedStackAndIsJoinedById) {
  Probe probe;
  unsigned id = 0;
  ASSERT_EQ(VEKStartThread(&id, as_function(probe_thread), &probe, 0, 256 * 1024), 0);
  EXPECT_GE(id, 1u);
  ASSERT_EQ(VEKWaitThread(id), 0);
  EXPECT_TRUE(probe.ran);
  EXPECT_GE(probe.stack_size, 256u * 1024);
  EXPECT_EQ(VEKWaitThread(id), ESRCH) << "a thread is waited for once";

  // A tiny request is raised to what pthread accepts.
  unsigned second = 0;
  ASSERT_EQ(VEKStartThread(&second, as_function(probe_thread), &probe, 0, 1), 0);
  EXPECT_NE(second, id);
  ASSERT_EQ(VEKWaitThread(second), 0);
  EXPECT_GE(probe.stack_size, static_cast<std::size_t>(PTHREAD_STACK_MIN));
}

TEST(Thread, WithoutIdRunsDetached) {
  Probe probe;
  ASSERT_EQ(VEKCreateEventSem(&probe.done), 0);
  ASSERT_EQ(VEKStartThread(nullptr, as_function(probe_thread), &probe, 0, 65536), 0);
  EXPECT_EQ(VEKWaitEventSem(probe.done, 5000), 0);
  EXPECT_TRUE(probe.ran);
  VEKDestroyEventSem(probe.done);
}

TEST(Thread, BadRequestsAndArmedFailuresStartNothing) {
  Probe probe;
  unsigned id = 0;
  EXPECT_EQ(VEKStartThread(&id, nullptr, nullptr, 0, 0), EINVAL);
  EXPECT_EQ(VEKStartThread(&id, as_function(probe_thread), &probe, 0, -1), EINVAL);
  VEKFailNextCall(VEKCall::StartThread, EAGAIN);
  EXPECT_EQ(VEKStartThread(&id, as_function(probe_thread), &probe, 0, 0), EAGAIN);
  EXPECT_EQ(id, 0u);
  EXPECT_FALSE(probe.ran);
  EXPECT_EQ(VEKWaitThread(0), ESRCH);
}

bool blocked(int signal) {
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, signal) == 1;
}

std::string thread_name() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

TEST(OpSysHandler, BlocksHostSignalsForItsLifeAndNamesTheThread) {
  std::thread([] {
    ASSERT_FALSE(blocked(SIGTERM));
    {
      VEKDOpSysHandler handler;
      for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2})
        EXPECT_TRUE(blocked(signal)) << strsignal(signal);
      EXPECT_FALSE(blocked(SIGALRM));
      EXPECT_EQ(thread_name(), "irstore-svc");
      {
        VEKDOpSysHandler nested;
      }
      EXPECT_TRUE(blocked(SIGTERM)) << "a nested handler must not unblock";
    }
    EXPECT_FALSE(blocked(SIGTERM));
    EXPECT_FALSE(blocked(SIGPIPE));
  }).join();
}

}  // namespace

// irstore_handoff_bench: the round trip of one request between a caller and
// the session's worker thread, over the two events every request uses (the
// caller posts the request event and waits for the done event; the worker
// waits, resets, answers), as the session runs it, with nothing else done.
// Prints the median, 90th and 99th percentiles in microseconds.
#include <qelororm/vekd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct Events {
  void* request = nullptr;
  void* done = nullptr;
  Events() {
    if (VEKCreateEventSem(&request) != 0 || VEKCreateEventSem(&done) != 0) {
      std::fprintf(stderr, "irstore_handoff_bench: cannot create the events\n");
      std::exit(1);
    }
  }
  ~Events() {
    VEKDestroyEventSem(request);
    VEKDestroyEventSem(done);
  }
  Events(const Events&) = delete;
  Events& operator=(const Events&) = delete;
};

}  // namespace

int main(int argc, char** argv) {
  int round_trips = 50000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--round-trips") == 0 && i + 1 < argc) {
      round_trips = std::max(100, std::atoi(argv[++i]));
    } else {
      std::printf("usage: irstore_handoff_bench [--round-trips N]\n\n"
                  "Times N request round trips between a caller and a worker thread over the\n"
                  "session's two events and prints: median p90 p99 (microseconds).\n");
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
  }
  Events events;
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    while (true) {
      VEKWaitEventSem(events.request, -1);
      VEKResetEventSem(events.request);
      bool last = stop.load(std::memory_order_acquire);
      VEKPostEventSem(events.done);
      if (last) break;
    }
  });
  std::vector<double> times(static_cast<std::size_t>(round_trips));
  for (double& time : times) {
    auto start = std::chrono::steady_clock::now();
    VEKPostEventSem(events.request);
    VEKWaitEventSem(events.done, -1);
    VEKResetEventSem(events.done);
    time = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  }
  stop.store(true, std::memory_order_release);
  VEKPostEventSem(events.request);
  VEKWaitEventSem(events.done, -1);
  worker.join();
  std::sort(times.begin(), times.end());
  auto at = [&](double fraction) { return times[static_cast<std::size_t>(fraction * (times.size() - 1))]; };
  std::printf("%.2f %.2f %.2f\n", at(0.5), at(0.9), at(0.99));
  return 0;
}

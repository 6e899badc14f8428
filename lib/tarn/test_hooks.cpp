#include "test_hooks.h"

#include <atomic>
#include <mutex>

#include "tarn/tarn.h"

namespace tarn {
namespace {

std::atomic<long> statement_calls{0};
std::atomic<long> round_trips{0};

// The pending failure: the code fires when calls_left drops to zero.
// `armed` lets every call made while no failure is pending pass without
// taking the lock.
std::mutex failure_mutex;
std::atomic<bool> armed{false};
long calls_left = 0;
int32_t failure_code = 0;

}  // namespace

std::optional<int32_t> count_statement_call() {
  statement_calls.fetch_add(1, std::memory_order_relaxed);
  if (!armed.load(std::memory_order_acquire)) return std::nullopt;
  std::lock_guard lock(failure_mutex);
  if (calls_left > 0 && --calls_left == 0) {
    armed.store(false, std::memory_order_release);
    return failure_code;
  }
  return std::nullopt;
}

void count_round_trip() { round_trips.fetch_add(1, std::memory_order_relaxed); }

}  // namespace tarn

extern "C" void tarn_fail_statement(int n, int32_t sqlcode) {
  std::lock_guard lock(tarn::failure_mutex);
  tarn::calls_left = n > 0 ? n : 0;
  tarn::failure_code = sqlcode;
  tarn::armed.store(tarn::calls_left > 0, std::memory_order_release);
}

extern "C" long tarn_statement_count(void) {
  return tarn::statement_calls.load(std::memory_order_relaxed);
}

extern "C" long tarn_round_trip_count(void) { return tarn::round_trips.load(std::memory_order_relaxed); }

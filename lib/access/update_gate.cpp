#include "update_gate.h"

#include <stdexcept>

namespace irstore::access {

void UpdateGate::admit() {
  while (!line_.empty()) {
    Waiter& next = *line_.front();
    if (updating_ || (next.update && reads_ > 0)) break;
    if (next.update) {
      updating_ = true;
    } else {
      ++reads_;
    }
    next.admitted = true;
    line_.pop_front();
  }
  admitted_.notify_all();
}

void UpdateGate::wait_in_line(std::unique_lock<std::mutex>& lock, bool update) {
  Waiter waiter{update};
  line_.push_back(&waiter);
  admit();
  admitted_.wait(lock, [&] { return waiter.admitted; });
}

bool UpdateGate::enter_read() {
  std::unique_lock lock(mutex_);
  if (updating_ && updater_ == std::this_thread::get_id()) return false;
  wait_in_line(lock, false);
  return true;
}

void UpdateGate::leave_read() {
  std::lock_guard lock(mutex_);
  --reads_;
  admit();
}

void UpdateGate::open_update() {
  std::unique_lock lock(mutex_);
  if (updating_ && updater_ == std::this_thread::get_id()) {
    throw std::logic_error("an Update is open on this thread already");
  }
  wait_in_line(lock, true);
  updater_ = std::this_thread::get_id();
}

void UpdateGate::close_update() {
  std::lock_guard lock(mutex_);
  updating_ = false;
  updater_ = std::thread::id();
  admit();
}

}  // namespace irstore::access

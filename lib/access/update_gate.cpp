#include "update_gate.h"

#include <stdexcept>

namespace irstore::access {

bool UpdateGate::enter_read() {
  std::unique_lock lock(mutex_);
  if (updating_ && updater_ == std::this_thread::get_id()) return false;
  changed_.wait(lock, [this] { return !updating_ && waiting_updates_ == 0; });
  ++reads_;
  return true;
}

void UpdateGate::leave_read() {
  std::lock_guard lock(mutex_);
  if (--reads_ == 0) changed_.notify_all();
}

void UpdateGate::open_update() {
  std::unique_lock lock(mutex_);
  if (updating_ && updater_ == std::this_thread::get_id()) {
    throw std::logic_error("an Update is open on this thread already");
  }
  ++waiting_updates_;
  changed_.wait(lock, [this] { return !updating_ && reads_ == 0; });
  --waiting_updates_;
  updating_ = true;
  updater_ = std::this_thread::get_id();
}

void UpdateGate::close_update() {
  std::lock_guard lock(mutex_);
  updating_ = false;
  updater_ = std::thread::id();
  changed_.notify_all();
}

}  // namespace irstore::access

// Keeps the store's one unit of work to one writer: while an Update is
// open, only its thread works on the store. The unit of work is the
// process's, so another thread's read would see changes that may yet be
// cancelled, and another thread's change would join them.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace irstore::access {

class UpdateGate {
 public:
  // A read waits while an Update is open or waiting (writers first, so that
  // a steady stream of reads cannot keep one out), unless the calling
  // thread holds that Update. Returns whether it entered (the Update's own
  // thread does not).
  bool enter_read();
  void leave_read();
  // Waits until no Update is open and no read runs. std::logic_error when
  // the calling thread holds an Update already.
  void open_update();
  void close_update();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int reads_ = 0;
  int waiting_updates_ = 0;
  bool updating_ = false;
  std::thread::id updater_;
};

// One read, for the length of a call.
class ReadScope {
 public:
  explicit ReadScope(UpdateGate& gate) : gate_(gate), entered_(gate.enter_read()) {}
  ~ReadScope() {
    if (entered_) gate_.leave_read();
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  UpdateGate& gate_;
  bool entered_;
};

}  // namespace irstore::access

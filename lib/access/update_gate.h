// Keeps the store's one unit of work to one writer: while an Update is
// open, only its thread works on the store. The unit of work is the
// process's, so another thread's read would see changes that may yet be
// cancelled, and another thread's change would join them.
//
// Calls are let in in the order they come: reads together, an Update
// alone once the reads before it are done, and the reads after it once it
// has ended. Neither a steady stream of reads nor one of Updates keeps the
// other out.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace irstore::access {

class UpdateGate {
 public:
  // Waits for its turn, unless the calling thread holds the open Update
  // (its reads see its changes). Returns whether it entered.
  bool enter_read();
  void leave_read();
  // Waits for its turn, when no read runs. std::logic_error when the
  // calling thread holds an Update already.
  void open_update();
  void close_update();

 private:
  struct Waiter {
    bool update;
    bool admitted = false;
  };
  // Lets in the waiters at the head of the line that may enter now.
  void admit();
  void wait_in_line(std::unique_lock<std::mutex>& lock, bool update);

  std::mutex mutex_;
  std::condition_variable admitted_;
  std::deque<Waiter*> line_;
  int reads_ = 0;
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

// The gate between Updates and reads lets calls in in the order they come:
// reads together, an Update alone, and a read that comes while an Update
// waits after that Update, so that neither kind keeps the other out.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "update_gate.h"

namespace {

using irstore::access::ReadScope;
using irstore::access::UpdateGate;

// What the threads did, in the order they did it.
class Log {
 public:
  void add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  std::vector<std::string> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
};

// Lets a thread reach the gate's line before the next one comes.
void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

TEST(UpdateGate, AnUpdateWaitsForTheReadsBeforeItAndTheReadsAfterItWaitForIt) {
  UpdateGate gate;
  Log log;
  gate.enter_read();  // a read under way
  std::thread update([&] {
    gate.open_update();
    log.add("update");
    settle();
    log.add("update ends");
    gate.close_update();
  });
  settle();
  std::thread later_read([&] {
    ReadScope read(gate);
    log.add("later read");
  });
  settle();
  log.add("first read ends");
  gate.leave_read();
  update.join();
  later_read.join();
  EXPECT_EQ(log.events(), (std::vector<std::string>{"first read ends", "update", "update ends", "later read"}));
}

// A read that waits for one Update goes before the Update that comes after
// it: a steady stream of Updates cannot keep reads out.
TEST(UpdateGate, AReadGoesBeforeTheUpdatesThatComeAfterIt) {
  UpdateGate gate;
  Log log;
  gate.open_update();
  std::thread read([&] {
    ReadScope scope(gate);
    log.add("read");
  });
  settle();
  std::thread next_update([&] {
    gate.open_update();
    log.add("next update");
    gate.close_update();
  });
  settle();
  log.add("first update ends");
  gate.close_update();
  read.join();
  next_update.join();
  EXPECT_EQ(log.events(), (std::vector<std::string>{"first update ends", "read", "next update"}));
}

TEST(UpdateGate, TheUpdatesThreadReadsThroughItsOwnUpdate) {
  UpdateGate gate;
  gate.open_update();
  EXPECT_FALSE(gate.enter_read());  // passes without entering
  EXPECT_THROW(gate.open_update(), std::logic_error);
  gate.close_update();
  EXPECT_TRUE(gate.enter_read());
  gate.leave_read();
}

TEST(UpdateGate, ReadsGoTogether) {
  UpdateGate gate;
  ReadScope first(gate);
  bool second_entered = false;
  std::thread second([&] {
    ReadScope read(gate);
    second_entered = true;
  });
  second.join();  // while the first still reads
  EXPECT_TRUE(second_entered);
}

}  // namespace

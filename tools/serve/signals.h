// Clean stops: SIGINT and SIGTERM shut the ORB down, so that the server's
// main loop returns and everything is released in order.
#pragma once

#include <pthread.h>

#include <atomic>
#include <thread>

#include "orb.h"

namespace irstore::serve {

// Blocks SIGINT and SIGTERM in the calling thread and every thread it
// starts afterwards (the ORB's included): call before ORB_init.
void block_stop_signals();

// While it lives, a thread waits for SIGINT or SIGTERM and shuts the ORB
// down when one comes.
class ShutdownOnSignal {
 public:
  explicit ShutdownOnSignal(CORBA::ORB_ptr orb);
  ~ShutdownOnSignal();
  ShutdownOnSignal(const ShutdownOnSignal&) = delete;
  ShutdownOnSignal& operator=(const ShutdownOnSignal&) = delete;

 private:
  void wait_for_signal();

  CORBA::ORB_var orb_;
  std::atomic<bool> leaving_{false};
  std::thread waiter_;
};

}  // namespace irstore::serve

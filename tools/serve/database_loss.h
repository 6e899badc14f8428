// A database that does not come back within the reconnect wait stops the
// server: it says why on standard error and exits with kStatus, so that a
// supervisor starts it again (and the clients that hold references with
// another server's address go on through that one meanwhile). The store
// would heal by itself once the database is back, but a server whose every
// request waits for it serves nobody.
#pragma once

#include <atomic>
#include <string>

#include "orb.h"

namespace irstore::serve {

class DatabaseLoss {
 public:
  static constexpr int kStatus = 3;

  DatabaseLoss(CORBA::ORB_ptr orb, const std::string& alias) : orb_(CORBA::ORB::_duplicate(orb)), alias_(alias) {}

  // From any request that found the database gone: the first one reports
  // and shuts the ORB down.
  void report(const std::string& why);
  bool happened() const { return happened_; }

 private:
  CORBA::ORB_var orb_;
  std::string alias_;
  std::atomic<bool> happened_{false};
};

}  // namespace irstore::serve

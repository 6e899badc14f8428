#include "database_loss.h"

#include <cstdio>

namespace irstore::serve {

void DatabaseLoss::report(const std::string& why) {
  if (happened_.exchange(true)) return;
  std::fprintf(stderr,
               "irstore serve: the database of repository %s did not come back within the reconnect wait "
               "(com.orvo.CORBA.irReconnectWait): %s; stopping with status %d, for a supervisor to start the "
               "server again\n",
               alias_.c_str(), why.c_str(), kStatus);
  std::fflush(stderr);
  orb_->shutdown(false);  // from a request's thread: without waiting for it
}

}  // namespace irstore::serve

#include "request_turns.h"

#include <mutex>

#include "orb.h"
// omniORB's interceptors, which need its endpoint types declared first.
#include <omniORB4/giopEndpoint.h>
#include <omniORB4/omniInterceptors.h>
#include <omniORB4/callDescriptor.h>

namespace irstore::serve {

namespace {

// Re-entrant: a servant that called another of this process would take
// its turn again on the same thread.
std::recursive_mutex& turn() {
  static std::recursive_mutex* mutex = new std::recursive_mutex;  // used until the process ends
  return *mutex;
}

void in_turn(omniCallDescriptor* call, omniServant* servant) {
  std::lock_guard hold(turn());
  call->interceptedCall(servant);
}

}  // namespace

void take_turns() { omniORB::getInterceptors()->invokeLocalCall.add(in_turn); }

}  // namespace irstore::serve

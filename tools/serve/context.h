// What every servant of the server shares: the ORB, the store and the
// adapters, and whether requests may change the repository. The servants
// keep nothing else: every answer is read from the store when it is asked
// for.
#pragma once

#include "adapters.h"
#include "orb.h"
#include "served_store.h"

namespace irstore::serve {

struct ServeContext {
  CORBA::ORB_ptr orb;
  ServedStore& store;
  Adapters& adapters;
  DynamicAny::DynAnyFactory_ptr dyn_any;
  bool writable = false;
};

}  // namespace irstore::serve

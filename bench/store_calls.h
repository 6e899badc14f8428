// What the benchmark's store runs share: references to IR objects, handles
// made from repository ids, and storing an object with the state it holds.
#pragma once

#include <memory>
#include <string>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>

struct Release {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};
// One reference to an IR object.
template <class T>
using Ref = std::unique_ptr<T, Release>;

// A handle with the repository id only, as a caller of the store holds one.
inline std::unique_ptr<StoreHandle> handle(const std::string& repid) {
  return std::make_unique<StoreHandle>(CORBA::string_dup(repid.c_str()), nullptr, 0);
}

// Stores the object with the state it holds now.
inline void create(IRDB& store, CORBA_Contained_Impl& object) {
  EncapIIOP stream(ENCAP_WRITE);
  object.object_to_stream(stream);
  store.create(&object, stream);
}

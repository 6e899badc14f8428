// What Store and Update share: the process's IRDB, the gate that keeps an
// open Update to itself, and the calls into the store that both make.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <irstore_access/access.h>
#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>

#include "definition.h"
#include "translated.h"
#include "update_gate.h"

namespace irstore::access {

struct StringFree {
  void operator()(char* text) const { CORBA::string_free(text); }
};
// A CORBA string the store returned.
using CorbaString = std::unique_ptr<char, StringFree>;

// A handle of the repository id; BadInput for one longer than the store keeps.
std::unique_ptr<StoreHandle> handle(const std::string& id);
// BadInput for a name longer than the store keeps.
void check_name(const std::string& name);

struct Store::Impl {
  explicit Impl(const std::string& alias);

  // A call into the store, its failures as Error. A lost connection is
  // Unreachable only when the database cannot be reached again: the store
  // reconnects at its next request, so one more request tells.
  template <class Call>
  auto run(const std::string& what, Call call) -> decltype(call()) {
    try {
      return translated(what, call);
    } catch (const Error& e) {
      if (e.reason() != Error::Reason::Unreachable) throw;
      throw after_lost_connection(e);
    }
  }
  // The same for a read, which waits for another thread's Update to end.
  template <class Call>
  auto read(const std::string& what, Call call) -> decltype(call()) {
    ReadScope scope(gate);
    return run(what, call);
  }

  // The calls below run inside run(): they throw the store's exceptions.
  // Nothing for a repository id that no definition has.
  ObjectRef object(const std::string& id);
  std::optional<std::string> container_of(const std::string& id);
  // The repository id of the container's member of the name, if any.
  std::optional<std::string> member_named(const std::string& container, const std::string& name);
  std::vector<ObjectRef> members(const std::string& container);
  // The repository ids of the definitions that refer to the definition.
  std::vector<std::string> referrers(const std::string& id);
  // The repository ids of the interfaces derived directly from the interface.
  std::vector<std::string> derived(const std::string& interface);

  std::unique_ptr<IRDB> store;
  UpdateGate gate;

 private:
  Error after_lost_connection(const Error& lost);
};

// The objects of a sequence the store returned, which goes with it.
std::vector<ObjectRef> objects_of(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* returned);

}  // namespace irstore::access

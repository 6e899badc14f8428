// The store as the servants use it: a failure of any call arrives as the
// system exception the client gets, so that no servant handles
// access::Error itself.
//
//   a definition the call needs is gone      OBJECT_NOT_EXIST
//   an id or name the store cannot hold      BAD_PARAM (invalid repository id, invalid name)
//   an id or name that another definition    BAD_PARAM (id taken, name taken)
//   has
//   a store that contradicts itself, or a    INTF_REPOS (not available), reported on
//   database failure                         standard error
//   a database that did not come back        TRANSIENT, after the server has been told
//   within the reconnect wait                that it is gone
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "orb.h"

namespace irstore::serve {

class ServedStore {
 public:
  // database_lost hears, once per lost call, why the database is gone.
  ServedStore(access::Store& store, std::function<void(const std::string&)> database_lost)
      : store_(store), database_lost_(std::move(database_lost)) {}

  std::optional<access::Definition> find(const std::string& id);
  // A definition that a stored relation names: its absence is INTF_REPOS.
  access::Definition related(const std::string& id);
  access::Kind kind_of(const std::string& id);
  std::optional<std::string> container_of(const std::string& id);
  std::vector<access::Definition> members(const std::string& container);
  std::optional<access::Definition> member_named(const std::string& container, const std::string& name);
  std::vector<access::Definition> lookup_name(const std::string& container, const std::string& name,
                                              int levels, access::Kind limit, bool exclude_inherited);
  bool inherits_from(const std::string& interface, const std::string& base);
  bool name_used_below(const std::string& interface, const std::string& name);
  std::vector<std::string> removed_with(const std::string& id);

  // Runs a call on the access library with its failures as above; a
  // BadInput is BAD_PARAM with the minor code given.
  template <class Call>
  auto answered(CORBA::ULong bad_input_minor, Call call, CORBA::CompletionStatus completed = CORBA::COMPLETED_NO)
      -> decltype(call()) {
    try {
      return call();
    } catch (const access::Error& e) {
      raise(e, bad_input_minor, completed);
    }
  }

  access::Store& store() { return store_; }

 private:
  [[noreturn]] void raise(const access::Error& e, CORBA::ULong bad_input_minor, CORBA::CompletionStatus completed);

  access::Store& store_;
  std::function<void(const std::string&)> database_lost_;
};

// The repository answers no more: INTF_REPOS, reported on standard error.
[[noreturn]] void repository_failure(const std::string& what,
                                     CORBA::CompletionStatus completed = CORBA::COMPLETED_NO);

}  // namespace irstore::serve

// The store as the servants use it: a failure of any call arrives as the
// system exception the client gets, so that no servant handles
// access::Error itself.
//
//   a definition the call needs is gone      OBJECT_NOT_EXIST
//   an id or name the store cannot hold      BAD_PARAM (invalid repository id, invalid name)
//   a store that contradicts itself, or a    INTF_REPOS (not available), reported on
//   database failure                         standard error
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "orb.h"

namespace irstore::serve {

class ServedStore {
 public:
  explicit ServedStore(access::Store& store) : store_(store) {}

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

 private:
  access::Store& store_;
};

// The repository answers no more: INTF_REPOS, reported on standard error.
[[noreturn]] void repository_failure(const std::string& what);

}  // namespace irstore::serve

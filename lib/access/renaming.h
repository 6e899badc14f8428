// The definitions that spell a definition's scoped name in their state (as
// a type, a constant's value or a union's label) are told its new name
// when it, or a container it lies in, is renamed or moved.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "store_impl.h"

namespace irstore::access {

// "::M::I": the simple names of the definition and its containers; "" for
// the root. Runs inside Store::Impl::run.
std::string scoped_name(Store::Impl& store, const std::string& id);

class Renaming {
 public:
  // Takes the scoped names of the definition and of everything it holds
  // before the change; new_scoped_name is the definition's after it.
  Renaming(Store::Impl& store, const std::string& id, const std::string& new_scoped_name);
  // After the change: rewrites the state of every definition that uses one
  // of them.
  void respell_users();

 private:
  void collect(const std::string& id, const std::string& old_name, const std::string& new_name);
  void collect_enumerators(const Definition& enumeration, const std::string& old_scope, const std::string& new_scope);

  Store::Impl& store_;
  std::vector<std::string> renamed_ids_;
  std::map<std::string, std::string> renamed_;  // old scoped name -> new
};

}  // namespace irstore::access

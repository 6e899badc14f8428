// What a definition's state names: the types it uses (by spelling and
// repository id), the exceptions it raises and its bases. The store keeps a
// reference row for each named definition but the bases, which are
// inheritance rows; a definition renamed, moved or given another repository
// id is named anew in the state of the definitions that use it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <irstore_access/access.h>

namespace irstore::access {

// The repository ids of the definitions the state uses, bases aside, each
// once, in the order the state names them.
std::vector<std::string> referenced_ids(const Definition& definition);

// Replaces every scoped name that the map holds as a key by its value, in
// the spellings of the definition's types, in its constant value and in
// its union labels. Names are whole tokens: "::M::T" is not touched inside
// "::M::Type" or "::M::T::U". True when anything changed.
bool respell(Definition& definition, const std::map<std::string, std::string>& renamed);

// Replaces the repository id wherever the state names it: types, raised
// exceptions, bases. True when anything changed.
bool replace_id(Definition& definition, const std::string& old_id, const std::string& new_id);

}  // namespace irstore::access

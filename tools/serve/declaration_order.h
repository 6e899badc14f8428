// The members of a container in the order IDL would declare them, as
// irstore show prints them: by kind (constants, types, exceptions,
// interfaces, attributes, operations, modules), then by name, except that
// each comes after the members it uses or derives from, or that anything
// inside it uses, where no cycle stands in the way.
#pragma once

#include <string>
#include <vector>

#include "served_store.h"

namespace irstore::serve {

std::vector<access::Definition> in_declaration_order(ServedStore& store, const std::string& container,
                                                     std::vector<access::Definition> members);

}  // namespace irstore::serve

// Scoped names of stored definitions, and definitions found by them.
#pragma once

#include <optional>
#include <string>

#include "served_store.h"

namespace irstore::serve {

// "::M::I::op": the simple names of the definition and its containers.
std::string absolute_name(ServedStore& store, const access::Definition& definition);

// The definition a scoped name stands for, seen from the container (an
// absolute "::M::T" is seen from the root): the first identifier is looked
// for in the container, with what it inherits, then in each enclosing
// container outwards; each following one in what the previous one found.
// Nothing when it names nothing; BAD_PARAM (invalid name) for text that is
// no scoped name.
std::optional<access::Definition> lookup_scoped(ServedStore& store, const std::string& container,
                                                const std::string& scoped_name);

// BAD_PARAM (invalid name) unless the text can be an IDL identifier: not
// empty, no blank, no control character, no "::".
void check_identifier(const std::string& name);

}  // namespace irstore::serve

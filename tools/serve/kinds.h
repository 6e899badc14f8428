// What the kinds of stored definition are, as the server needs to know it.
#pragma once

#include "orb.h"

namespace irstore::serve {

// Modules, interfaces, structs, unions and exceptions hold definitions.
inline bool is_container(access::Kind kind) {
  return kind == access::Kind::Module || kind == access::Kind::Interface || kind == access::Kind::Struct ||
         kind == access::Kind::Union || kind == access::Kind::Exception;
}

// Interfaces, aliases, structs, unions and enums are types (IDLTypes).
inline bool is_type(access::Kind kind) {
  return kind == access::Kind::Interface || kind == access::Kind::Alias || kind == access::Kind::Struct ||
         kind == access::Kind::Union || kind == access::Kind::Enum;
}

}  // namespace irstore::serve

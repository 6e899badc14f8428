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

// What IDL lets each container hold; the root holds what a module does.
inline bool may_contain(access::Kind container, access::Kind member) {
  using access::Kind;
  bool type = member == Kind::Alias || member == Kind::Struct || member == Kind::Union || member == Kind::Enum;
  switch (container) {
    case Kind::Repository:
    case Kind::Module:
      return type || member == Kind::Module || member == Kind::Interface || member == Kind::Constant ||
             member == Kind::Exception;
    case Kind::Interface:
      return type || member == Kind::Constant || member == Kind::Exception || member == Kind::Attribute ||
             member == Kind::Operation;
    case Kind::Struct:
    case Kind::Union:
    case Kind::Exception: return member == Kind::Struct || member == Kind::Union || member == Kind::Enum;
    default: return false;
  }
}

// Attributes and operations: what an interface inherits.
inline bool is_feature(access::Kind kind) { return kind == access::Kind::Attribute || kind == access::Kind::Operation; }

}  // namespace irstore::serve

// The primitive types: the word the repository spells each with, its
// PrimitiveKind and its TypeCode, in one table.
#pragma once

#include <optional>
#include <string>

#include "orb.h"

namespace irstore::serve {

// The TypeCode of a primitive type's word ("unsigned long", "Object");
// nil for a word that is none.
CORBA::TypeCode_ptr primitive_type_code(CORBA::ORB_ptr orb, const std::string& word);
std::optional<CORBA::PrimitiveKind> primitive_kind(const std::string& word);
// The word of a primitive kind; nothing for pk_null, which no type has.
std::optional<std::string> primitive_word(CORBA::PrimitiveKind kind);

}  // namespace irstore::serve

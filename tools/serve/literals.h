// Values of constants and union case labels: the IDL literal the loader
// stored (42, -7, 0.10000000000000001, TRUE, 'c', L'\u00e9', "text",
// L"text", 123.45d, ::M::green) as an Any of the type it has, and the
// literal of a value a client gives.
#pragma once

#include <string>

#include "context.h"

namespace irstore::serve {

// A DynAny, destroyed when it goes: it lives in the ORB until destroyed.
class OwnedDynAny {
 public:
  explicit OwnedDynAny(DynamicAny::DynAny_ptr value) : value_(value) {}
  ~OwnedDynAny() { value_->destroy(); }
  OwnedDynAny(const OwnedDynAny&) = delete;
  OwnedDynAny& operator=(const OwnedDynAny&) = delete;
  DynamicAny::DynAny_ptr get() const { return value_.in(); }

 private:
  DynamicAny::DynAny_var value_;
};

// A stored literal that does not fit its type is a repository failure
// (INTF_REPOS).
CORBA::Any* literal_value(ServeContext& context, const std::string& literal, CORBA::TypeCode_ptr type);
// The same for a literal not yet stored: std::invalid_argument when it
// does not fit.
CORBA::Any* value_of_literal(ServeContext& context, const std::string& literal, CORBA::TypeCode_ptr type);

// The IDL literal of a value, spelled as the loader spells it (an
// enumerator by its scoped name). std::invalid_argument when the value is
// not of the type, or of a type that no constant or label has.
std::string literal_text(ServeContext& context, const CORBA::Any& value, CORBA::TypeCode_ptr type);

// The type an alias stands for, through any number of aliases.
CORBA::TypeCode_ptr unaliased(CORBA::TypeCode_ptr type);

// The characters of a quoted literal, escapes decoded ('\047', "a\042b",
// L"h\u00e9"), as code points; std::invalid_argument for a malformed one.
std::u32string unquoted(const std::string& literal);

}  // namespace irstore::serve

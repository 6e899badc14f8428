// Values of constants and union case labels: the IDL literal the loader
// stored (42, -7, 0.10000000000000001, TRUE, 'c', L'\u00e9', "text",
// L"text", 123.45d, ::M::green) as an Any of the type it has.
#pragma once

#include <string>

#include "context.h"

namespace irstore::serve {

// A literal that does not fit its type is a repository failure (INTF_REPOS).
CORBA::Any* literal_value(ServeContext& context, const std::string& literal, CORBA::TypeCode_ptr type);

// The characters of a quoted literal, escapes decoded ('\047', "a\042b",
// L"h\u00e9"), as code points; std::invalid_argument for a malformed one.
std::u32string unquoted(const std::string& literal);

}  // namespace irstore::serve

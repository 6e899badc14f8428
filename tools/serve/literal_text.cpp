// The literal of a value a client gives, as the loader spells literals:
// what literals.cpp reads back.
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "literals.h"
#include "names.h"

namespace irstore::serve {

namespace {

// What an IDL literal may hold without an escape; the rest is written as an
// octal escape (\ooo) in a narrow literal and as \uXXXX in a wide one.
bool printable(char32_t c) {
  static constexpr std::string_view kPlain =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789_!$%^&*()-=+[]{};#:@~,./<>?|`";
  return c < 0x80 && kPlain.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string quoted(const std::u32string& text, char quote, bool wide) {
  std::string out = wide ? "L" : "";
  out += quote;
  for (char32_t c : text) {
    char escape[8];
    if (printable(c)) {
      out += static_cast<char>(c);
    } else if (wide) {
      if (c > 0xffff) throw std::invalid_argument("a wide character beyond \\uffff");
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + quote;
}

std::u32string narrow(std::string_view text) {
  std::u32string result;
  for (char c : text) result += static_cast<unsigned char>(c);
  return result;
}

std::u32string wide(const CORBA::WChar* text) {
  std::u32string result;
  for (; *text; ++text) result += static_cast<char32_t>(*text);
  return result;
}

// As precise as it takes to give back the same bits, and never read as an
// integer.
std::string floating(long double value) {
  if (!std::isfinite(value)) throw std::invalid_argument("no literal spells an infinite or undefined number");
  char text[64];
  std::snprintf(text, sizeof text, "%.17Lg", value);
  std::string result = text;
  if (result.find_first_of(".e") == std::string::npos) result += ".0";
  return result;
}

// "::M::green": an enumerator lives in the scope that holds its enum.
std::string enumerator(ServeContext& context, CORBA::TypeCode_ptr type, const std::string& name) {
  std::optional<access::Definition> enumeration = context.store.find(type->id());
  if (!enumeration) throw std::invalid_argument(std::string("the enum ") + type->id() + " is not stored");
  std::string scoped = absolute_name(context.store, *enumeration);
  return scoped.substr(0, scoped.rfind("::")) + "::" + name;
}

std::string text_of(ServeContext& context, DynamicAny::DynAny_ptr value, CORBA::TypeCode_ptr type) {
  switch (type->kind()) {
    case CORBA::tk_short: return std::to_string(value->get_short());
    case CORBA::tk_long: return std::to_string(value->get_long());
    case CORBA::tk_ushort: return std::to_string(value->get_ushort());
    case CORBA::tk_ulong: return std::to_string(value->get_ulong());
    case CORBA::tk_longlong: return std::to_string(value->get_longlong());
    case CORBA::tk_ulonglong: return std::to_string(value->get_ulonglong());
    case CORBA::tk_octet: return std::to_string(value->get_octet());
    case CORBA::tk_float: return floating(value->get_float());
    case CORBA::tk_double: return floating(value->get_double());
#ifdef HAS_LongDouble
    case CORBA::tk_longdouble: return floating(value->get_longdouble());
#endif
    case CORBA::tk_boolean: return value->get_boolean() ? "TRUE" : "FALSE";
    case CORBA::tk_char: return quoted(narrow(std::string(1, static_cast<char>(value->get_char()))), '\'', false);
    case CORBA::tk_wchar: {
      CORBA::WChar c[2] = {value->get_wchar(), 0};
      return quoted(wide(c), '\'', true);
    }
    case CORBA::tk_string: {
      CORBA::String_var text = value->get_string();
      return quoted(narrow(text.in()), '"', false);
    }
    case CORBA::tk_wstring: {
      CORBA::WString_var text = value->get_wstring();
      return quoted(wide(text.in()), '"', true);
    }
    case CORBA::tk_fixed: {
      DynamicAny::DynFixed_var fixed = DynamicAny::DynFixed::_narrow(value);
      CORBA::String_var digits = fixed->get_value();
      return std::string(digits.in()) + "d";
    }
    case CORBA::tk_enum: {
      DynamicAny::DynEnum_var enumeration = DynamicAny::DynEnum::_narrow(value);
      CORBA::String_var name = enumeration->get_as_string();
      return enumerator(context, type, name.in());
    }
    default: throw std::invalid_argument("no literal spells a value of this type");
  }
}

}  // namespace

std::string literal_text(ServeContext& context, const CORBA::Any& value, CORBA::TypeCode_ptr type) {
  CORBA::TypeCode_var wanted = unaliased(type);
  CORBA::TypeCode_var given_type = value.type();
  CORBA::TypeCode_var given = unaliased(given_type);
  if (!given->equivalent(wanted)) throw std::invalid_argument("a value of another type");
  try {
    OwnedDynAny dynamic(context.dyn_any->create_dyn_any(value));
    return text_of(context, dynamic.get(), wanted);
  } catch (const CORBA::UserException&) {
    throw std::invalid_argument("a value that does not fit its type");
  }
}

}  // namespace irstore::serve

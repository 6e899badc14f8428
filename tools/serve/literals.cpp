#include "literals.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

#include "served_store.h"

namespace irstore::serve {

namespace {

[[noreturn]] void malformed(const std::string& literal, const char* type) {
  throw std::invalid_argument("the literal " + literal + " is no " + type);
}

template <class Integer>
Integer integer(const std::string& literal) {
  Integer value{};
  const char* end = literal.data() + literal.size();
  auto [stop, error] = std::from_chars(literal.data(), end, value);
  if (error != std::errc() || stop != end) malformed(literal, "integer of its type");
  return value;
}

double floating(const std::string& literal) {
  char* end = nullptr;
  double value = std::strtod(literal.c_str(), &end);
  if (literal.empty() || *end != '\0') malformed(literal, "floating-point number");
  return value;
}

bool boolean(const std::string& literal) {
  if (literal == "TRUE") return true;
  if (literal == "FALSE") return false;
  malformed(literal, "boolean");
}

int digit_value(char c, int base) {
  int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
  return value < base ? value : -1;
}

// The value of up to `most` digits of the base at text[at], moving at past them.
char32_t escaped_number(const std::string& text, std::size_t& at, int base, int most) {
  char32_t value = 0;
  int count = 0;
  for (; count < most && at < text.size() && digit_value(text[at], base) >= 0; ++count, ++at) {
    value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit_value(text[at], base));
  }
  if (count == 0) malformed(text, "well-formed quoted literal");
  return value;
}

char32_t escape(const std::string& text, std::size_t& at) {
  char c = text[at++];
  switch (c) {
    case 'n': return '\n';
    case 't': return '\t';
    case 'v': return '\v';
    case 'b': return '\b';
    case 'r': return '\r';
    case 'f': return '\f';
    case 'a': return '\a';
    case 'x': return escaped_number(text, at, 16, 2);
    case 'u': return escaped_number(text, at, 16, 4);
    default:
      if (c >= '0' && c <= '7') return escaped_number(text, --at, 8, 3);
      return static_cast<unsigned char>(c);  // \\ \' \" \?
  }
}

CORBA::Char narrow_char(const std::string& literal) {
  std::u32string text = unquoted(literal);
  if (text.size() != 1 || text[0] > 0xff) malformed(literal, "character");
  return static_cast<CORBA::Char>(text[0]);
}

std::string narrow_string(const std::string& literal) {
  std::string result;
  for (char32_t c : unquoted(literal)) {
    if (c > 0xff) malformed(literal, "narrow string");
    result += static_cast<char>(c);
  }
  return result;
}

std::vector<CORBA::WChar> wide_string(const std::string& literal) {
  std::vector<CORBA::WChar> result;
  for (char32_t c : unquoted(literal)) result.push_back(static_cast<CORBA::WChar>(c));
  result.push_back(0);
  return result;
}

// The index of an enumerator, named by its scoped name ("::M::green") or alone.
CORBA::ULong enumerator(const std::string& literal, CORBA::TypeCode_ptr type) {
  std::size_t separator = literal.rfind("::");
  std::string name = separator == std::string::npos ? literal : literal.substr(separator + 2);
  for (CORBA::ULong i = 0; i < type->member_count(); ++i) {
    if (name == type->member_name(i)) return i;
  }
  malformed(literal, "enumerator of its type");
}

void insert(DynamicAny::DynAny_ptr value, const std::string& literal, CORBA::TypeCode_ptr type) {
  switch (type->kind()) {
    case CORBA::tk_short: return value->insert_short(integer<CORBA::Short>(literal));
    case CORBA::tk_long: return value->insert_long(integer<CORBA::Long>(literal));
    case CORBA::tk_ushort: return value->insert_ushort(integer<CORBA::UShort>(literal));
    case CORBA::tk_ulong: return value->insert_ulong(integer<CORBA::ULong>(literal));
    case CORBA::tk_longlong: return value->insert_longlong(integer<CORBA::LongLong>(literal));
    case CORBA::tk_ulonglong: return value->insert_ulonglong(integer<CORBA::ULongLong>(literal));
    case CORBA::tk_octet: return value->insert_octet(integer<CORBA::Octet>(literal));
    case CORBA::tk_float: return value->insert_float(static_cast<CORBA::Float>(floating(literal)));
    case CORBA::tk_double: return value->insert_double(floating(literal));
#ifdef HAS_LongDouble
    case CORBA::tk_longdouble: return value->insert_longdouble(std::strtold(literal.c_str(), nullptr));
#endif
    case CORBA::tk_boolean: return value->insert_boolean(boolean(literal));
    case CORBA::tk_char: return value->insert_char(narrow_char(literal));
    case CORBA::tk_wchar: {
      std::vector<CORBA::WChar> text = wide_string(literal);
      if (text.size() != 2) malformed(literal, "wide character");
      return value->insert_wchar(text[0]);
    }
    case CORBA::tk_string: return value->insert_string(narrow_string(literal).c_str());
    case CORBA::tk_wstring: return value->insert_wstring(wide_string(literal).data());
    case CORBA::tk_fixed: {
      std::string digits = literal;
      if (!digits.empty() && (digits.back() == 'd' || digits.back() == 'D')) digits.pop_back();
      DynamicAny::DynFixed_var fixed = DynamicAny::DynFixed::_narrow(value);
      if (!fixed->set_value(digits.c_str())) malformed(literal, "fixed-point number of its scale");
      return;
    }
    case CORBA::tk_enum: {
      DynamicAny::DynEnum_var enumeration = DynamicAny::DynEnum::_narrow(value);
      return enumeration->set_as_ulong(enumerator(literal, type));
    }
    default: malformed(literal, "value of a type that constants have");
  }
}

}  // namespace

CORBA::TypeCode_ptr unaliased(CORBA::TypeCode_ptr type) {
  CORBA::TypeCode_var actual = CORBA::TypeCode::_duplicate(type);
  while (actual->kind() == CORBA::tk_alias) actual = actual->content_type();
  return actual._retn();
}

std::u32string unquoted(const std::string& literal) {
  std::size_t at = literal.rfind('L', 0) == 0 ? 1 : 0;
  if (literal.size() < at + 2 || (literal[at] != '\'' && literal[at] != '"') || literal.back() != literal[at]) {
    malformed(literal, "quoted literal");
  }
  std::size_t end = literal.size() - 1;
  std::u32string text;
  for (++at; at < end;) {
    if (literal[at] != '\\') {
      text += static_cast<unsigned char>(literal[at++]);
      continue;
    }
    ++at;
    if (at >= end) malformed(literal, "well-formed quoted literal");
    text += escape(literal, at);
  }
  return text;
}

CORBA::Any* value_of_literal(ServeContext& context, const std::string& literal, CORBA::TypeCode_ptr type) {
  try {
    OwnedDynAny value(context.dyn_any->create_dyn_any_from_type_code(type));
    CORBA::TypeCode_var actual = unaliased(type);
    insert(value.get(), literal, actual);
    return value.get()->to_any();
  } catch (const CORBA::UserException&) {
    malformed(literal, "value of its type");
  }
}

CORBA::Any* literal_value(ServeContext& context, const std::string& literal, CORBA::TypeCode_ptr type) {
  try {
    return value_of_literal(context, literal, type);
  } catch (const std::invalid_argument& e) {
    repository_failure(e.what());
  }
}

}  // namespace irstore::serve

#include "primitives.h"

#include <functional>

namespace irstore::serve {

namespace {

struct Primitive {
  const char* word;
  CORBA::PrimitiveKind kind;
  CORBA::TypeCode_ptr type;  // null: made by the ORB
};

// The first primitive for which the test holds, or null.
const Primitive* primitive_where(const std::function<bool(const Primitive&)>& test) {
  static const Primitive kPrimitives[] = {
      {"void", CORBA::pk_void, CORBA::_tc_void},
      {"short", CORBA::pk_short, CORBA::_tc_short},
      {"long", CORBA::pk_long, CORBA::_tc_long},
      {"unsigned short", CORBA::pk_ushort, CORBA::_tc_ushort},
      {"unsigned long", CORBA::pk_ulong, CORBA::_tc_ulong},
      {"float", CORBA::pk_float, CORBA::_tc_float},
      {"double", CORBA::pk_double, CORBA::_tc_double},
      {"boolean", CORBA::pk_boolean, CORBA::_tc_boolean},
      {"char", CORBA::pk_char, CORBA::_tc_char},
      {"octet", CORBA::pk_octet, CORBA::_tc_octet},
      {"any", CORBA::pk_any, CORBA::_tc_any},
      {"TypeCode", CORBA::pk_TypeCode, CORBA::_tc_TypeCode},
      {"Principal", CORBA::pk_Principal, CORBA::_tc_Principal},
      {"string", CORBA::pk_string, CORBA::_tc_string},
      {"Object", CORBA::pk_objref, CORBA::_tc_Object},
      {"long long", CORBA::pk_longlong, CORBA::_tc_longlong},
      {"unsigned long long", CORBA::pk_ulonglong, CORBA::_tc_ulonglong},
      {"long double", CORBA::pk_longdouble, CORBA::_tc_longdouble},
      {"wchar", CORBA::pk_wchar, CORBA::_tc_wchar},
      {"wstring", CORBA::pk_wstring, CORBA::_tc_wstring},
      {"ValueBase", CORBA::pk_value_base, nullptr},
  };
  for (const Primitive& p : kPrimitives) {
    if (test(p)) return &p;
  }
  return nullptr;
}

const Primitive* primitive(const std::string& word) {
  return primitive_where([&](const Primitive& p) { return word == p.word; });
}

}  // namespace

CORBA::TypeCode_ptr primitive_type_code(CORBA::ORB_ptr orb, const std::string& word) {
  const Primitive* p = primitive(word);
  if (!p) return CORBA::TypeCode::_nil();
  if (p->type) return CORBA::TypeCode::_duplicate(p->type);
  // The base of all value types: a value type of no state and no base.
  return orb->create_value_tc("IDL:omg.org/CORBA/ValueBase:1.0", "ValueBase", CORBA::VM_NONE, CORBA::_tc_null,
                              CORBA::ValueMemberSeq());
}

std::optional<CORBA::PrimitiveKind> primitive_kind(const std::string& word) {
  const Primitive* p = primitive(word);
  if (!p) return std::nullopt;
  return p->kind;
}

std::optional<std::string> primitive_word(CORBA::PrimitiveKind kind) {
  const Primitive* p = primitive_where([&](const Primitive& candidate) { return candidate.kind == kind; });
  if (!p) return std::nullopt;
  return p->word;
}

}  // namespace irstore::serve

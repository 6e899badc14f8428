#include "type_codes.h"

#include <algorithm>
#include <utility>

#include <omniORB4/cdrStream.h>

#include "literals.h"
#include "primitives.h"
#include "type_resolution.h"

namespace irstore::serve {

namespace {

// Keeps an id on the builder's list of open types while it is built.
class OpenType {
 public:
  OpenType(std::vector<std::string>& open, const std::string& id) : open_(open) { open_.push_back(id); }
  ~OpenType() { open_.pop_back(); }
  OpenType(const OpenType&) = delete;
  OpenType& operator=(const OpenType&) = delete;

 private:
  std::vector<std::string>& open_;
};

// The TypeCode of an interface kind that has an id and a name only. omniORB
// 4.2 declares ORB::create_abstract_interface_tc and
// create_local_interface_tc without defining them, so the TypeCode is read
// from its CDR form: the kind, then an encapsulation of the id and the name.
CORBA::TypeCode_ptr identified_type_code(CORBA::TCKind kind, const char* id, const char* name) {
  cdrEncapsulationStream parameters;
  parameters.marshalString(id);
  parameters.marshalString(name);
  cdrMemoryStream stream;
  static_cast<CORBA::ULong>(kind) >>= stream;
  static_cast<CORBA::ULong>(parameters.bufSize()) >>= stream;
  stream.put_octet_array(static_cast<const CORBA::Octet*>(parameters.bufPtr()),
                         static_cast<int>(parameters.bufSize()));
  stream.rewindInputPtr();
  return CORBA::TypeCode::unmarshalTypeCode(stream);
}

}  // namespace

CORBA::TypeCode_ptr TypeCodeBuilder::of(const access::TypeUse& use) {
  return of(resolved_type(context_.store, use));
}

CORBA::TypeCode_ptr TypeCodeBuilder::of(const TypeTree& type) {
  CORBA::ORB_ptr orb = context_.orb;
  switch (type.form) {
    case TypeTree::Form::Primitive: return primitive_type_code(orb, type.word);
    case TypeTree::Form::String: return orb->create_string_tc(type.bound);
    case TypeTree::Form::Wstring: return orb->create_wstring_tc(type.bound);
    case TypeTree::Form::Fixed: return orb->create_fixed_tc(type.digits, type.scale);
    case TypeTree::Form::Sequence: {
      CORBA::TypeCode_var element = of(*type.element);
      return orb->create_sequence_tc(type.bound, element);
    }
    case TypeTree::Form::Array: {
      CORBA::TypeCode_var element = of(*type.element);
      return orb->create_array_tc(type.bound, element);
    }
    case TypeTree::Form::Named: return named(type.id);
  }
  return CORBA::TypeCode::_nil();
}

CORBA::TypeCode_ptr TypeCodeBuilder::named(const std::string& id) {
  if (std::find(open_.begin(), open_.end(), id) != open_.end()) return context_.orb->create_recursive_tc(id.c_str());
  if (!open_.empty()) return of(context_.store.related(id));
  auto found = built_.find(id);
  if (found == built_.end()) found = built_.emplace(id, of(context_.store.related(id))).first;
  return CORBA::TypeCode::_duplicate(found->second);
}

CORBA::TypeCode_ptr TypeCodeBuilder::of(const access::Definition& d) {
  CORBA::ORB_ptr orb = context_.orb;
  const char* id = d.id.c_str();
  const char* name = d.name.c_str();
  switch (d.kind) {
    case access::Kind::Interface:
      if (d.is_abstract) return identified_type_code(CORBA::tk_abstract_interface, id, name);
      if (d.is_local) return identified_type_code(CORBA::tk_local_interface, id, name);
      return orb->create_interface_tc(id, name);
    case access::Kind::Alias: {
      CORBA::TypeCode_var original = of(d.type);
      return orb->create_alias_tc(id, name, original);
    }
    case access::Kind::Struct: {
      OpenType open(open_, d.id);
      return orb->create_struct_tc(id, name, struct_members(d.members));
    }
    case access::Kind::Union: {
      OpenType open(open_, d.id);
      return union_type(d);
    }
    case access::Kind::Enum: {
      CORBA::EnumMemberSeq members(static_cast<CORBA::ULong>(d.enumerators.size()));
      members.length(static_cast<CORBA::ULong>(d.enumerators.size()));
      for (CORBA::ULong i = 0; i < members.length(); ++i) members[i] = d.enumerators[i].c_str();
      return orb->create_enum_tc(id, name, members);
    }
    case access::Kind::Exception: return orb->create_exception_tc(id, name, struct_members(d.members));
    default: repository_failure(d.id + " is used as a type but is none");
  }
}

CORBA::StructMemberSeq TypeCodeBuilder::struct_members(const std::vector<access::Member>& members) {
  CORBA::StructMemberSeq result(static_cast<CORBA::ULong>(members.size()));
  result.length(static_cast<CORBA::ULong>(members.size()));
  for (CORBA::ULong i = 0; i < result.length(); ++i) {
    result[i].name = members[i].name.c_str();
    result[i].type = of(members[i].type);
  }
  return result;
}

CORBA::TypeCode_ptr TypeCodeBuilder::union_type(const access::Definition& d) {
  CORBA::TypeCode_var discriminator = of(d.type);
  CORBA::UnionMemberSeq members(static_cast<CORBA::ULong>(d.cases.size()));
  members.length(static_cast<CORBA::ULong>(d.cases.size()));
  for (CORBA::ULong i = 0; i < members.length(); ++i) {
    const access::UnionCase& c = d.cases[i];
    members[i].name = c.name.c_str();
    members[i].type = of(c.type);
    if (c.label == "default") {
      members[i].label <<= CORBA::Any::from_octet(0);
    } else {
      CORBA::Any_var label = literal_value(context_, c.label, discriminator);
      members[i].label = label.in();
    }
  }
  return context_.orb->create_union_tc(d.id.c_str(), d.name.c_str(), discriminator, members);
}

}  // namespace irstore::serve

#include "arguments.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "kinds.h"
#include "literals.h"
#include "minor_codes.h"
#include "references.h"
#include "type_codes.h"

namespace irstore::serve {

namespace {

[[noreturn]] void bad_param(CORBA::ULong minor = 0) { throw CORBA::BAD_PARAM(minor, CORBA::COMPLETED_NO); }

bool is_identifier(const std::string& name) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return !name.empty() && letter(name[0]) && name.size() <= access::Store::kLongestName &&
         std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || digit(c); });
}

// Names of members, enumerators or parameters: identifiers, each once.
class NameList {
 public:
  void add(const std::string& name) {
    if (!is_identifier(name) || !names_.insert(name).second) bad_param(minor::kInvalidMemberName);
  }

 private:
  std::set<std::string> names_;
};

// The stored definition of a reference of this server, of one of the kinds.
std::string stored_id(ServeContext& context, CORBA::Object_ptr object, std::initializer_list<ObjectKind> kinds) {
  std::optional<std::pair<ObjectKind, std::string>> identity = context.adapters.identify(object);
  if (!identity || std::find(kinds.begin(), kinds.end(), identity->first) == kinds.end()) bad_param();
  std::optional<access::Definition> stored = context.store.find(identity->second);
  if (!stored || object_kind(*stored) != identity->first) bad_param();
  return identity->second;
}

template <class Sequence>
std::vector<std::string> stored_ids(ServeContext& context, const Sequence& references,
                                    std::initializer_list<ObjectKind> kinds) {
  std::vector<std::string> ids;
  for (CORBA::ULong i = 0; i < references.length(); ++i) {
    std::string id = stored_id(context, references[i], kinds);
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) bad_param();  // named twice
    ids.push_back(std::move(id));
  }
  return ids;
}

bool is_default_label(const CORBA::Any& label) {
  CORBA::Octet octet = 1;
  return (label >>= CORBA::Any::to_octet(octet)) && octet == 0;
}

}  // namespace

void check_repository_id(const std::string& id) {
  bool valid = !id.empty() && id.size() <= access::Store::kLongestId;
  for (unsigned char c : id) valid = valid && c > ' ' && c != 0x7f;
  if (!valid) bad_param(minor::kInvalidRepositoryId);
}

void check_new_name(const std::string& name) {
  if (!is_identifier(name)) bad_param(minor::kInvalidName);
}

access::TypeUse type_argument(ServeContext& context, CORBA::IDLType_ptr type) {
  access::TypeUse use = type_use_of_reference(context, type);
  // An anonymous type may name a definition removed since it was made.
  for (const std::string& id : use.references) {
    if (context.store.kind_of(id) == access::Kind::None) bad_param();
  }
  return use;
}

std::vector<access::Member> member_arguments(ServeContext& context, const CORBA::StructMemberSeq& members) {
  std::vector<access::Member> result;
  NameList names;
  for (CORBA::ULong i = 0; i < members.length(); ++i) {
    names.add(members[i].name.in());
    result.push_back({members[i].name.in(), type_argument(context, members[i].type_def)});
  }
  return result;
}

std::vector<std::string> enumerator_arguments(const CORBA::EnumMemberSeq& members) {
  std::vector<std::string> result;
  NameList names;
  for (CORBA::ULong i = 0; i < members.length(); ++i) {
    names.add(members[i].in());
    result.emplace_back(members[i].in());
  }
  if (result.empty()) bad_param();  // an enum names at least one value
  return result;
}

void check_discriminator(ServeContext& context, const access::TypeUse& discriminator) {
  CORBA::TypeCode_var declared = TypeCodeBuilder(context).of(discriminator);
  CORBA::TypeCode_var type = unaliased(declared);
  switch (type->kind()) {
    case CORBA::tk_short:
    case CORBA::tk_long:
    case CORBA::tk_ushort:
    case CORBA::tk_ulong:
    case CORBA::tk_longlong:
    case CORBA::tk_ulonglong:
    case CORBA::tk_char:
    case CORBA::tk_wchar:
    case CORBA::tk_boolean:
    case CORBA::tk_octet:
    case CORBA::tk_enum: return;
    default: bad_param(minor::kIllegitimateDiscriminator);
  }
}

std::vector<access::UnionCase> case_arguments(ServeContext& context, const CORBA::UnionMemberSeq& members,
                                              const access::TypeUse& discriminator) {
  check_discriminator(context, discriminator);
  CORBA::TypeCode_var type = TypeCodeBuilder(context).of(discriminator);
  std::vector<access::UnionCase> result;
  std::set<std::string> labels;
  for (CORBA::ULong i = 0; i < members.length(); ++i) {
    std::string name = members[i].name.in();
    if (!is_identifier(name)) bad_param(minor::kInvalidMemberName);
    access::TypeUse member_type = type_argument(context, members[i].type_def);
    // A member with several labels comes once per label, always as itself.
    for (const access::UnionCase& earlier : result) {
      if (earlier.name == name && earlier.type != member_type) bad_param(minor::kInvalidMemberName);
    }
    std::string label = "default";
    if (!is_default_label(members[i].label)) {
      try {
        label = literal_text(context, members[i].label, type);
      } catch (const std::invalid_argument&) {
        bad_param(minor::kIncompatibleLabel);
      }
    }
    if (!labels.insert(label).second) bad_param(minor::kDuplicateLabel);
    result.push_back({label, name, member_type});
  }
  return result;
}

std::vector<access::Parameter> parameter_arguments(ServeContext& context,
                                                   const CORBA::ParDescriptionSeq& parameters) {
  std::vector<access::Parameter> result;
  NameList names;
  for (CORBA::ULong i = 0; i < parameters.length(); ++i) {
    names.add(parameters[i].name.in());
    result.push_back({parameters[i].name.in(), type_argument(context, parameters[i].type_def),
                      static_cast<access::ParameterMode>(parameters[i].mode)});
  }
  return result;
}

std::vector<std::string> exception_arguments(ServeContext& context, const CORBA::ExceptionDefSeq& exceptions) {
  return stored_ids(context, exceptions, {ObjectKind::Exception});
}

std::vector<std::string> base_arguments(ServeContext& context, const CORBA::InterfaceDefSeq& bases) {
  return stored_ids(context, bases, {ObjectKind::Interface, ObjectKind::AbstractInterface});
}

std::vector<std::string> base_arguments(ServeContext& context, const CORBA::AbstractInterfaceDefSeq& bases) {
  return stored_ids(context, bases, {ObjectKind::Interface, ObjectKind::AbstractInterface});
}

std::vector<std::string> context_arguments(const CORBA::ContextIdSeq& contexts) {
  std::vector<std::string> result;
  for (CORBA::ULong i = 0; i < contexts.length(); ++i) {
    std::string context = contexts[i].in();
    if (context.empty()) bad_param();
    result.push_back(std::move(context));
  }
  return result;
}

std::string constant_argument(ServeContext& context, const CORBA::Any& value, const access::TypeUse& type) {
  CORBA::TypeCode_var declared = TypeCodeBuilder(context).of(type);
  try {
    return literal_text(context, value, declared);
  } catch (const std::invalid_argument&) {
    bad_param();
  }
}

std::string literal_as(ServeContext& context, const std::string& literal, const access::TypeUse& type,
                       CORBA::ULong minor_code) {
  CORBA::TypeCode_var declared = TypeCodeBuilder(context).of(type);
  try {
    CORBA::Any_var value = value_of_literal(context, literal, declared);
    return literal_text(context, value.in(), declared);
  } catch (const std::invalid_argument&) {
    bad_param(minor_code);
  }
}

}  // namespace irstore::serve

// The implementation class of each kind of definition: its constructor and
// the encoding of its state. Each read_state reads all of the state into
// locals before it assigns any member, so a malformed stream changes nothing.
#include <qelorirm/definitions.h>

#include <utility>

#include "state_codec.h"

using namespace irstate;

CORBA_Repository_Impl::CORBA_Repository_Impl()
    : CORBA_Contained_Impl(CORBA::dk_Repository, kName, kRepositoryId) {}

CORBA_ModuleDef_Impl::CORBA_ModuleDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Module, name, repid) {}

// Interface: base interfaces, abstract, local.

CORBA_InterfaceDef_Impl::CORBA_InterfaceDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Interface, name, repid) {}

void CORBA_InterfaceDef_Impl::write_state(Encapsulation& stream) const {
  write_texts(stream, base_interfaces);
  write_flag(stream, is_abstract);
  write_flag(stream, is_local);
}

void CORBA_InterfaceDef_Impl::read_state(Encapsulation& stream) {
  std::vector<std::string> bases = read_texts(stream);
  bool abstract = read_flag(stream);
  bool local = read_flag(stream);
  base_interfaces = std::move(bases);
  is_abstract = abstract;
  is_local = local;
}

// Operation: result, oneway, parameters, exceptions, contexts.

CORBA_OperationDef_Impl::CORBA_OperationDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Operation, name, repid) {}

void CORBA_OperationDef_Impl::write_state(Encapsulation& stream) const {
  write_type(stream, result);
  write_flag(stream, oneway);
  write_parameters(stream, parameters);
  write_texts(stream, exceptions);
  write_texts(stream, contexts);
}

void CORBA_OperationDef_Impl::read_state(Encapsulation& stream) {
  IRType new_result = read_type(stream);
  bool new_oneway = read_flag(stream);
  std::vector<IRParameter> new_parameters = read_parameters(stream);
  std::vector<std::string> new_exceptions = read_texts(stream);
  std::vector<std::string> new_contexts = read_texts(stream);
  result = std::move(new_result);
  oneway = new_oneway;
  parameters = std::move(new_parameters);
  exceptions = std::move(new_exceptions);
  contexts = std::move(new_contexts);
}

// Attribute: type, readonly.

CORBA_AttributeDef_Impl::CORBA_AttributeDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Attribute, name, repid) {}

void CORBA_AttributeDef_Impl::write_state(Encapsulation& stream) const {
  write_type(stream, type);
  write_flag(stream, readonly);
}

void CORBA_AttributeDef_Impl::read_state(Encapsulation& stream) {
  IRType new_type = read_type(stream);
  bool new_readonly = read_flag(stream);
  type = std::move(new_type);
  readonly = new_readonly;
}

// Constant: type, value.

CORBA_ConstantDef_Impl::CORBA_ConstantDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Constant, name, repid) {}

void CORBA_ConstantDef_Impl::write_state(Encapsulation& stream) const {
  write_type(stream, type);
  write_text(stream, value);
}

void CORBA_ConstantDef_Impl::read_state(Encapsulation& stream) {
  IRType new_type = read_type(stream);
  std::string new_value = read_text(stream);
  type = std::move(new_type);
  value = std::move(new_value);
}

// Exception: members.

CORBA_ExceptionDef_Impl::CORBA_ExceptionDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Exception, name, repid) {}

void CORBA_ExceptionDef_Impl::write_state(Encapsulation& stream) const {
  write_members(stream, members);
}

void CORBA_ExceptionDef_Impl::read_state(Encapsulation& stream) { members = read_members(stream); }

// Alias: original type.

CORBA_AliasDef_Impl::CORBA_AliasDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Alias, name, repid) {}

void CORBA_AliasDef_Impl::write_state(Encapsulation& stream) const {
  write_type(stream, original_type);
}

void CORBA_AliasDef_Impl::read_state(Encapsulation& stream) { original_type = read_type(stream); }

// Struct: members.

CORBA_StructDef_Impl::CORBA_StructDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Struct, name, repid) {}

void CORBA_StructDef_Impl::write_state(Encapsulation& stream) const {
  write_members(stream, members);
}

void CORBA_StructDef_Impl::read_state(Encapsulation& stream) { members = read_members(stream); }

// Union: discriminator type, members.

CORBA_UnionDef_Impl::CORBA_UnionDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Union, name, repid) {}

void CORBA_UnionDef_Impl::write_state(Encapsulation& stream) const {
  write_type(stream, discriminator_type);
  write_union_members(stream, members);
}

void CORBA_UnionDef_Impl::read_state(Encapsulation& stream) {
  IRType new_discriminator = read_type(stream);
  std::vector<IRUnionMember> new_members = read_union_members(stream);
  discriminator_type = std::move(new_discriminator);
  members = std::move(new_members);
}

// Enum: member names.

CORBA_EnumDef_Impl::CORBA_EnumDef_Impl(const char* name, const char* repid)
    : CORBA_Contained_Impl(CORBA::dk_Enum, name, repid) {}

void CORBA_EnumDef_Impl::write_state(Encapsulation& stream) const { write_texts(stream, members); }

void CORBA_EnumDef_Impl::read_state(Encapsulation& stream) { members = read_texts(stream); }

namespace {

bool is_name_character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == ':';
}

}  // namespace

bool rename_scoped_names_in(std::string& text, const std::map<std::string, std::string>& renamed) {
  std::string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size();) {
    if (!is_name_character(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && is_name_character(text[end])) ++end;
    auto found = renamed.find(text.substr(i, end - i));
    changed |= found != renamed.end();
    out += found != renamed.end() ? found->second : text.substr(i, end - i);
    i = end;
  }
  if (changed) text = out;
  return changed;
}

// The parts that the default servants share, one per IR interface they
// implement alike (IRObject, Contained, Container, IDLType). A servant
// class combines the parts of its interface; virtual inheritance makes each
// part's operations the ones its skeleton calls.
//
// Each request reads what it answers from the store: a servant knows only
// the kind of object its adapter serves, and takes the repository id (or
// the type) from the object id of the request.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "context.h"
#include "idl_rules.h"
#include "served_update.h"
#include "type_tree.h"

namespace irstore::serve {

class IRObjectPart : public virtual POA_CORBA::IRObject {
 public:
  CORBA::DefinitionKind def_kind() override;
  // Removes a stored definition with what it holds; an anonymous type,
  // which has nothing stored, stays for as long as it is named.
  void destroy() override;
  // A definition removed since the reference was made no longer exists.
  CORBA::Boolean _non_existent() override;

 protected:
  // Only the servant classes construct the base, as its most derived ones;
  // the parts in between are abstract and leave it to them.
  explicit IRObjectPart(ServeContext& context) : context_(context) {}
  // The kind of object the servant's adapter serves.
  virtual ObjectKind served_kind() const = 0;

  // The object id of the request: a repository id, or an encoded type.
  std::string target_id() { return context_.adapters.current_id(); }
  // The stored definition the request is for; OBJECT_NOT_EXIST when none
  // of this adapter's kind has the id (any more).
  access::Definition target();
  // The type an anonymous type's request is for; OBJECT_NOT_EXIST when the
  // id is no type of this adapter's form.
  TypeTree target_type();

  // Changes the stored definition the request is for, in one unit of work:
  // edit gets its state, and what it leaves is stored; then check, which
  // sees the change, may still refuse it.
  template <class Edit, class Check>
  void change_target(Edit edit, Check check) {
    ServedUpdate update(context_);
    access::Definition definition = target();
    edit(definition);
    update.update(definition);
    check(definition);
    update.commit();
  }
  template <class Edit>
  void change_target(Edit edit) {
    change_target(edit, [](const access::Definition&) {});
  }

  ServeContext& context_;
};

class ContainedPart : public virtual POA_CORBA::Contained, public virtual IRObjectPart {
 public:
  char* id() override;
  void id(const char* new_id) override;
  char* name() override;
  void name(const char* new_name) override;
  char* version() override;
  void version(const char* new_version) override;
  CORBA::Container_ptr defined_in() override;
  char* absolute_name() override;
  CORBA::Repository_ptr containing_repository() override;
  CORBA::Contained::Description* describe() override;
  void move(CORBA::Container_ptr new_container, const char* new_name, const char* new_version) override;
};

class ContainerPart : public virtual POA_CORBA::Container, public virtual IRObjectPart {
 public:
  CORBA::Contained_ptr lookup(const char* search_name) override;
  CORBA::ContainedSeq* contents(CORBA::DefinitionKind limit_type, CORBA::Boolean exclude_inherited) override;
  CORBA::ContainedSeq* lookup_name(const char* search_name, CORBA::Long levels_to_search,
                                   CORBA::DefinitionKind limit_type, CORBA::Boolean exclude_inherited) override;
  CORBA::Container::DescriptionSeq* describe_contents(CORBA::DefinitionKind limit_type,
                                                      CORBA::Boolean exclude_inherited,
                                                      CORBA::Long max_returned_objs) override;

  CORBA::ModuleDef_ptr create_module(const char* id, const char* name, const char* version) override;
  CORBA::ConstantDef_ptr create_constant(const char* id, const char* name, const char* version, CORBA::IDLType_ptr type,
                                         const CORBA::Any& value) override;
  CORBA::StructDef_ptr create_struct(const char* id, const char* name, const char* version,
                                     const CORBA::StructMemberSeq& members) override;
  CORBA::UnionDef_ptr create_union(const char* id, const char* name, const char* version,
                                   CORBA::IDLType_ptr discriminator_type, const CORBA::UnionMemberSeq& members) override;
  CORBA::EnumDef_ptr create_enum(const char* id, const char* name, const char* version,
                                 const CORBA::EnumMemberSeq& members) override;
  CORBA::AliasDef_ptr create_alias(const char* id, const char* name, const char* version,
                                   CORBA::IDLType_ptr original_type) override;
  CORBA::InterfaceDef_ptr create_interface(const char* id, const char* name, const char* version,
                                           const CORBA::InterfaceDefSeq& base_interfaces) override;
  CORBA::ExceptionDef_ptr create_exception(const char* id, const char* name, const char* version,
                                           const CORBA::StructMemberSeq& members) override;
  CORBA::AbstractInterfaceDef_ptr create_abstract_interface(const char* id, const char* name, const char* version,
                                                            const CORBA::AbstractInterfaceDefSeq& bases) override;
  // The repository keeps no value types, value boxes or natives.
  CORBA::ValueDef_ptr create_value(const char*, const char*, const char*, CORBA::Boolean, CORBA::Boolean,
                                   CORBA::ValueDef_ptr, CORBA::Boolean, const CORBA::ValueDefSeq&,
                                   const CORBA::InterfaceDefSeq&, const CORBA::InitializerSeq&) override {
    not_kept();
  }
  CORBA::ValueBoxDef_ptr create_value_box(const char*, const char*, const char*, CORBA::IDLType_ptr) override {
    not_kept();
  }
  CORBA::NativeDef_ptr create_native(const char*, const char*, const char*) override { not_kept(); }

 protected:
  // The definition of the container the request is for; nothing for the
  // repository itself.
  virtual std::optional<access::Definition> container() { return target(); }
  // The container's definitions of the kind, in declaration order: its own,
  // then for an interface the attributes and operations it inherits.
  std::vector<access::Definition> listed(CORBA::DefinitionKind limit_type, CORBA::Boolean exclude_inherited);

  // Stores a new member of the container, of the kind, in one unit of
  // work: fill gives it its state. Its reference.
  CORBA::Contained_ptr create_member(access::Kind kind, const char* id, const char* name, const char* version,
                                     const std::function<void(access::Definition&)>& fill);

 private:
  std::string container_id();
  [[noreturn]] void not_kept();
};

// IDLType::type of the stored types (interfaces, aliases, structs, unions,
// enums).
class StoredTypePart : public virtual POA_CORBA::IDLType, public virtual IRObjectPart {
 public:
  CORBA::TypeCode_ptr type() override;

 protected:
  // Changes a type that constants and unions may use, as change_target:
  // their values and labels must still be values of it.
  template <class Edit>
  void change_type(Edit edit) {
    change_target(edit, [&](const access::Definition& type) { check_literal_users(context_, type.id); });
  }
};

}  // namespace irstore::serve

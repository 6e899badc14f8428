// The parts that the default servants share, one per IR interface they
// implement alike (IRObject, Contained, Container, IDLType). A servant
// class combines the parts of its interface; virtual inheritance makes each
// part's operations the ones its skeleton calls.
//
// Each request reads what it answers from the store: a servant knows only
// the kind of object its adapter serves, and takes the repository id (or
// the type) from the object id of the request.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "context.h"
#include "type_tree.h"

namespace irstore::serve {

// The repository is read-only: every write is NO_PERMISSION.
[[noreturn]] void read_only();

class IRObjectPart : public virtual POA_CORBA::IRObject {
 public:
  CORBA::DefinitionKind def_kind() override;
  void destroy() override { read_only(); }
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

  ServeContext& context_;
};

class ContainedPart : public virtual POA_CORBA::Contained, public virtual IRObjectPart {
 public:
  char* id() override;
  void id(const char*) override { read_only(); }
  char* name() override;
  void name(const char*) override { read_only(); }
  char* version() override;
  void version(const char*) override { read_only(); }
  CORBA::Container_ptr defined_in() override;
  char* absolute_name() override;
  CORBA::Repository_ptr containing_repository() override;
  CORBA::Contained::Description* describe() override;
  void move(CORBA::Container_ptr, const char*, const char*) override { read_only(); }
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

  CORBA::ModuleDef_ptr create_module(const char*, const char*, const char*) override { read_only(); }
  CORBA::ConstantDef_ptr create_constant(const char*, const char*, const char*, CORBA::IDLType_ptr,
                                         const CORBA::Any&) override {
    read_only();
  }
  CORBA::StructDef_ptr create_struct(const char*, const char*, const char*, const CORBA::StructMemberSeq&) override {
    read_only();
  }
  CORBA::UnionDef_ptr create_union(const char*, const char*, const char*, CORBA::IDLType_ptr,
                                   const CORBA::UnionMemberSeq&) override {
    read_only();
  }
  CORBA::EnumDef_ptr create_enum(const char*, const char*, const char*, const CORBA::EnumMemberSeq&) override {
    read_only();
  }
  CORBA::AliasDef_ptr create_alias(const char*, const char*, const char*, CORBA::IDLType_ptr) override {
    read_only();
  }
  CORBA::InterfaceDef_ptr create_interface(const char*, const char*, const char*,
                                           const CORBA::InterfaceDefSeq&) override {
    read_only();
  }
  CORBA::ValueDef_ptr create_value(const char*, const char*, const char*, CORBA::Boolean, CORBA::Boolean,
                                   CORBA::ValueDef_ptr, CORBA::Boolean, const CORBA::ValueDefSeq&,
                                   const CORBA::InterfaceDefSeq&, const CORBA::InitializerSeq&) override {
    read_only();
  }
  CORBA::ValueBoxDef_ptr create_value_box(const char*, const char*, const char*, CORBA::IDLType_ptr) override {
    read_only();
  }
  CORBA::ExceptionDef_ptr create_exception(const char*, const char*, const char*,
                                           const CORBA::StructMemberSeq&) override {
    read_only();
  }
  CORBA::NativeDef_ptr create_native(const char*, const char*, const char*) override { read_only(); }
  CORBA::AbstractInterfaceDef_ptr create_abstract_interface(const char*, const char*, const char*,
                                                            const CORBA::AbstractInterfaceDefSeq&) override {
    read_only();
  }

 protected:
  // The definition of the container the request is for; nothing for the
  // repository itself.
  virtual std::optional<access::Definition> container() { return target(); }
  // The container's definitions of the kind, in declaration order: its own,
  // then for an interface the attributes and operations it inherits.
  std::vector<access::Definition> listed(CORBA::DefinitionKind limit_type, CORBA::Boolean exclude_inherited);

 private:
  std::string container_id();
};

// IDLType::type of the stored types (interfaces, aliases, structs, unions,
// enums).
class StoredTypePart : public virtual POA_CORBA::IDLType, public virtual IRObjectPart {
 public:
  CORBA::TypeCode_ptr type() override;
};

}  // namespace irstore::serve

// The changes that the parts of every servant share: creating the members
// of a container, the identity of a contained definition (id, name,
// version, container) and destroying it. Each request is one unit of work
// (ServedUpdate) that checks what it is given before it writes anything.
#include "arguments.h"
#include "idl_rules.h"
#include "kinds.h"
#include "minor_codes.h"
#include "references.h"
#include "servant_parts.h"

namespace irstore::serve {

namespace {

template <class Interface>
typename Interface::_ptr_type narrowed(CORBA::Contained_ptr created) {
  CORBA::Contained_var owned = created;
  return Interface::_unchecked_narrow(owned);
}

}  // namespace

// IRObjectPart

void IRObjectPart::destroy() {
  ServedUpdate update(context_);
  if (is_anonymous(served_kind())) {
    target_type();  // nothing is stored for it
    return;
  }
  std::string id = target().id;
  check_destroyable(context_, id);
  update.destroy(id);
  update.commit();
}

// ContainedPart

void ContainedPart::id(const char* new_id) {
  ServedUpdate update(context_);
  check_repository_id(new_id);
  std::string id = target().id;
  if (id == new_id) return;
  update.change_id(id, new_id);
  update.commit();
}

void ContainedPart::name(const char* new_name) {
  ServedUpdate update(context_);
  check_new_name(new_name);
  access::Definition definition = target();
  if (definition.name == new_name) return;
  std::optional<std::string> container = context_.store.container_of(definition.id);
  if (!container) repository_failure(definition.id + " is in no container");
  check_member(context_, context_.store.related(*container), definition.kind, new_name, definition.id);
  update.rename(definition.id, new_name);
  update.commit();
}

void ContainedPart::version(const char* new_version) {
  change_target([&](access::Definition& definition) { definition.version = new_version; });
}

void ContainedPart::move(CORBA::Container_ptr new_container, const char* new_name, const char* new_version) {
  ServedUpdate update(context_);
  check_new_name(new_name);
  access::Definition definition = target();
  const std::string& id = definition.id;
  access::Definition container = container_argument(context_, new_container);
  // Into itself, or into what it holds, would cut it off the repository.
  for (std::optional<std::string> up = container.id; up; up = context_.store.container_of(*up)) {
    if (*up == id) throw CORBA::BAD_PARAM(minor::kInvalidContainer, CORBA::COMPLETED_NO);
  }
  check_member(context_, container, definition.kind, new_name, id);
  update.move(id, container.id, new_name);
  // Read again: the move may have told the definition itself its new name.
  access::Definition moved = target();
  if (moved.version != new_version) {
    moved.version = new_version;
    update.update(moved);
  }
  update.commit();
}

// ContainerPart

void ContainerPart::not_kept() { unsupported_change(context_); }

CORBA::Contained_ptr ContainerPart::create_member(access::Kind kind, const char* id, const char* name,
                                                  const char* version,
                                                  const std::function<void(access::Definition&)>& fill) {
  ServedUpdate update(context_);
  check_repository_id(id);
  check_new_name(name);
  std::optional<access::Definition> self = container();
  access::Definition here = self ? std::move(*self) : context_.store.related(access::Store::kRootId);
  if (context_.store.kind_of(id) != access::Kind::None) {
    throw CORBA::BAD_PARAM(minor::kIdTaken, CORBA::COMPLETED_NO);
  }
  check_member(context_, here, kind, name);
  access::Definition definition;
  definition.kind = kind;
  definition.id = id;
  definition.name = name;
  definition.version = version;
  fill(definition);
  update.create(definition, here.id);
  update.commit();
  return contained_reference(context_, definition);
}

CORBA::ModuleDef_ptr ContainerPart::create_module(const char* id, const char* name, const char* version) {
  return narrowed<CORBA::ModuleDef>(create_member(access::Kind::Module, id, name, version, [](auto&) {}));
}

CORBA::ConstantDef_ptr ContainerPart::create_constant(const char* id, const char* name, const char* version,
                                                      CORBA::IDLType_ptr type, const CORBA::Any& value) {
  return narrowed<CORBA::ConstantDef>(create_member(access::Kind::Constant, id, name, version, [&](auto& d) {
    d.type = type_argument(context_, type);
    d.value = constant_argument(context_, value, d.type);
  }));
}

CORBA::StructDef_ptr ContainerPart::create_struct(const char* id, const char* name, const char* version,
                                                  const CORBA::StructMemberSeq& members) {
  return narrowed<CORBA::StructDef>(create_member(access::Kind::Struct, id, name, version, [&](auto& d) {
    d.members = member_arguments(context_, members);
  }));
}

CORBA::UnionDef_ptr ContainerPart::create_union(const char* id, const char* name, const char* version,
                                                CORBA::IDLType_ptr discriminator_type,
                                                const CORBA::UnionMemberSeq& members) {
  return narrowed<CORBA::UnionDef>(create_member(access::Kind::Union, id, name, version, [&](auto& d) {
    d.type = type_argument(context_, discriminator_type);
    d.cases = case_arguments(context_, members, d.type);
  }));
}

CORBA::EnumDef_ptr ContainerPart::create_enum(const char* id, const char* name, const char* version,
                                              const CORBA::EnumMemberSeq& members) {
  return narrowed<CORBA::EnumDef>(create_member(access::Kind::Enum, id, name, version, [&](auto& d) {
    d.enumerators = enumerator_arguments(members);
  }));
}

CORBA::AliasDef_ptr ContainerPart::create_alias(const char* id, const char* name, const char* version,
                                                CORBA::IDLType_ptr original_type) {
  return narrowed<CORBA::AliasDef>(create_member(access::Kind::Alias, id, name, version, [&](auto& d) {
    d.type = type_argument(context_, original_type);
  }));
}

CORBA::InterfaceDef_ptr ContainerPart::create_interface(const char* id, const char* name, const char* version,
                                                        const CORBA::InterfaceDefSeq& base_interfaces) {
  return narrowed<CORBA::InterfaceDef>(create_member(access::Kind::Interface, id, name, version, [&](auto& d) {
    d.bases = base_arguments(context_, base_interfaces);
    check_bases(context_, d);
  }));
}

CORBA::AbstractInterfaceDef_ptr ContainerPart::create_abstract_interface(const char* id, const char* name,
                                                                         const char* version,
                                                                         const CORBA::AbstractInterfaceDefSeq& bases) {
  return narrowed<CORBA::AbstractInterfaceDef>(
      create_member(access::Kind::Interface, id, name, version, [&](auto& d) {
        d.is_abstract = true;
        d.bases = base_arguments(context_, bases);
        check_bases(context_, d);
      }));
}

CORBA::ExceptionDef_ptr ContainerPart::create_exception(const char* id, const char* name, const char* version,
                                                        const CORBA::StructMemberSeq& members) {
  return narrowed<CORBA::ExceptionDef>(create_member(access::Kind::Exception, id, name, version, [&](auto& d) {
    d.members = member_arguments(context_, members);
  }));
}

}  // namespace irstore::serve

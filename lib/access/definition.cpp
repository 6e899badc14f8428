#include "definition.h"


namespace irstore::access {

namespace {

TypeUse type_use(const IRType& type) { return {type.spelling, type.references}; }

std::vector<Member> members_of(const std::vector<IRMember>& members) {
  std::vector<Member> result;
  result.reserve(members.size());
  for (const IRMember& member : members) result.push_back({member.name, type_use(member.type)});
  return result;
}

void fill_state(CORBA_Contained_Impl& object, Definition& d) {
  if (auto* i = dynamic_cast<CORBA_InterfaceDef_Impl*>(&object)) {
    d.bases = i->base_interfaces;
    d.is_abstract = i->is_abstract;
    d.is_local = i->is_local;
  } else if (auto* o = dynamic_cast<CORBA_OperationDef_Impl*>(&object)) {
    d.type = type_use(o->result);
    d.oneway = o->oneway;
    for (const IRParameter& p : o->parameters) {
      d.parameters.push_back({p.name, type_use(p.type), static_cast<ParameterMode>(p.mode)});
    }
    d.exceptions = o->exceptions;
    d.contexts = o->contexts;
  } else if (auto* a = dynamic_cast<CORBA_AttributeDef_Impl*>(&object)) {
    d.type = type_use(a->type);
    d.readonly = a->readonly;
  } else if (auto* c = dynamic_cast<CORBA_ConstantDef_Impl*>(&object)) {
    d.type = type_use(c->type);
    d.value = c->value;
  } else if (auto* e = dynamic_cast<CORBA_ExceptionDef_Impl*>(&object)) {
    d.members = members_of(e->members);
  } else if (auto* t = dynamic_cast<CORBA_AliasDef_Impl*>(&object)) {
    d.type = type_use(t->original_type);
  } else if (auto* s = dynamic_cast<CORBA_StructDef_Impl*>(&object)) {
    d.members = members_of(s->members);
  } else if (auto* u = dynamic_cast<CORBA_UnionDef_Impl*>(&object)) {
    d.type = type_use(u->discriminator_type);
    for (const IRUnionMember& m : u->members) d.cases.push_back({m.label, m.name, type_use(m.type)});
  } else if (auto* n = dynamic_cast<CORBA_EnumDef_Impl*>(&object)) {
    d.enumerators = n->members;
  }
}

// The kinds the access interface names; the rest read as Kind::None.
constexpr Kind kKnownKinds[] = {Kind::Attribute, Kind::Constant, Kind::Exception, Kind::Interface,
                                Kind::Module,    Kind::Operation, Kind::Alias,    Kind::Struct,
                                Kind::Union,     Kind::Enum,      Kind::Repository};

}  // namespace

Kind kind_from(CORBA::DefinitionKind kind) {
  for (Kind known : kKnownKinds) {
    if (static_cast<int>(known) == static_cast<int>(kind)) return known;
  }
  return Kind::None;
}

CORBA::DefinitionKind kind_to(Kind kind) { return static_cast<CORBA::DefinitionKind>(static_cast<int>(kind)); }

Definition definition_of(CORBA_Contained_Impl& object) {
  Definition d;
  d.kind = kind_from(object.def_kind());
  d.id = object.repository_id();
  d.name = object.simple_name();
  d.version = object.version_text();
  fill_state(object, d);
  return d;
}

}  // namespace irstore::access

#include "definition.h"

namespace irstore::access {

namespace {

TypeUse type_use(const IRType& type) { return {type.spelling, type.references}; }
IRType ir_type(const TypeUse& use) { return {use.spelling, use.references}; }

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

std::vector<IRMember> ir_members(const std::vector<Member>& members) {
  std::vector<IRMember> result;
  result.reserve(members.size());
  for (const Member& member : members) result.push_back({member.name, ir_type(member.type)});
  return result;
}

template <class Object, class Fill>
ObjectRef made(const Definition& d, Fill fill) {
  auto* object = new Object(d.name.c_str(), d.id.c_str());
  ObjectRef owned(object);
  fill(*object, d);
  return owned;
}

ObjectRef made_object(const Definition& d) {
  switch (d.kind) {
    case Kind::Module:
      return made<CORBA_ModuleDef_Impl>(d, [](auto&, const Definition&) {});
    case Kind::Interface:
      return made<CORBA_InterfaceDef_Impl>(d, [](auto& i, const Definition& d) {
        i.base_interfaces = d.bases;
        i.is_abstract = d.is_abstract;
        i.is_local = d.is_local;
      });
    case Kind::Operation:
      return made<CORBA_OperationDef_Impl>(d, [](auto& o, const Definition& d) {
        o.result = ir_type(d.type);
        o.oneway = d.oneway;
        for (const Parameter& p : d.parameters) {
          o.parameters.push_back({p.name, ir_type(p.type), static_cast<IRParameterMode>(p.mode)});
        }
        o.exceptions = d.exceptions;
        o.contexts = d.contexts;
      });
    case Kind::Attribute:
      return made<CORBA_AttributeDef_Impl>(d, [](auto& a, const Definition& d) {
        a.type = ir_type(d.type);
        a.readonly = d.readonly;
      });
    case Kind::Constant:
      return made<CORBA_ConstantDef_Impl>(d, [](auto& c, const Definition& d) {
        c.type = ir_type(d.type);
        c.value = d.value;
      });
    case Kind::Exception:
      return made<CORBA_ExceptionDef_Impl>(d, [](auto& e, const Definition& d) { e.members = ir_members(d.members); });
    case Kind::Alias:
      return made<CORBA_AliasDef_Impl>(d, [](auto& a, const Definition& d) { a.original_type = ir_type(d.type); });
    case Kind::Struct:
      return made<CORBA_StructDef_Impl>(d, [](auto& s, const Definition& d) { s.members = ir_members(d.members); });
    case Kind::Union:
      return made<CORBA_UnionDef_Impl>(d, [](auto& u, const Definition& d) {
        u.discriminator_type = ir_type(d.type);
        for (const UnionCase& c : d.cases) u.members.push_back({c.name, c.label, ir_type(c.type)});
      });
    case Kind::Enum:
      return made<CORBA_EnumDef_Impl>(d, [](auto& e, const Definition& d) { e.members = d.enumerators; });
    default:
      throw Error(Error::Reason::BadInput, "no definition is of kind " + std::to_string(static_cast<int>(d.kind)));
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

ObjectRef object_of(const Definition& definition) {
  ObjectRef object = made_object(definition);
  object->set_version(definition.version.c_str());
  return object;
}

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

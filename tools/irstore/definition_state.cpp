#include "definition_state.h"

#include <algorithm>

namespace {

template <class T>
ObjectRef make(const IdlDefinition& d, const std::function<void(T&)>& fill = nullptr) {
  auto* object = new T(d.name.c_str(), d.repid.c_str());
  ObjectRef owned(object);
  if (fill) fill(*object);
  return owned;
}

}  // namespace

ObjectRef make_definition(const IdlDefinition& d) {
  switch (d.kind) {
    case CORBA::dk_Module:
      return make<CORBA_ModuleDef_Impl>(d);
    case CORBA::dk_Interface:
      return make<CORBA_InterfaceDef_Impl>(d, [&](auto& o) {
        o.base_interfaces = d.bases;
        o.is_abstract = d.is_abstract;
        o.is_local = d.is_local;
      });
    case CORBA::dk_Operation:
      return make<CORBA_OperationDef_Impl>(d, [&](auto& o) {
        o.result = d.type;
        o.oneway = d.oneway;
        o.parameters = d.parameters;
        o.exceptions = d.raises;
        o.contexts = d.contexts;
      });
    case CORBA::dk_Attribute:
      return make<CORBA_AttributeDef_Impl>(d, [&](auto& o) {
        o.type = d.type;
        o.readonly = d.readonly;
      });
    case CORBA::dk_Constant:
      return make<CORBA_ConstantDef_Impl>(d, [&](auto& o) {
        o.type = d.type;
        o.value = d.value;
      });
    case CORBA::dk_Exception:
      return make<CORBA_ExceptionDef_Impl>(d, [&](auto& o) { o.members = d.members; });
    case CORBA::dk_Alias:
      return make<CORBA_AliasDef_Impl>(d, [&](auto& o) { o.original_type = d.type; });
    case CORBA::dk_Struct:
      return make<CORBA_StructDef_Impl>(d, [&](auto& o) { o.members = d.members; });
    case CORBA::dk_Union:
      return make<CORBA_UnionDef_Impl>(d, [&](auto& o) {
        o.discriminator_type = d.type;
        o.members = d.cases;
      });
    case CORBA::dk_Enum:
      return make<CORBA_EnumDef_Impl>(d, [&](auto& o) { o.members = d.enumerators; });
    default:
      return nullptr;
  }
}

void visit_types(CORBA_Contained_Impl& object, const std::function<void(IRType&)>& visit) {
  if (auto* o = dynamic_cast<CORBA_OperationDef_Impl*>(&object)) {
    visit(o->result);
    for (IRParameter& parameter : o->parameters) visit(parameter.type);
  } else if (auto* a = dynamic_cast<CORBA_AttributeDef_Impl*>(&object)) {
    visit(a->type);
  } else if (auto* c = dynamic_cast<CORBA_ConstantDef_Impl*>(&object)) {
    visit(c->type);
  } else if (auto* e = dynamic_cast<CORBA_ExceptionDef_Impl*>(&object)) {
    for (IRMember& member : e->members) visit(member.type);
  } else if (auto* t = dynamic_cast<CORBA_AliasDef_Impl*>(&object)) {
    visit(t->original_type);
  } else if (auto* s = dynamic_cast<CORBA_StructDef_Impl*>(&object)) {
    for (IRMember& member : s->members) visit(member.type);
  } else if (auto* u = dynamic_cast<CORBA_UnionDef_Impl*>(&object)) {
    visit(u->discriminator_type);
    for (IRUnionMember& member : u->members) visit(member.type);
  }
}

void visit_ids(CORBA_Contained_Impl& object, const std::function<void(std::string&)>& visit) {
  visit_types(object, [&](IRType& type) {
    for (std::string& repid : type.references) visit(repid);
  });
  if (auto* o = dynamic_cast<CORBA_OperationDef_Impl*>(&object)) {
    for (std::string& repid : o->exceptions) visit(repid);
  } else if (auto* i = dynamic_cast<CORBA_InterfaceDef_Impl*>(&object)) {
    for (std::string& repid : i->base_interfaces) visit(repid);
  }
}

std::vector<std::string> referenced_ids(CORBA_Contained_Impl& object) {
  std::vector<std::string> ids;
  auto add = [&](const std::string& repid) {
    if (std::find(ids.begin(), ids.end(), repid) == ids.end()) ids.push_back(repid);
  };
  visit_types(object, [&](IRType& type) {
    for (const std::string& repid : type.references) add(repid);
  });
  if (auto* o = dynamic_cast<CORBA_OperationDef_Impl*>(&object)) {
    for (const std::string& repid : o->exceptions) add(repid);
  }
  return ids;
}

bool rename_scoped_names(CORBA_Contained_Impl& object, const std::map<std::string, std::string>& renamed) {
  bool changed = false;
  visit_types(object, [&](IRType& type) { changed |= rename_scoped_names_in(type.spelling, renamed); });
  if (auto* c = dynamic_cast<CORBA_ConstantDef_Impl*>(&object)) {
    // A quoted value is text, not a name.
    if (!c->value.empty() && c->value[0] != '"' && c->value[0] != '\'' && c->value[0] != 'L') {
      changed |= rename_scoped_names_in(c->value, renamed);
    }
  } else if (auto* u = dynamic_cast<CORBA_UnionDef_Impl*>(&object)) {
    for (IRUnionMember& member : u->members) {
      if (member.label.rfind("::", 0) == 0) changed |= rename_scoped_names_in(member.label, renamed);
    }
  }
  return changed;
}

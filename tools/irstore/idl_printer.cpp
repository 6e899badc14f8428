#include "idl_printer.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "definition_state.h"
#include "kinds.h"

namespace {

std::string pad(int depth) { return std::string(static_cast<std::size_t>(depth) * 2, ' '); }

// Containers list their members in this order of kinds, then by name,
// unless a member needs another one before it.
int rank(CORBA::DefinitionKind kind) {
  switch (kind) {
    case CORBA::dk_Constant: return 1;
    case CORBA::dk_Alias:
    case CORBA::dk_Struct:
    case CORBA::dk_Union:
    case CORBA::dk_Enum: return 2;
    case CORBA::dk_Exception: return 3;
    case CORBA::dk_Interface: return 4;
    case CORBA::dk_Attribute: return 5;
    case CORBA::dk_Module: return 7;  // nested modules use what stands before them
    default: return 6;
  }
}

const char* mode_word(IRParameterMode mode) {
  switch (mode) {
    case IRParameterMode::Out: return "out";
    case IRParameterMode::InOut: return "inout";
    default: return "in";
  }
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string declarator(const std::string& spelling, const std::string& name) {
  int depth = 0;
  for (std::size_t i = 0; i < spelling.size(); ++i) {
    if (spelling[i] == '<') ++depth;
    if (spelling[i] == '>') --depth;
    if (spelling[i] == '[' && depth == 0) return spelling.substr(0, i) + " " + name + spelling.substr(i);
  }
  return spelling + " " + name;
}

std::vector<std::string> IdlPrinter::needs(CORBA_Contained_Impl& object) {
  std::vector<std::string> result;
  // An interface used as a type needs no definition before the use; a base does.
  for (const std::string& repid : referenced_ids(object)) {
    if (repository_.kind_of(repid) != CORBA::dk_Interface) result.push_back(repid);
  }
  if (auto* interface = dynamic_cast<CORBA_InterfaceDef_Impl*>(&object)) {
    result.insert(result.end(), interface->base_interfaces.begin(), interface->base_interfaces.end());
  }
  CORBA::DefinitionKind kind = object.def_kind();
  if (kind == CORBA::dk_Module || kind == CORBA::dk_Interface || kind == CORBA::dk_Struct ||
      kind == CORBA::dk_Union || kind == CORBA::dk_Exception) {
    for (const ObjectRef& member : repository_.members(object.repository_id())) {
      std::vector<std::string> inner = needs(*member);
      result.insert(result.end(), inner.begin(), inner.end());
    }
  }
  return result;
}

std::string IdlPrinter::scoped_or_id(const std::string& repid) {
  if (repository_.kind_of(repid) == CORBA::dk_none) return "/* not stored: " + repid + " */";
  return names_.scoped(repid);
}

std::string IdlPrinter::print(const std::string& repid) {
  std::string out;
  if (repid == Repository::kRootId) {
    out += "// the repository's top level\n";
    contents(repid, 0, out);
    return out;
  }
  std::optional<std::string> container = repository_.container_of(repid);
  out += "// " + repid;
  if (container && *container != Repository::kRootId) out += ", in " + names_.scoped(*container);
  out += "\n";
  ObjectRef object = repository_.object(repid);
  definition(*object, 0, out);
  return out;
}

void IdlPrinter::contents(const std::string& container, int depth, std::string& out) {
  std::vector<ObjectRef> members = repository_.members(container);
  std::sort(members.begin(), members.end(), [](const ObjectRef& a, const ObjectRef& b) {
    int ra = rank(a->def_kind()), rb = rank(b->def_kind());
    return ra != rb ? ra < rb : a->simple_name() < b->simple_name();
  });
  // What a member (or anything in it) uses or derives from comes before
  // it, where both are in this container and no cycle stands in the way.
  std::vector<std::string> scoped;
  for (const ObjectRef& member : members) scoped.push_back(names_.scoped(member->repository_id()));
  auto member_holding = [&](const std::string& repid) -> std::optional<std::size_t> {
    if (repository_.kind_of(repid) == CORBA::dk_none) return std::nullopt;
    std::string name = names_.scoped(repid);
    for (std::size_t j = 0; j < members.size(); ++j) {
      if (name == scoped[j] || name.rfind(scoped[j] + "::", 0) == 0) return j;
    }
    return std::nullopt;
  };
  std::vector<int> state(members.size(), 0);  // 0 new, 1 being placed, 2 placed
  std::function<void(std::size_t)> place = [&](std::size_t i) {
    if (state[i] != 0) return;
    state[i] = 1;
    std::vector<std::size_t> first;
    for (const std::string& repid : needs(*members[i])) {
      std::optional<std::size_t> j = member_holding(repid);
      if (j && *j != i) first.push_back(*j);
    }
    std::sort(first.begin(), first.end());
    for (std::size_t j : first) place(j);
    state[i] = 2;
    definition(*members[i], depth, out);
  };
  for (std::size_t i = 0; i < members.size(); ++i) place(i);
}

void IdlPrinter::definition(CORBA_Contained_Impl& object, int depth, std::string& out) {
  const std::string indent = pad(depth);
  const std::string& name = object.simple_name();
  const std::string& repid = object.repository_id();

  if (dynamic_cast<CORBA_ModuleDef_Impl*>(&object)) {
    out += indent + "module " + name + " {\n";
    contents(repid, depth + 1, out);
    out += indent + "};\n";
  } else if (auto* i = dynamic_cast<CORBA_InterfaceDef_Impl*>(&object)) {
    out += indent + (i->is_abstract ? "abstract " : i->is_local ? "local " : "") + "interface " + name;
    for (std::size_t b = 0; b < i->base_interfaces.size(); ++b) {
      out += (b == 0 ? " : " : ", ") + scoped_or_id(i->base_interfaces[b]);
    }
    out += " {\n";
    contents(repid, depth + 1, out);
    out += indent + "};\n";
  } else if (auto* o = dynamic_cast<CORBA_OperationDef_Impl*>(&object)) {
    out += indent + (o->oneway ? "oneway " : "") + o->result.spelling + " " + name + "(";
    for (std::size_t p = 0; p < o->parameters.size(); ++p) {
      const IRParameter& parameter = o->parameters[p];
      out += (p ? ", " : "") + std::string(mode_word(parameter.mode)) + " " +
             declarator(parameter.type.spelling, parameter.name);
    }
    out += ")";
    for (std::size_t e = 0; e < o->exceptions.size(); ++e) {
      out += (e == 0 ? " raises (" : ", ") + scoped_or_id(o->exceptions[e]);
    }
    if (!o->exceptions.empty()) out += ")";
    for (std::size_t c = 0; c < o->contexts.size(); ++c) out += (c == 0 ? " context (" : ", ") + quoted(o->contexts[c]);
    if (!o->contexts.empty()) out += ")";
    out += ";\n";
  } else if (auto* a = dynamic_cast<CORBA_AttributeDef_Impl*>(&object)) {
    out += indent + (a->readonly ? "readonly " : "") + "attribute " + declarator(a->type.spelling, name) + ";\n";
  } else if (auto* c = dynamic_cast<CORBA_ConstantDef_Impl*>(&object)) {
    out += indent + "const " + c->type.spelling + " " + name + " = " + c->value + ";\n";
  } else if (auto* t = dynamic_cast<CORBA_AliasDef_Impl*>(&object)) {
    out += indent + "typedef " + declarator(t->original_type.spelling, name) + ";\n";
  } else if (auto* s = dynamic_cast<CORBA_StructDef_Impl*>(&object)) {
    out += indent + "struct " + name + " {\n";
    contents(repid, depth + 1, out);
    for (const IRMember& member : s->members) out += pad(depth + 1) + declarator(member.type.spelling, member.name) + ";\n";
    out += indent + "};\n";
  } else if (auto* e = dynamic_cast<CORBA_ExceptionDef_Impl*>(&object)) {
    out += indent + "exception " + name + " {";
    if (e->members.empty()) {
      out += "};\n";
    } else {
      out += "\n";
      contents(repid, depth + 1, out);
      for (const IRMember& member : e->members) out += pad(depth + 1) + declarator(member.type.spelling, member.name) + ";\n";
      out += indent + "};\n";
    }
  } else if (auto* u = dynamic_cast<CORBA_UnionDef_Impl*>(&object)) {
    out += indent + "union " + name + " switch (" + u->discriminator_type.spelling + ") {\n";
    contents(repid, depth + 1, out);
    // Labels of one member are written one above the other.
    for (std::size_t m = 0; m < u->members.size(); ++m) {
      const IRUnionMember& member = u->members[m];
      out += pad(depth + 1) + (member.label == "default" ? "default:" : "case " + member.label + ":");
      bool more = m + 1 < u->members.size() && u->members[m + 1].name == member.name &&
                  u->members[m + 1].type == member.type;
      if (more) {
        out += '\n';
      } else {
        out += ' ';
        out += declarator(member.type.spelling, member.name) + ";\n";
      }
    }
    out += indent + "};\n";
  } else if (auto* n = dynamic_cast<CORBA_EnumDef_Impl*>(&object)) {
    out += indent + "enum " + name + " { ";
    for (std::size_t m = 0; m < n->members.size(); ++m) out += (m ? ", " : "") + n->members[m];
    out += " };\n";
  } else {
    out += indent + "// " + kind_word(object.def_kind()) + " " + name + "\n";
  }
}

#include "idl_rules.h"

#include <algorithm>
#include <map>
#include <set>

#include "arguments.h"
#include "kinds.h"
#include "minor_codes.h"

namespace irstore::serve {

namespace {

[[noreturn]] void bad_param(CORBA::ULong minor) { throw CORBA::BAD_PARAM(minor, CORBA::COMPLETED_NO); }

// The interface's bases and theirs, each once, breadth first.
std::vector<std::string> all_bases(ServeContext& context, const std::vector<std::string>& direct) {
  std::vector<std::string> bases = direct;
  for (std::size_t i = 0; i < bases.size(); ++i) {
    for (const std::string& next : context.store.related(bases[i]).bases) {
      if (std::find(bases.begin(), bases.end(), next) == bases.end()) bases.push_back(next);
    }
  }
  return bases;
}

bool is_feature_named(ServeContext& context, const std::string& interface, const std::string& name,
                      const std::string& except) {
  std::optional<access::Definition> found = context.store.member_named(interface, name);
  return found && found->id != except && is_feature(found->kind);
}

}  // namespace

void check_member(ServeContext& context, const access::Definition& container, access::Kind kind,
                  const std::string& name, const std::string& except) {
  if (!may_contain(container.kind, kind)) bad_param(minor::kInvalidContainer);
  std::optional<access::Definition> taken = context.store.member_named(container.id, name);
  if (taken && taken->id != except) bad_param(minor::kNameTaken);
  if (container.kind != access::Kind::Interface || !is_feature(kind)) return;
  for (const std::string& base : all_bases(context, container.bases)) {
    if (is_feature_named(context, base, name, except)) bad_param(minor::kInheritedNameClash);
  }
  // Below it: the interfaces derived from it, and their other bases.
  if (context.store.name_used_below(container.id, name)) bad_param(minor::kInheritedNameClash);
}

void check_bases(ServeContext& context, const access::Definition& interface) {
  bool stored = context.store.kind_of(interface.id) == access::Kind::Interface;
  for (const std::string& base : interface.bases) {
    if (base == interface.id || (stored && context.store.inherits_from(base, interface.id))) {
      throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);  // it would derive from itself
    }
    if (interface.is_abstract && !context.store.related(base).is_abstract) bad_param(minor::kAbstractBaseOnly);
  }
  std::map<std::string, std::string> features;  // name -> repository id
  auto add = [&](const access::Definition& feature) {
    auto [at, added] = features.emplace(feature.name, feature.id);
    if (!added && at->second != feature.id) bad_param(minor::kInheritedNameClash);
  };
  if (stored) {
    for (const access::Definition& member : context.store.members(interface.id)) {
      if (is_feature(member.kind)) add(member);
    }
  }
  for (const std::string& base : all_bases(context, interface.bases)) {
    for (const access::Definition& member : context.store.members(base)) {
      if (is_feature(member.kind)) add(member);
    }
  }
}

void check_oneway(const access::Definition& operation) {
  if (!operation.oneway) return;
  bool in_only = std::all_of(operation.parameters.begin(), operation.parameters.end(),
                             [](const access::Parameter& p) { return p.mode == access::ParameterMode::In; });
  if (operation.type.spelling != "void" || !in_only || !operation.exceptions.empty()) {
    throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  }
}

void check_alias_type(ServeContext& context, const access::Definition& alias) {
  std::set<std::string> seen;
  std::vector<std::string> pending = alias.type.references;
  while (!pending.empty()) {
    std::string id = std::move(pending.back());
    pending.pop_back();
    if (id == alias.id) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
    if (!seen.insert(id).second) continue;
    access::Definition used = context.store.related(id);
    if (used.kind != access::Kind::Alias) continue;
    pending.insert(pending.end(), used.type.references.begin(), used.type.references.end());
  }
}

void check_literal_users(ServeContext& context, const std::string& type) {
  for (const std::string& id : context.store.removed_with(type)) {
    access::Definition user = context.store.related(id);
    if (user.kind == access::Kind::Constant) {
      literal_as(context, user.value, user.type, 0);
    } else if (user.kind == access::Kind::Union) {
      check_discriminator(context, user.type);
      for (const access::UnionCase& c : user.cases) {
        if (c.label != "default") literal_as(context, c.label, user.type, minor::kIncompatibleLabel);
      }
    }
  }
}

void check_destroyable(ServeContext& context, const std::string& id) {
  std::set<std::string> held = {id};
  std::vector<std::string> pending = {id};
  while (!pending.empty()) {
    std::string container = std::move(pending.back());
    pending.pop_back();
    for (const access::Definition& member : context.store.members(container)) {
      if (held.insert(member.id).second) pending.push_back(member.id);
    }
  }
  for (const std::string& removed : context.store.removed_with(id)) {
    if (!held.contains(removed)) {
      throw CORBA::BAD_INV_ORDER(minor::kDependencyPreventsDestruction, CORBA::COMPLETED_NO);
    }
  }
}

access::Definition container_argument(ServeContext& context, CORBA::Container_ptr container) {
  std::optional<std::pair<ObjectKind, std::string>> identity = context.adapters.identify(container);
  if (!identity) bad_param(minor::kInvalidContainer);
  std::optional<access::Definition> found = context.store.find(identity->second);
  bool stored_container = found && (found->kind == access::Kind::Repository || is_container(found->kind));
  if (!stored_container) bad_param(minor::kInvalidContainer);
  return std::move(*found);
}

}  // namespace irstore::serve

#include "renaming.h"

#include <set>

#include "uses.h"

namespace irstore::access {

namespace {

// Deeper than any IDL nests: a container chain this long loops.
constexpr int kDeepestNesting = 1000;

std::string scope_of(const std::string& scoped) { return scoped.substr(0, scoped.rfind("::")); }

}  // namespace

std::string scoped_name(Store::Impl& store, const std::string& id) {
  std::string name;
  std::optional<std::string> at = id;
  for (int depth = 0; at && *at != Store::kRootId; ++depth, at = store.container_of(*at)) {
    if (depth == kDeepestNesting) throw IRStore::IncoherentIR();
    CorbaString simple(store.store->name_from_ID(handle(*at).get()));
    name = "::" + std::string(simple.get()) + name;
  }
  return name;
}

Renaming::Renaming(Store::Impl& store, const std::string& id, const std::string& new_scoped_name)
    : store_(store) {
  std::string old_scoped_name = scoped_name(store, id);
  if (old_scoped_name == new_scoped_name) return;
  collect(id, old_scoped_name, new_scoped_name);
  // An enum's enumerators are named in the scope that holds the enum.
  ObjectRef top = store.object(id);
  if (top && top->def_kind() == CORBA::dk_Enum) {
    collect_enumerators(definition_of(*top), scope_of(old_scoped_name), scope_of(new_scoped_name));
  }
}

void Renaming::collect(const std::string& id, const std::string& old_name, const std::string& new_name) {
  renamed_ids_.push_back(id);
  renamed_[old_name] = new_name;
  for (const ObjectRef& member : store_.members(id)) {
    Definition d = definition_of(*member);
    collect(d.id, old_name + "::" + d.name, new_name + "::" + d.name);
    if (d.kind == Kind::Enum) collect_enumerators(d, old_name, new_name);
  }
}

void Renaming::collect_enumerators(const Definition& enumeration, const std::string& old_scope,
                                   const std::string& new_scope) {
  for (const std::string& enumerator : enumeration.enumerators) {
    renamed_[old_scope + "::" + enumerator] = new_scope + "::" + enumerator;
  }
}

void Renaming::respell_users() {
  std::set<std::string> users;
  for (const std::string& id : renamed_ids_) {
    for (std::string& user : store_.referrers(id)) users.insert(std::move(user));
  }
  for (const std::string& user : users) {
    ObjectRef stored = store_.object(user);
    if (!stored) throw IRStore::IncoherentIR();  // a reference row names it
    Definition d = definition_of(*stored);
    stored.reset();  // the new state must not meet the old object in the cache
    if (respell(d, renamed_)) store_.store->update_stream(object_of(d).get());
  }
}

}  // namespace irstore::access

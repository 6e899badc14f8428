#include "uses.h"

#include <algorithm>
#include <map>

#include <qelorirm/definitions.h>

namespace irstore::access {

namespace {

// Definition or const Definition.
template <class D, class Visit>
void visit_types(D& d, Visit visit) {
  visit(d.type);  // unused kinds leave it empty
  for (auto& parameter : d.parameters) visit(parameter.type);
  for (auto& member : d.members) visit(member.type);
  for (auto& c : d.cases) visit(c.type);
}

void add_once(std::vector<std::string>& ids, const std::string& id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

// A scoped name is a literal's whole text: quoted ones are text.
bool names_something(const std::string& literal) { return literal.rfind("::", 0) == 0; }

bool replace_in(std::vector<std::string>& ids, const std::string& old_id, const std::string& new_id) {
  bool changed = false;
  for (std::string& id : ids) {
    if (id == old_id) {
      id = new_id;
      changed = true;
    }
  }
  return changed;
}

}  // namespace

std::vector<std::string> referenced_ids(const Definition& d) {
  std::vector<std::string> ids;
  visit_types(d, [&](const TypeUse& type) {
    for (const std::string& id : type.references) add_once(ids, id);
  });
  for (const std::string& id : d.exceptions) add_once(ids, id);
  return ids;
}

bool respell(Definition& d, const std::map<std::string, std::string>& renamed) {
  bool changed = false;
  visit_types(d, [&](TypeUse& type) { changed |= rename_scoped_names_in(type.spelling, renamed); });
  if (names_something(d.value)) changed |= rename_scoped_names_in(d.value, renamed);
  for (UnionCase& c : d.cases) {
    if (names_something(c.label)) changed |= rename_scoped_names_in(c.label, renamed);
  }
  return changed;
}

bool replace_id(Definition& d, const std::string& old_id, const std::string& new_id) {
  bool changed = false;
  visit_types(d, [&](TypeUse& type) { changed |= replace_in(type.references, old_id, new_id); });
  changed |= replace_in(d.exceptions, old_id, new_id);
  changed |= replace_in(d.bases, old_id, new_id);
  return changed;
}

}  // namespace irstore::access

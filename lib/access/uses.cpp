#include "uses.h"

#include <algorithm>

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

bool is_name_character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == ':';
}

bool rename_tokens(std::string& text, const std::map<std::string, std::string>& renamed) {
  std::string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size();) {
    if (!is_name_character(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && is_name_character(text[end])) ++end;
    auto found = renamed.find(text.substr(i, end - i));
    changed |= found != renamed.end();
    out += found != renamed.end() ? found->second : text.substr(i, end - i);
    i = end;
  }
  if (changed) text = out;
  return changed;
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
  visit_types(d, [&](TypeUse& type) { changed |= rename_tokens(type.spelling, renamed); });
  if (names_something(d.value)) changed |= rename_tokens(d.value, renamed);
  for (UnionCase& c : d.cases) {
    if (names_something(c.label)) changed |= rename_tokens(c.label, renamed);
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

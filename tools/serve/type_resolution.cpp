#include "type_resolution.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "names.h"

namespace irstore::serve {

namespace {

void collect_names(const TypeTree& tree, std::vector<std::string>& names) {
  if (tree.form == TypeTree::Form::Named) {
    if (std::find(names.begin(), names.end(), tree.word) == names.end()) names.push_back(tree.word);
  } else if (tree.element) {
    collect_names(*tree.element, names);
  }
}

TypeTree with_ids(const TypeTree& tree, const std::map<std::string, std::string>& ids) {
  TypeTree resolved = tree;
  if (tree.form == TypeTree::Form::Named) resolved.id = ids.at(tree.word);
  if (tree.element) resolved.element = std::make_shared<const TypeTree>(with_ids(*tree.element, ids));
  return resolved;
}

}  // namespace

TypeTree resolved_type(ServedStore& store, const access::TypeUse& use) {
  TypeTree tree;
  try {
    tree = parse_spelling(use.spelling);
  } catch (const std::invalid_argument& e) {
    repository_failure(e.what());
  }
  std::vector<std::string> names;
  collect_names(tree, names);
  std::map<std::string, std::string> ids;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names.size() == use.references.size()) {
      ids[names[i]] = use.references[i];
    } else if (std::optional<access::Definition> found = lookup_scoped(store, access::Store::kRootId, names[i])) {
      ids[names[i]] = found->id;
    } else {
      repository_failure("the type " + names[i] + " is not kept in the repository");
    }
  }
  return with_ids(tree, ids);
}

}  // namespace irstore::serve

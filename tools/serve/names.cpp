#include "names.h"

#include <vector>

#include "minor_codes.h"

namespace irstore::serve {

namespace {

// Deeper than any IDL nests: a container chain this long loops.
constexpr int kDeepestNesting = 1000;

// A direct member, or for an interface one that it inherits.
std::optional<access::Definition> member_in(ServedStore& store, const std::string& container,
                                            const std::string& name) {
  if (std::optional<access::Definition> own = store.member_named(container, name)) return own;
  if (store.kind_of(container) != access::Kind::Interface) return std::nullopt;
  std::vector<access::Definition> inherited = store.lookup_name(container, name, 1, access::Kind::All, false);
  if (inherited.empty()) return std::nullopt;
  return std::move(inherited.front());
}

std::vector<std::string> identifiers_of(const std::string& scoped_name) {
  std::vector<std::string> identifiers;
  std::size_t start = scoped_name.rfind("::", 0) == 0 ? 2 : 0;
  while (true) {
    std::size_t end = scoped_name.find("::", start);
    identifiers.push_back(scoped_name.substr(start, end == std::string::npos ? end : end - start));
    check_identifier(identifiers.back());
    if (end == std::string::npos) return identifiers;
    start = end + 2;
  }
}

}  // namespace

void check_identifier(const std::string& name) {
  bool valid = !name.empty();
  for (unsigned char c : name) valid = valid && c > ' ' && c != 0x7f && c != ':';
  if (!valid) throw CORBA::BAD_PARAM(minor::kInvalidName, CORBA::COMPLETED_NO);
}

std::string absolute_name(ServedStore& store, const access::Definition& definition) {
  std::string name = "::" + definition.name;
  std::optional<std::string> container = store.container_of(definition.id);
  for (int depth = 0; container && *container != access::Store::kRootId; ++depth) {
    if (depth == kDeepestNesting) repository_failure("the containers of " + definition.id + " form a loop");
    name = "::" + store.related(*container).name + name;
    container = store.container_of(*container);
  }
  return name;
}

std::optional<access::Definition> lookup_scoped(ServedStore& store, const std::string& container,
                                                const std::string& scoped_name) {
  std::vector<std::string> identifiers = identifiers_of(scoped_name);
  bool absolute = scoped_name.rfind("::", 0) == 0;
  std::string scope = absolute ? access::Store::kRootId : container;
  std::optional<access::Definition> found = member_in(store, scope, identifiers.front());
  // IDL looks for the first identifier in the enclosing scopes too.
  for (int depth = 0; !found && !absolute && scope != access::Store::kRootId; ++depth) {
    std::optional<std::string> enclosing = store.container_of(scope);
    if (!enclosing || depth == kDeepestNesting) break;
    scope = *enclosing;
    found = member_in(store, scope, identifiers.front());
  }
  for (std::size_t i = 1; found && i < identifiers.size(); ++i) found = member_in(store, found->id, identifiers[i]);
  return found;
}

}  // namespace irstore::serve

#include "declaration_order.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "kinds.h"

namespace irstore::serve {

namespace {

int rank(access::Kind kind) {
  switch (kind) {
    case access::Kind::Constant: return 1;
    case access::Kind::Alias:
    case access::Kind::Struct:
    case access::Kind::Union:
    case access::Kind::Enum: return 2;
    case access::Kind::Exception: return 3;
    case access::Kind::Interface: return 4;
    case access::Kind::Attribute: return 5;
    case access::Kind::Module: return 7;  // nested modules use what stands before them
    default: return 6;
  }
}

// The repository ids the definition's own state names.
std::vector<std::string> named_ids(const access::Definition& d) {
  std::vector<std::string> ids = d.type.references;
  auto add = [&](const std::vector<std::string>& more) { ids.insert(ids.end(), more.begin(), more.end()); };
  for (const access::Parameter& parameter : d.parameters) add(parameter.type.references);
  for (const access::Member& member : d.members) add(member.type.references);
  for (const access::UnionCase& c : d.cases) add(c.type.references);
  add(d.exceptions);
  return ids;
}

class Orderer {
 public:
  Orderer(ServedStore& store, const std::string& container, std::vector<access::Definition> members)
      : store_(store), container_(container), members_(std::move(members)), state_(members_.size(), 0) {}

  std::vector<access::Definition> ordered() {
    std::sort(members_.begin(), members_.end(), [](const access::Definition& a, const access::Definition& b) {
      int ra = rank(a.kind), rb = rank(b.kind);
      return ra != rb ? ra < rb : a.name < b.name;
    });
    for (std::size_t i = 0; i < members_.size(); ++i) place(i);
    return std::move(result_);
  }

 private:
  // What the definition, or anything in it, needs declared before it. An
  // interface used as a type needs no definition before the use; a base does.
  std::vector<std::string> needs(const access::Definition& d) {
    std::vector<std::string> result;
    for (const std::string& id : named_ids(d)) {
      if (kind_of(id) != access::Kind::Interface) result.push_back(id);
    }
    result.insert(result.end(), d.bases.begin(), d.bases.end());
    if (is_container(d.kind)) {
      for (const access::Definition& member : store_.members(d.id)) {
        std::vector<std::string> inner = needs(member);
        result.insert(result.end(), inner.begin(), inner.end());
      }
    }
    return result;
  }

  // The member of the container that is, or holds, the definition.
  std::optional<std::size_t> holder(const std::string& id) {
    auto cached = holders_.find(id);
    if (cached != holders_.end()) return cached->second;
    std::optional<std::size_t> found;
    std::optional<std::string> at = id;
    for (int depth = 0; at && *at != access::Store::kRootId && depth < 1000; ++depth) {
      std::optional<std::string> above = store_.container_of(*at);
      if (above == container_) {
        auto member = std::find_if(members_.begin(), members_.end(), [&](const auto& m) { return m.id == *at; });
        if (member != members_.end()) found = static_cast<std::size_t>(member - members_.begin());
        break;
      }
      at = above;
    }
    holders_.emplace(id, found);
    return found;
  }

  access::Kind kind_of(const std::string& id) {
    auto cached = kinds_.find(id);
    if (cached == kinds_.end()) cached = kinds_.emplace(id, store_.kind_of(id)).first;
    return cached->second;
  }

  void place(std::size_t i) {
    if (state_[i] != 0) return;
    state_[i] = 1;  // being placed: a cycle back to it is ignored
    std::vector<std::size_t> first;
    for (const std::string& id : needs(members_[i])) {
      std::optional<std::size_t> j = holder(id);
      if (j && *j != i) first.push_back(*j);
    }
    std::sort(first.begin(), first.end());
    for (std::size_t j : first) place(j);
    state_[i] = 2;
    result_.push_back(members_[i]);
  }

  ServedStore& store_;
  const std::string& container_;
  std::vector<access::Definition> members_;
  std::vector<int> state_;  // 0 new, 1 being placed, 2 placed
  std::vector<access::Definition> result_;
  std::map<std::string, std::optional<std::size_t>> holders_;
  std::map<std::string, access::Kind> kinds_;
};

}  // namespace

std::vector<access::Definition> in_declaration_order(ServedStore& store, const std::string& container,
                                                     std::vector<access::Definition> members) {
  return Orderer(store, container, std::move(members)).ordered();
}

}  // namespace irstore::serve

// The in-memory floor: the same answers from plain maps, without
// persistence. Objects are still rebuilt from their encoded state where the
// store returns objects, so that only the storing is left out.
#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include <qelorirm/definitions.h>

#include "runs.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Row {
  std::string repid;
  std::string name;
  CORBA::DefinitionKind kind;
  std::vector<unsigned char> state;
  std::vector<int> containers, members, bases, derived, references, referrers;
  bool alive = true;
};

class Maps {
 public:
  explicit Maps(const Plan& plan) : plan_(plan) {}

  void create(int index, std::vector<unsigned char> state) {
    const PlannedObject object = plan_.object(index);
    if (rows_.size() <= static_cast<std::size_t>(index)) rows_.resize(static_cast<std::size_t>(index) + 1);
    rows_[static_cast<std::size_t>(index)] = {object.repid, object.name, object.kind, std::move(state), {}, {}, {}, {}, {}, {}, true};
    by_repid_[object.repid] = index;
    by_name_.emplace(object.name, index);
  }
  void relate(int index) {
    const PlannedObject object = plan_.object(index);
    if (object.container >= 0) contain(object.container, index);
    for (int base : object.bases) {
      row(index).bases.push_back(base);
      row(base).derived.push_back(index);
    }
    for (int used : object.references) {
      row(index).references.push_back(used);
      row(used).referrers.push_back(index);
    }
  }
  void contain(int container, int member) {
    row(container).members.push_back(member);
    row(member).containers.push_back(container);
  }
  void uncontain(int container, int member) {
    erase(row(container).members, member);
    erase(row(member).containers, container);
  }

  CORBA_Contained_Impl* object(int index) {
    Row& r = row(index);
    std::vector<unsigned char> bytes = r.state;
    EncapIIOP stream(bytes.data(), static_cast<unsigned>(bytes.size()), ENCAP_READ, 0, 1);
    return make_object(r.kind, r.name.data(), r.repid.data(), stream);
  }
  int find(const std::string& repid) const { return by_repid_.at(repid); }

  std::vector<int> ancestors(int index) {
    return reach(index, [this](int i) -> const std::vector<int>& { return row(i).bases; });
  }
  std::vector<int> descendants(int index, int levels) {
    return reach(index, [this](int i) -> const std::vector<int>& { return row(i).members; }, levels);
  }
  std::vector<int> named(const std::string& name, CORBA::DefinitionKind kind) {
    std::vector<int> found;
    auto [first, last] = by_name_.equal_range(name);
    for (auto it = first; it != last; ++it) {
      if (row(it->second).alive && row(it->second).kind == kind) found.push_back(it->second);
    }
    return found;
  }
  void destroy(int index) {
    std::vector<int> doomed = reach(index, [this](int i) {
      std::vector<int> next = row(i).referrers;
      next.insert(next.end(), row(i).derived.begin(), row(i).derived.end());
      next.insert(next.end(), row(i).members.begin(), row(i).members.end());
      return next;
    });
    doomed.push_back(index);
    for (int d : doomed) {
      Row& r = row(d);
      for (int c : r.containers) erase(row(c).members, d);
      for (int b : r.bases) erase(row(b).derived, d);
      for (int u : r.references) erase(row(u).referrers, d);
      r.alive = false;
      by_repid_.erase(r.repid);
    }
  }
  void rename(int index, const std::string& repid) {
    by_repid_.erase(row(index).repid);
    row(index).repid = repid;
    by_repid_[repid] = index;
  }
  Row& row(int index) { return rows_[static_cast<std::size_t>(index)]; }

 private:
  static void erase(std::vector<int>& list, int value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
  }
  // Breadth first over the relation `next`, each object once, the start
  // excluded unless a cycle leads back to it.
  template <class Next>
  std::vector<int> reach(int start, Next next, int levels = -1) {
    std::vector<int> found;
    std::set<int> seen;
    std::vector<int> frontier{start};
    while (levels != 0 && !frontier.empty()) {
      std::vector<int> following;
      for (int f : frontier) {
        for (int n : next(f)) {
          if (seen.insert(n).second) following.push_back(n);
        }
      }
      found.insert(found.end(), following.begin(), following.end());
      frontier.swap(following);
      if (levels > 0) --levels;
    }
    return found;
  }

  const Plan& plan_;
  std::vector<Row> rows_;
  std::unordered_map<std::string, int> by_repid_;
  std::unordered_multimap<std::string, int> by_name_;
};

struct Release {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};

std::vector<unsigned char> state_of(const Plan& plan, int index) {
  // The state's bytes matter only as bytes to keep and decode again: every
  // object of the plan is encoded as its kind's class with its name.
  const PlannedObject object = plan.object(index);
  std::unique_ptr<CORBA_Contained_Impl, Release> made;
  switch (object.kind) {
    case CORBA::dk_Module: made.reset(new CORBA_ModuleDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
    case CORBA::dk_Interface: made.reset(new CORBA_InterfaceDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
    case CORBA::dk_Operation: made.reset(new CORBA_OperationDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
    case CORBA::dk_Attribute: made.reset(new CORBA_AttributeDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
    case CORBA::dk_Alias: made.reset(new CORBA_AliasDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
    case CORBA::dk_Exception: made.reset(new CORBA_ExceptionDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
    default: made.reset(new CORBA_StructDef_Impl(object.name.c_str(), ("mem:" + object.repid).c_str())); break;
  }
  EncapIIOP stream(ENCAP_WRITE);
  made->object_to_stream(stream);
  unsigned char* bytes;
  unsigned length;
  stream.access_buffer(bytes, length);
  return std::vector<unsigned char>(bytes, bytes + length);
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

template <class Operation>
void time_each(const Plan& plan, RunResults& results, Workload workload, Operation operation) {
  Operands operands = operands_for(plan, workload);
  const std::vector<int>& items = workload == Workload::kObjectFromId ? operands.objects : operands.blocks;
  auto start = Clock::now();
  for (int item : items) operation(item);
  results.add(workload, seconds_since(start), static_cast<long>(items.size()));
}

// Builds every object of a list and gives them up, as a caller of the
// store receiving a sequence would.
void build_all(Maps& maps, const std::vector<int>& indexes) {
  for (int index : indexes) CORBA::release(maps.object(index));
}

}  // namespace

void run_memory(const Plan& plan, RunResults& results) {
  Maps maps(plan);
  double create_seconds = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(plan.size()); ++i) {
    std::vector<unsigned char> state = state_of(plan, static_cast<int>(i));
    auto start = Clock::now();
    maps.create(static_cast<int>(i), std::move(state));
    create_seconds += seconds_since(start);
    maps.relate(static_cast<int>(i));
  }
  results.add(Workload::kCreate, create_seconds, static_cast<long>(static_cast<std::size_t>(plan.size())));

  auto block = [&plan](int b) { return plan.block(b); };
  time_each(plan, results, Workload::kObjectFromId, [&](int o) { CORBA::release(maps.object(o)); });
  time_each(plan, results, Workload::kContents, [&](int b) {
    int interface = block(b).interfaces[1];
    std::vector<int> found = maps.row(interface).members;
    for (int base : maps.ancestors(interface)) {
      for (int member : maps.row(base).members) {
        CORBA::DefinitionKind kind = maps.row(member).kind;
        if (kind == CORBA::dk_Attribute || kind == CORBA::dk_Operation) found.push_back(member);
      }
    }
    build_all(maps, found);
  });
  time_each(plan, results, Workload::kLookupName1, [&](int b) {
    int interface = block(b).interfaces[5];
    std::vector<int> scopes = maps.ancestors(interface);
    scopes.push_back(interface);
    std::vector<int> found;
    for (int scope : scopes) {
      for (int member : maps.row(scope).members) {
        if (maps.row(member).name == kLookupOne) found.push_back(member);
      }
    }
    build_all(maps, found);
  });
  time_each(plan, results, Workload::kLookupNameAll, [&](int b) {
    std::vector<int> found;
    for (int d : maps.descendants(block(b).module, -1)) {
      if (maps.row(d).name == kLookupAll) found.push_back(d);
    }
    build_all(maps, found);
  });
  time_each(plan, results, Workload::kFindObjectsGlobal, [&](int b) {
    build_all(maps, maps.named(struct_name(b, b % 5), CORBA::dk_Struct));
  });
  time_each(plan, results, Workload::kFindObjectsScoped, [&](int b) {
    std::vector<int> found;
    for (int d : maps.descendants(block(b).module, -1)) {
      if (maps.row(d).name == kScopedName && maps.row(d).kind == CORBA::dk_Operation) found.push_back(d);
    }
    build_all(maps, found);
  });
  time_each(plan, results, Workload::kInheritsFrom, [&](int b) {
    std::vector<int> bases = maps.ancestors(block(b).interfaces[9]);
    volatile bool inherits = std::find(bases.begin(), bases.end(), block(b).interfaces[0]) != bases.end();
    (void)inherits;
  });
  auto relation = [&](Workload workload, int operand) {
    Target target = target_of(workload, operand);
    return std::pair{block(target.block).interfaces[target.interface], block(target.block).structs[target.structure]};
  };
  time_each(plan, results, Workload::kAddToBucket, [&](int operand) {
    auto [interface, structure] = relation(Workload::kAddToBucket, operand);
    maps.contain(interface, structure);
  });
  time_each(plan, results, Workload::kRemoveFromBucket, [&](int operand) {
    auto [interface, structure] = relation(Workload::kRemoveFromBucket, operand);
    maps.uncontain(interface, structure);
  });
  {
    auto start = Clock::now();
    for (int victim : plan.victims()) maps.destroy(victim);
    results.add(Workload::kDestroyModule, seconds_since(start), static_cast<long>(plan.victims().size()));
  }
  time_each(plan, results, Workload::kUpdateRepositoryId, [&](int operand) {
    Target target = target_of(Workload::kUpdateRepositoryId, operand);
    int interface = block(target.block).interfaces[target.interface];
    maps.rename(interface, changed_repid(maps.row(interface).repid));
  });
}

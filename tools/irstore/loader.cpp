#include "loader.h"

#include <algorithm>
#include <map>
#include <set>

#include "definition_state.h"
#include "kinds.h"
#include "names.h"
#include "tool_error.h"

namespace {

class UnitLoader {
 public:
  UnitLoader(Repository& repository, const IdlUnit& unit)
      : repository_(repository), unit_(unit), names_(repository) {}

  LoadCounts run() {
    UserTransaction transaction(repository_);
    repository_.ensure_root();
    std::vector<const IdlDefinition*> placed;
    for (const IdlDefinition& definition : unit_.definitions) {
      if (!seen_.insert(definition.repid).second) continue;
      if (guarded(definition, [&] { return place(definition); })) placed.push_back(&definition);
    }
    for (const IdlDefinition* definition : placed) {
      guarded(*definition, [&] {
        relate(*definition);
        return true;
      });
    }
    transaction.commit();
    return counts_;
  }

 private:
  // Runs a step for a definition; a store failure names the definition.
  // A race lost to another writer passes as it is: the unit is loaded again.
  template <class Step>
  bool guarded(const IdlDefinition& d, Step step) {
    try {
      return step();
    } catch (const ToolError&) {
      throw;
    } catch (...) {
      if (lost_race_to_another_writer()) throw;
      fail(d, describe_current_exception());
    }
  }

  // Creates the definition or replaces its state; true when its relations
  // are to be recorded.
  bool place(const IdlDefinition& d) {
    CORBA::DefinitionKind stored = repository_.kind_of(d.repid);
    if (stored == CORBA::dk_none) {
      create(d);
      return !d.forward;
    }
    if (stored != d.kind) {
      fail(d, d.repid + " is stored as " + article(kind_word(stored)) + ", the IDL declares " +
                  article(kind_word(d.kind)));
    }
    if (d.forward) {
      ++counts_.unchanged;
      return false;
    }
    ObjectRef old = repository_.object(d.repid);
    std::string old_state = encoded_state(*old);
    old_references_[d.repid] = referenced_ids(*old);
    old.reset();  // the new state must not meet a live old object in the cache
    ObjectRef fresh = make_definition(d);
    if (encoded_state(*fresh) == old_state) {
      ++counts_.unchanged;
    } else {
      repository_.update_state(*fresh);
      ++counts_.changed;
    }
    return true;
  }

  void create(const IdlDefinition& d) {
    std::string container = d.container.empty() ? Repository::kRootId : d.container;
    CORBA::DefinitionKind container_kind = repository_.kind_of(container);
    if (container_kind == CORBA::dk_none) fail(d, "its container " + container + " is not in the repository");
    if (!may_contain(container_kind, d.kind)) {
      fail(d, "the stored " + kind_word(container_kind) + " " + names_.scoped(container) + " cannot hold " +
                  article(kind_word(d.kind)));
    }
    if (std::optional<std::string> other = repository_.member_named(container, d.name)) {
      fail(d, scoped_name(container, d.name) + " is taken: the repository holds " + *other +
                  " under that name");
    }
    ObjectRef object = make_definition(d);
    repository_.create(*object);
    repository_.contain(d.repid, container);
    ++counts_.created;
  }

  void relate(const IdlDefinition& d) {
    bool existed = old_references_.count(d.repid) != 0;
    if (d.kind == CORBA::dk_Interface) {
      for (const std::string& base : d.bases) {
        if (repository_.kind_of(base) != CORBA::dk_Interface) fail(d, "its base " + base + " is not a stored interface");
        repository_.inherit(d.repid, base);
      }
      if (existed) {
        for (const std::string& base : repository_.parents(d.repid)) {
          if (std::find(d.bases.begin(), d.bases.end(), base) == d.bases.end()) {
            repository_.remove_inheritance(d.repid, base);
          }
        }
      }
    }
    std::vector<std::string> wanted = d.references();
    for (const std::string& referred : wanted) {
      if (repository_.kind_of(referred) == CORBA::dk_none) fail(d, "it uses " + referred + ", which is not in the repository");
      repository_.refer(d.repid, referred);
    }
    if (existed) {
      for (const std::string& referred : old_references_[d.repid]) {
        if (std::find(wanted.begin(), wanted.end(), referred) == wanted.end()) {
          repository_.remove_reference(d.repid, referred);
        }
      }
    }
  }

  std::string scoped_name(const std::string& container, const std::string& name) {
    std::string scope = names_.scoped(container);
    return (scope == "::" ? "" : scope) + "::" + name;
  }

  static std::string article(const std::string& word) {
    bool vowel = !word.empty() && std::string("aeiou").find(word[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + word;
  }

  [[noreturn]] void fail(const IdlDefinition& d, const std::string& message) {
    throw ToolError(d.where.text() + ": " + d.name + ": " + message);
  }

  Repository& repository_;
  const IdlUnit& unit_;
  Names names_;
  LoadCounts counts_;
  std::set<std::string> seen_;
  std::map<std::string, std::vector<std::string>> old_references_;
};

}  // namespace

LoadCounts load_unit(Repository& repository, const IdlUnit& unit) {
  // A load is idempotent: a unit of work that lost a race to another writer
  // (loading the same definitions at the same time) was rolled back, and
  // loaded again it finds what the other one stored.
  constexpr int kAttempts = 5;
  for (int attempt = 1;; ++attempt) {
    try {
      return UnitLoader(repository, unit).run();
    } catch (const ToolError&) {
      throw;
    } catch (...) {
      if (attempt == kAttempts || !lost_race_to_another_writer()) throw;
    }
  }
}

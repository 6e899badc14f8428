#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "arguments.h"
#include "command.h"
#include "definition_state.h"
#include "kinds.h"
#include "names.h"
#include "repository.h"
#include "tool_error.h"

namespace {

// The store keeps names blank-padded and cuts them at the first blank:
// only IDL identifiers survive the round trip.
void check_identifier(const std::string& name) {
  static const std::regex identifier("[A-Za-z_][A-Za-z0-9_]*");
  if (!std::regex_match(name, identifier)) throw ToolError("'" + name + "' is not an IDL identifier");
}

std::string in_scope(const std::string& scope, const std::string& name) {
  return (scope == "::" ? "" : scope) + "::" + name;
}

// The definition and everything nested in it.
void subtree(Repository& repository, const std::string& repid, std::vector<std::string>& out) {
  out.push_back(repid);
  for (const ObjectRef& member : repository.members(repid)) subtree(repository, member->repository_id(), out);
}

// The scoped names a definition and what it holds are known by; an enum's
// enumerators are named in the enum's scope.
std::map<std::string, std::string> names_of(Repository& repository, Names& names,
                                            const std::vector<std::string>& definitions) {
  std::map<std::string, std::string> result;
  for (const std::string& repid : definitions) {
    std::string scoped = names.scoped(repid);
    result[repid + "\n"] = scoped;
    if (repository.kind_of(repid) != CORBA::dk_Enum) continue;
    ObjectRef object = repository.object(repid);
    std::string scope = scoped.substr(0, scoped.rfind("::"));
    for (const std::string& enumerator : dynamic_cast<CORBA_EnumDef_Impl&>(*object).members) {
      result[repid + "\n" + enumerator] = scope + "::" + enumerator;
    }
  }
  return result;
}

// The definitions that use the moved ones spell their types with scoped
// names: they are told the new names.
int respell_users(Repository& repository, const std::vector<std::string>& moved,
                  const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
  std::map<std::string, std::string> renamed;
  for (const auto& [key, old_name] : before) {
    if (after.at(key) != old_name) renamed[old_name] = after.at(key);
  }
  if (renamed.empty()) return 0;
  std::set<std::string> users;
  for (const std::string& repid : moved) {
    for (const std::string& user : repository.referrers(repid)) users.insert(user);
  }
  int updated = 0;
  for (const std::string& user : users) {
    ObjectRef object = repository.object(user);
    if (rename_scoped_names(*object, renamed)) {
      repository.update_state(*object);
      ++updated;
    }
  }
  return updated;
}

}  // namespace

int run_mv(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{nullptr, "--name", true}});
  args.expect_positionals(2, 2, "NAME and SCOPE");
  Repository repository(database_alias(options));
  Names names(repository);
  std::string repid = names.resolve(args.positionals()[0]);
  std::string target = names.resolve(args.positionals()[1]);
  if (repid == Repository::kRootId) throw ToolError("the repository's top level cannot be moved");
  std::string old_name = repository.name_of(repid);
  std::string new_name = args.value("--name").value_or(old_name);
  check_identifier(new_name);
  std::string shown = names.scoped(repid), target_shown = names.scoped(target);

  CORBA::DefinitionKind kind = repository.kind_of(repid), target_kind = repository.kind_of(target);
  if (!may_contain(target_kind, kind)) {
    throw ToolError(target_shown + " (" + kind_word(target_kind) + ") cannot hold " + shown + " (" + kind_word(kind) + ")");
  }
  // Into itself or what it contains would cut it off from the top level.
  for (std::optional<std::string> up = target; up; up = repository.container_of(*up)) {
    if (*up == repid) throw ToolError("cannot move " + shown + " into itself or into what it contains");
  }
  if (std::optional<std::string> other = repository.member_named(target, new_name); other && *other != repid) {
    throw ToolError(in_scope(target_shown, new_name) + " is taken by " + *other);
  }
  std::optional<std::string> current = repository.container_of(repid);
  std::vector<std::string> moved;
  subtree(repository, repid, moved);
  std::map<std::string, std::string> before = names_of(repository, names, moved);

  Update update(repository);
  if (current && *current == target) {
    if (new_name == old_name) throw ToolError(shown + " is in " + target_shown + " already");
    repository.rename(repid, new_name);
  } else {
    repository.move(repid, target, new_name == old_name ? nullptr : new_name.c_str());
  }
  names.forget();
  int updated = respell_users(repository, moved, before, names_of(repository, names, moved));
  update.commit();
  std::printf("Moved %s to %s", shown.c_str(), names.scoped(repid).c_str());
  if (updated) std::printf(" (%d definition%s using it updated)", updated, updated == 1 ? "" : "s");
  std::printf("\n");
  return 0;
}

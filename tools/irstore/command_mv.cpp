#include <cstdio>
#include <regex>
#include <string>

#include "arguments.h"
#include "command.h"
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

  Update update(repository);
  if (current && *current == target) {
    if (new_name == old_name) throw ToolError(shown + " is in " + target_shown + " already");
    repository.rename(repid, new_name);
  } else {
    repository.move(repid, target, new_name == old_name ? nullptr : new_name.c_str());
  }
  update.commit();
  names.forget();
  std::printf("Moved %s to %s\n", shown.c_str(), names.scoped(repid).c_str());
  return 0;
}

#include <cstdio>
#include <string>

#include "arguments.h"
#include "command.h"
#include "definition_state.h"
#include "names.h"
#include "repository.h"
#include "tool_error.h"

int run_rename_id(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {});
  args.expect_positionals(2, 2, "NAME and NEW-ID");
  Repository repository(database_alias(options));
  Names names(repository);
  std::string old_id = names.resolve(args.positionals()[0]);
  const std::string& new_id = args.positionals()[1];
  if (old_id == Repository::kRootId) throw ToolError("the repository's top level keeps its repository id");
  if (new_id.empty()) throw ToolError("the new repository id is empty");
  for (char c : new_id) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) throw ToolError("a repository id holds no blanks or control characters");
  }
  if (new_id == old_id) throw ToolError(names.scoped(old_id) + " has the repository id " + new_id + " already");
  if (repository.kind_of(new_id) != CORBA::dk_none) {
    throw ToolError("the repository id " + new_id + " is taken by " + names.scoped(new_id));
  }
  std::string shown = names.scoped(old_id);

  Update update(repository);
  repository.change_id(old_id, new_id);
  // The definitions that use it, and the interfaces derived from it, hold
  // its id in their state: they are told the new one.
  std::vector<std::string> holders = repository.referrers(new_id);
  if (repository.kind_of(new_id) == CORBA::dk_Interface) {
    for (const std::string& child : repository.children(new_id)) holders.push_back(child);
  }
  int updated = 0;
  for (const std::string& holder : holders) {
    ObjectRef object = repository.object(holder);
    bool changed = false;
    visit_ids(*object, [&](std::string& repid) {
      if (repid == old_id) {
        repid = new_id;
        changed = true;
      }
    });
    if (changed) {
      repository.update_state(*object);
      ++updated;
    }
  }
  update.commit();
  std::printf("Changed the repository id of %s from %s to %s", shown.c_str(), old_id.c_str(), new_id.c_str());
  if (updated) std::printf(" (%d definition%s using it updated)", updated, updated == 1 ? "" : "s");
  std::printf("\n");
  return 0;
}

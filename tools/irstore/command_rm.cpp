#include <cstdio>
#include <string>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "names.h"
#include "output.h"
#include "repository.h"
#include "tool_error.h"

int run_rm(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{"-n", "--dry-run", false}});
  args.expect_positionals(1, 1, "NAME");
  bool dry_run = args.flag("--dry-run");
  Repository repository(database_alias(options));
  Names names(repository);
  std::string repid = names.resolve(args.positionals()[0]);
  if (repid == Repository::kRootId) throw ToolError("the repository's top level cannot be removed (remove what it holds)");
  std::string shown = names.scoped(repid);

  // What goes with it, named while it is all still there. A cycle of
  // references may bring the definition itself back into the set.
  std::vector<ObjectRef> dependants;
  for (ObjectRef& object : repository.deletion_set(repid)) {
    if (object->repository_id() != repid) dependants.push_back(std::move(object));
  }
  std::vector<Row> rows = definition_rows(names, dependants);
  for (Row& row : rows) row[0] = "  " + row[0];
  std::size_t count = rows.size();
  if (count == 0) {
    std::printf("%s %s (%s), on which nothing depends\n", dry_run ? "Would remove" : "Removing", shown.c_str(),
                kind_word(repository.kind_of(repid)).c_str());
  } else {
    std::printf("%s %s (%s) and the %zu definition%s that depend on it:\n", dry_run ? "Would remove" : "Removing",
                shown.c_str(), kind_word(repository.kind_of(repid)).c_str(), count, count == 1 ? "" : "s");
    print_table(rows);
  }
  if (dry_run) {
    std::printf("Nothing removed (dry run)\n");
    return 0;
  }
  Update update(repository);
  repository.destroy(repid);
  update.commit();
  std::printf("Removed %zu definition%s\n", count + 1, count == 0 ? "" : "s");
  return 0;
}

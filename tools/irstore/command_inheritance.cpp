// bases and derived: the two directions of the inheritance graph.
#include <algorithm>
#include <set>
#include <string>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "names.h"
#include "output.h"
#include "repository.h"
#include "tool_error.h"

namespace {

int list_related(const ToolOptions& options, const Args& arguments, bool towards_bases) {
  Arguments args(arguments, {{"-r", "--recursive", false}});
  args.expect_positionals(1, 1, "INTERFACE");
  Repository repository(database_alias(options));
  Names names(repository);
  const std::string& text = args.positionals()[0];
  std::string start = names.resolve(text);
  CORBA::DefinitionKind kind = repository.kind_of(start);
  if (kind != CORBA::dk_Interface) throw ToolError(text + " is " + kind_word(kind) + ", not an interface");

  auto related = [&](const std::string& repid) {
    return towards_bases ? repository.parents(repid) : repository.children(repid);
  };
  // Level by level, nearest first; each interface once.
  std::vector<Row> rows;
  std::set<std::string> seen = {start};
  std::vector<std::string> level = {start};
  while (!level.empty()) {
    std::vector<std::string> next;
    for (const std::string& repid : level) {
      for (const std::string& other : related(repid)) {
        if (seen.insert(other).second) next.push_back(other);
      }
    }
    std::vector<Row> level_rows = definition_rows(repository, names, next);
    rows.insert(rows.end(), level_rows.begin(), level_rows.end());
    if (!args.flag("--recursive")) break;
    level = next;
  }
  print_table(rows);
  return 0;
}

}  // namespace

int run_bases(const ToolOptions& options, const Args& arguments) { return list_related(options, arguments, true); }

int run_derived(const ToolOptions& options, const Args& arguments) {
  return list_related(options, arguments, false);
}

#include <algorithm>
#include <string>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "names.h"
#include "output.h"
#include "repository.h"

namespace {

// Everything nested in the scope, depth first.
void collect(Repository& repository, Names& names, const std::string& scope, std::vector<Row>& rows) {
  for (const ObjectRef& member : repository.members(scope)) {
    const std::string& repid = member->repository_id();
    rows.push_back({kind_word(member->def_kind()), names.scoped(repid), repid});
    collect(repository, names, repid, rows);
  }
}

}  // namespace

int run_ls(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{"-r", "--recursive", false}});
  args.expect_positionals(0, 1, "SCOPE");
  Repository repository(database_alias(options));
  if (repository.kind_of(Repository::kRootId) == CORBA::dk_none) return 0;  // nothing loaded yet
  Names names(repository);
  std::string scope = names.resolve(args.positionals().empty() ? "::" : args.positionals()[0]);

  std::vector<Row> rows;
  if (args.flag("--recursive")) {
    collect(repository, names, scope, rows);
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a[1] < b[1]; });
  } else {
    for (const ObjectRef& member : repository.members(scope)) {
      rows.push_back({kind_word(member->def_kind()), member->simple_name(), member->repository_id()});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a[1] < b[1]; });
  }
  print_table(rows);
  return 0;
}

#include <string>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "names.h"
#include "output.h"
#include "repository.h"

int run_refs(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{nullptr, "--kind", true}});
  args.expect_positionals(1, 1, "NAME");
  Repository repository(database_alias(options));
  Names names(repository);
  std::string repid = names.resolve(args.positionals()[0]);
  if (std::optional<std::string> kinds = args.value("--kind")) {
    print_table(definition_rows(names, repository.referrers_of_kinds(repid, kind_list_for(*kinds))));
  } else {
    print_table(definition_rows(repository, names, repository.referrers(repid)));
  }
  return 0;
}

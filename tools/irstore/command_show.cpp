#include <cstdio>

#include "arguments.h"
#include "command.h"
#include "idl_printer.h"
#include "names.h"
#include "repository.h"

int run_show(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {});
  args.expect_positionals(1, 1, "NAME");
  Repository repository(database_alias(options));
  Names names(repository);
  std::string repid = names.resolve(args.positionals()[0]);
  IdlPrinter printer(repository, names);
  std::fputs(printer.print(repid).c_str(), stdout);
  return 0;
}

#include <cstdio>
#include <string>

#include <qeloridm/irdb_admin.h>

#include "arguments.h"
#include "command.h"
#include "repository.h"

int run_info(const ToolOptions& options, const Args& arguments) {
  if (arguments.size() > 1) throw UsageError("info takes one alias at most");
  std::string alias = alias_of(options, arguments);
  Repository repository(alias);
  std::printf("Opened repository %s through the store (%s)\n", alias.c_str(), describe_alias(alias).c_str());
  std::printf("Tarn home: %s\n", IRDBAdmin::engine_home().c_str());
  return 0;
}

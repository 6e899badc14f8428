#include <cstdio>
#include <string>

#include <qelororm/qel.h>
#include <tarn/tarn.h>

#include "command.h"

int run_init(const ToolOptions& options, const std::vector<std::string>& arguments) {
  if (arguments.size() > 1) return fail("init takes one alias at most (see irstore init --help)");
  std::string alias = alias_of(options, arguments);
  if (alias.empty() || alias.size() > 8) return fail("an alias has 1 to 8 characters: " + alias);

  sqlca ca{};
  tarn_create_database(alias.c_str(), QelGetParmString("com.orvo.CORBA.irUserid", nullptr),
                       QelGetParmString("com.orvo.CORBA.irPassword", nullptr), &ca);
  if (ca.sqlcode < 0) return fail("cannot create repository " + alias + ": " + ca.sqlerrmc);
  std::printf("%s repository %s (%s)\n", ca.sqlcode == 0 ? "Created" : "Found existing",
              alias.c_str(), describe_alias(alias).c_str());
  return 0;
}

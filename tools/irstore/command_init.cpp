#include <cstdio>
#include <string>

#include <qelororm/qel.h>
#include <tarn/tarn.h>

#include "arguments.h"
#include "command.h"
#include "repository.h"

int run_init(const ToolOptions& options, const Args& arguments) {
  if (arguments.size() > 1) throw UsageError("init takes one alias at most");
  std::string alias = alias_of(options, arguments);
  if (alias.empty() || alias.size() > 8) throw UsageError("an alias has 1 to 8 characters: " + alias);

  sqlca ca{};
  tarn_create_database(alias.c_str(), QelGetParmString("com.orvo.CORBA.irUserid", nullptr),
                       QelGetParmString("com.orvo.CORBA.irPassword", nullptr), &ca);
  if (ca.sqlcode < 0) throw ToolError("cannot create repository " + alias + ": " + ca.sqlerrmc);
  // The root object holds the top-level definitions.
  Repository repository(alias);
  Update update(repository);
  repository.ensure_root();
  update.commit();
  std::printf("%s repository %s (%s)\n", ca.sqlcode == 0 ? "Created" : "Found existing", alias.c_str(),
              describe_alias(alias).c_str());
  return 0;
}

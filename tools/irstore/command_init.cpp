#include <cstdio>
#include <string>

#include <qelororm/qel.h>
#include <qeloridm/irdb_admin.h>

#include "arguments.h"
#include "command.h"
#include "repository.h"

namespace {

// The Interface Repository's own IDL, as omniorb-idl installs it.
const std::string kOmniIdlDirectory = "/usr/share/idl/omniORB";

}  // namespace

int run_init(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{nullptr, "--with-ir-idl", false}});
  args.expect_positionals(0, 1, "ALIAS");
  std::string alias = alias_of(options, args.positionals());
  if (alias.empty() || alias.size() > 8) throw UsageError("an alias has 1 to 8 characters: " + alias);

  bool created = false;
  try {
    created = IRDBAdmin::create_repository(alias.c_str(), QelGetParmString("com.orvo.CORBA.irUserid", nullptr),
                                           QelGetParmString("com.orvo.CORBA.irPassword", nullptr));
  } catch (...) {
    throw ToolError("cannot create repository " + alias + ": " + describe_current_exception());
  }
  {
    // The root object holds the top-level definitions.
    Repository repository(alias);
    Update update(repository);
    repository.ensure_root();
    update.commit();
  }
  std::printf("%s repository %s (%s)\n", created ? "Created" : "Found existing", alias.c_str(),
              describe_alias(alias).c_str());
  if (!args.flag("--with-ir-idl")) return 0;
  ToolOptions on_alias = options;
  on_alias.database = alias;
  return run_load(on_alias, {"-I", kOmniIdlDirectory, kOmniIdlDirectory + "/ir.idl"});
}

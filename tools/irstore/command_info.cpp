#include <cstdio>
#include <string>

#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "command.h"

int run_info(const ToolOptions& options, const std::vector<std::string>& arguments) {
  if (arguments.size() > 1) return fail("info takes one alias at most (see irstore info --help)");
  std::string alias = alias_of(options, arguments);
  try {
    IRDB store(alias.c_str());
    std::printf("Opened repository %s through the store (%s)\n", alias.c_str(),
                describe_alias(alias).c_str());
  } catch (IRStore::Exception& e) {
    std::string reason = e.message ? e.message : "failure code " + std::to_string(e.code);
    if (reason.find("SQL1013N") != std::string::npos) reason += " (create it with: irstore init " + alias + ")";
    return fail("cannot open repository " + alias + ": " + reason);
  } catch (CORBA::SystemException& e) {
    return fail("cannot open repository " + alias + ": " + e._name());
  }
  std::printf("Tarn home: %s\n", tarn_home());
  return 0;
}

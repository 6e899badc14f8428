// The alias a command works on, and where it lives.
#include <qeloridm/irdb_admin.h>

#include "command.h"

std::string alias_of(const ToolOptions& options, const Args& arguments) {
  std::string alias = !arguments.empty()            ? arguments[0]
                      : !options.database.empty() ? options.database
                                                  : "VADIRIRI";
  // The store connects with the alias upper-cased; so does everything here.
  for (char& c : alias) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return alias;
}

std::string database_alias(const ToolOptions& options) { return alias_of(options, {}); }

std::string describe_alias(const std::string& alias) { return IRDBAdmin::location(alias.c_str()); }

#include <cstdio>
#include <map>
#include <string>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "output.h"
#include "repository.h"

int run_stats(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {});
  args.expect_positionals(0, 0, "");
  Repository repository(database_alias(options));
  std::vector<ObjectRef> objects = repository.find("%", kind_list_for(""), true, std::nullopt);
  std::map<std::string, int> per_kind;
  std::size_t inheritance = 0, references = 0;
  for (const ObjectRef& object : objects) {
    ++per_kind[kind_word(object->def_kind())];
    if (object->def_kind() == CORBA::dk_Interface) inheritance += repository.parents(object->repository_id()).size();
    references += repository.referrers(object->repository_id()).size();
  }
  std::vector<Row> rows;
  for (const char* kind : {"module", "interface", "operation", "attribute", "constant", "exception", "alias",
                           "struct", "union", "enum"}) {
    rows.push_back({kind, std::to_string(per_kind[kind])});
  }
  rows.push_back({"definitions", std::to_string(objects.size())});
  rows.push_back({"inheritance links", std::to_string(inheritance)});
  rows.push_back({"references", std::to_string(references)});
  print_table(rows);
  return 0;
}

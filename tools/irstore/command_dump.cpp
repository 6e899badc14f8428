#include <algorithm>
#include <cstdio>
#include <string>

#include "arguments.h"
#include "command.h"
#include "idl_unit.h"
#include "kinds.h"
#include "repository.h"

namespace {

// The direct bases in the order the interface declares them; any the
// stored state does not name follow, sorted.
std::string bases_of(Repository& repository, CORBA_Contained_Impl& object) {
  auto* interface = dynamic_cast<CORBA_InterfaceDef_Impl*>(&object);
  if (!interface) return "";
  std::vector<std::string> stored = repository.parents(object.repository_id());
  std::vector<std::string> ordered;
  for (const std::string& base : interface->base_interfaces) {
    if (std::find(stored.begin(), stored.end(), base) != stored.end()) ordered.push_back(base);
  }
  std::sort(stored.begin(), stored.end());
  for (const std::string& base : stored) {
    if (std::find(ordered.begin(), ordered.end(), base) == ordered.end()) ordered.push_back(base);
  }
  std::string text;
  for (const std::string& base : ordered) {
    if (!text.empty()) text += ',';
    text += escape_field(base);
  }
  return text;
}

}  // namespace

int run_dump(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{"-f", "--format", true}});
  args.expect_positionals(0, 0, "");
  std::string format = args.value("--format").value_or("tsv");
  if (format != "tsv") throw UsageError("unknown format '" + format + "' (the format is tsv)");

  Repository repository(database_alias(options));
  std::vector<ObjectRef> objects = repository.find("%", kind_list_for(""), true, std::nullopt);
  std::sort(objects.begin(), objects.end(),
            [](const ObjectRef& a, const ObjectRef& b) { return a->repository_id() < b->repository_id(); });
  for (const ObjectRef& object : objects) {
    const std::string& repid = object->repository_id();
    std::optional<std::string> container = repository.container_of(repid);
    std::string container_id = !container || *container == Repository::kRootId ? "" : *container;
    std::printf("%s\t%s\t%s\t%s\t%s\n", kind_word(object->def_kind()).c_str(), escape_field(repid).c_str(),
                escape_field(container_id).c_str(), escape_field(object->simple_name()).c_str(),
                bases_of(repository, *object).c_str());
  }
  return 0;
}

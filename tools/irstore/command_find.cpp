#include <fnmatch.h>

#include <string>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "names.h"
#include "output.h"
#include "repository.h"

namespace {

// The store's LIKE pattern for a glob: it finds at least every match, and
// the glob itself then decides (in LIKE an underscore, so common in IDL
// names, would match any character).
std::string like_pattern(const std::string& glob) {
  std::string like;
  for (std::size_t i = 0; i < glob.size(); ++i) {
    char c = glob[i];
    if (c == '*') {
      like += '%';
    } else if (c == '?') {
      like += '_';
    } else if (c == '[') {
      std::size_t close = glob.find(']', i + 2);
      if (close == std::string::npos) {
        like += c;
      } else {
        like += '_';
        i = close;
      }
    } else {
      like += c;
    }
  }
  return like;
}

}  // namespace

int run_find(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{nullptr, "--kind", true}, {"-i", "--ignore-case", false}, {nullptr, "--in", true}});
  args.expect_positionals(1, 1, "PATTERN");
  const std::string& glob = args.positionals()[0];
  std::string kinds = kind_list_for(args.value("--kind").value_or(""));
  bool ignore_case = args.flag("--ignore-case");

  Repository repository(database_alias(options));
  if (repository.kind_of(Repository::kRootId) == CORBA::dk_none) return 0;
  Names names(repository);
  std::optional<std::string> scope;
  if (std::optional<std::string> in = args.value("--in")) scope = names.resolve(*in);

  std::vector<ObjectRef> found = repository.find(like_pattern(glob), kinds, !ignore_case, scope);
  std::vector<ObjectRef> matching;
  for (ObjectRef& object : found) {
    if (fnmatch(glob.c_str(), object->simple_name().c_str(), ignore_case ? FNM_CASEFOLD : 0) == 0) {
      matching.push_back(std::move(object));
    }
  }
  print_table(definition_rows(names, matching));
  return 0;
}

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "arguments.h"
#include "command.h"
#include "dot_graph.h"
#include "names.h"
#include "process.h"
#include "repository.h"
#include "tool_error.h"

int run_graph(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{"-o", "--output", true}, {nullptr, "--members", false}});
  args.expect_positionals(0, 1, "SCOPE");
  std::optional<std::string> output = args.value("--output");
  std::string format;
  if (output) {
    format = std::filesystem::path(*output).extension().string();
    if (format != ".dot" && format != ".svg" && format != ".png") {
      throw UsageError("-o " + *output + ": the file name ends in .dot, .svg or .png");
    }
  }
  Repository repository(database_alias(options));
  Names names(repository);
  std::string scope = names.resolve(args.positionals().empty() ? "::" : args.positionals()[0]);
  std::string dot = containment_graph(repository, names, scope, args.flag("--members"));

  if (!output) {
    std::fputs(dot.c_str(), stdout);
    return 0;
  }
  if (format == ".dot") {
    std::ofstream file(*output, std::ios::binary);
    file << dot;
    file.close();
    if (!file) throw ToolError("cannot write " + *output);
  } else {
    std::optional<ProcessResult> result = run_process({"dot", "-T" + format.substr(1), "-o", *output}, dot);
    if (!result) throw ToolError("dot is not installed (package graphviz); write -o FILE.dot instead");
    if (result->exit_code != 0) {
      std::string why = result->err.substr(0, result->err.find('\n'));
      throw ToolError("dot failed to draw " + *output + (why.empty() ? "" : ": " + why));
    }
  }
  std::printf("Wrote %s\n", output->c_str());
  return 0;
}

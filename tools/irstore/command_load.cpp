#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "arguments.h"
#include "command.h"
#include "idl_frontend.h"
#include "loader.h"
#include "progress.h"
#include "repository.h"
#include "tool_error.h"

namespace {

std::string real_path(const std::string& file) {
  std::error_code error;
  std::filesystem::path real = std::filesystem::canonical(file, error);
  return error ? file : real.string();
}

std::string base_name(const std::string& file) { return std::filesystem::path(file).filename().string(); }

std::string counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void report(const std::string& file, const IdlUnit& unit, const LoadCounts& counts, bool verbose) {
  for (const std::string& warning : unit.warnings) std::fprintf(stderr, "irstore load: warning: %s\n", warning.c_str());
  std::string line = "Loaded " + file + ": " + counted(counts.total(), "definition", "definitions") + " (" +
                     std::to_string(counts.created) + " new, " + std::to_string(counts.changed) + " changed, " +
                     std::to_string(counts.unchanged) + " unchanged)";
  if (!unit.skipped.empty()) {
    line += "; " + counted(static_cast<int>(unit.skipped.size()), "value type or native", "value types or natives") +
            " not kept";
  }
  std::printf("%s\n", line.c_str());
  if (!verbose) return;
  for (const SkippedDefinition& skipped : unit.skipped) {
    std::printf("  not kept: %s %s (%s)\n", skipped.what.c_str(), skipped.scoped_name.c_str(),
                skipped.where.text().c_str());
  }
}

}  // namespace

int run_load(const ToolOptions& options, const Args& arguments) {
  Arguments args(arguments, {{"-I", "--include", true}, {"-D", "--define", true}});
  args.expect_positionals(1, static_cast<std::size_t>(-1), "an IDL file to load");
  FrontEndOptions front_end{args.values("--include"), args.values("--define")};
  const std::vector<std::string>& files = args.positionals();

  Repository repository(database_alias(options));
  // Every file is read before any is loaded: a mistake in the last one
  // leaves the repository as it was. Files that an earlier one included
  // are not loaded again (nor read, when the files are read one by one).
  ProgressBar progress(static_cast<int>(files.size()) * 2, files.size() > 1);
  std::vector<std::optional<IdlUnit>> units;
  std::set<std::string> included;  // real paths
  int step = 0;
  auto take = [&](const std::string& file, auto read) {
    progress.show(step++, "reading " + base_name(file));
    if (included.count(real_path(file))) {
      units.emplace_back();
      return;
    }
    IdlUnit unit = read();
    for (const std::string& path : unit_file_paths(unit, front_end)) included.insert(path);
    units.emplace_back(std::move(unit));
  };
  if (std::optional<std::vector<IdlUnit>> together = read_idl_files_together(files, front_end)) {
    for (std::size_t i = 0; i < files.size(); ++i) take(files[i], [&] { return std::move((*together)[i]); });
  } else {
    for (const std::string& file : files) take(file, [&] { return read_idl_file(file, front_end); });
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    progress.show(step++, "loading " + base_name(files[i]));
    if (!units[i]) {
      progress.clear();
      std::printf("Skipped %s: loaded already with a file that includes it\n", files[i].c_str());
      continue;
    }
    const IdlUnit& unit = *units[i];
    LoadCounts counts;
    try {
      counts = load_unit(repository, unit);
    } catch (...) {
      // The files before it stay loaded: say so, in the same line.
      std::string message = describe_current_exception() + " (nothing loaded from " + files[i];
      if (i > 0) message += "; the files before it are loaded";
      throw ToolError(message + ")");
    }
    progress.clear();
    report(files[i], unit, counts, options.verbose);
  }
  return 0;
}

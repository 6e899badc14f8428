#include "idl_frontend.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "process.h"
#include "tool_error.h"

namespace fs = std::filesystem;

namespace {

// omniidl hands file names and include directories to its preprocessor
// through a shell, inside double quotes, and -D values without any: refuse
// what that shell would interpret rather than run it.
void check_quoted_argument(const std::string& what, const std::string& text) {
  for (char c : text) {
    if (c == '"' || c == '$' || c == '`' || c == '\\' || static_cast<unsigned char>(c) < 0x20) {
      throw ToolError(what + " '" + text + "' holds a character omniidl cannot take safely (\" $ ` \\ or a control character)");
    }
  }
}

void check_define(const std::string& define) {
  static const std::regex safe(R"([A-Za-z_][A-Za-z0-9_]*(=[A-Za-z0-9_.+\-:/,@%=]*)?)");
  if (!std::regex_match(define, safe)) {
    throw ToolError("-D " + define + ": only NAME or NAME=VALUE with letters, digits and _.+-:/,@%= are taken");
  }
}

std::string trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = trim(text.substr(start, end - start));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool is_warning(const std::string& line) { return line.find(": Warning:") != std::string::npos; }

// One line for what omniidl reported: its first error, with a count of the rest.
std::string first_error(const std::string& err, const std::string& file) {
  static const std::regex located(R"(^(.+):([0-9]+): (.*)$)");
  static const std::regex summary(R"(^omniidl: ([0-9]+) errors?)");
  std::vector<std::string> lines = lines_of(err);
  std::string first;
  int errors = 0;
  for (const std::string& line : lines) {
    std::smatch match;
    if (std::regex_search(line, match, summary)) errors = std::stoi(match[1]);
    if (first.empty() && !is_warning(line) && std::regex_match(line, located)) first = line;
  }
  if (first.empty()) {
    if (lines.empty()) return file + ": omniidl failed without saying why";
    if (lines.front().rfind("Traceback", 0) == 0) return "the IDL back end failed on " + file + ": " + lines.back();
    return lines.back();
  }
  if (errors > 1) first += " (and " + std::to_string(errors - 1) + " more error" + (errors > 2 ? "s" : "") + ")";
  return first;
}

}  // namespace

std::string backend_directory() {
  std::vector<std::string> candidates;
  if (const char* dir = std::getenv("IRSTORE_BACKEND_DIR"); dir && *dir) candidates.push_back(dir);
  std::string here = executable_directory();
  candidates.push_back(here + "/omniidl");
  candidates.push_back(here + "/../share/irstore/omniidl");
  for (const std::string& candidate : candidates) {
    if (fs::exists(candidate + "/irstore_backend.py")) return fs::weakly_canonical(candidate).string();
  }
  throw ToolError("cannot find the IDL back end irstore_backend.py (looked in " + candidates.front() +
                  " and beside the tool; IRSTORE_BACKEND_DIR names its directory)");
}

namespace {

void check_readable(const std::string& file) {
  std::error_code error;
  if (!fs::exists(file, error)) throw ToolError(file + ": no such file");
  if (fs::is_directory(file, error)) throw ToolError(file + ": is a directory, not an IDL file");
  check_quoted_argument("the file name", file);
}

std::string directory_of(const std::string& file) {
  std::string dir = fs::path(file).parent_path().string();
  return dir.empty() ? "." : dir;
}

// Runs omniidl with the back end on files of one directory: includes are
// found in the directories asked for, then beside the files.
ProcessResult run_omniidl(const std::vector<std::string>& files, const FrontEndOptions& options) {
  std::vector<std::string> argv = {"omniidl", "-p", backend_directory(), "-b", "irstore_backend"};
  for (const std::string& dir : options.include_dirs) {
    check_quoted_argument("the include directory", dir);
    argv.push_back("-I" + dir);
  }
  std::string own_dir = directory_of(files.front());
  check_quoted_argument("the directory", own_dir);
  argv.push_back("-I" + own_dir);
  for (const std::string& define : options.defines) {
    check_define(define);
    argv.push_back("-D" + define);
  }
  argv.insert(argv.end(), files.begin(), files.end());
  std::optional<ProcessResult> result = run_process(argv);
  if (!result) throw ToolError("omniidl is not installed; irstore reads IDL with it (Debian package omniidl)");
  return std::move(*result);
}

// The back end writes the records of each file it is given after a header
// line of its own.
std::vector<std::string_view> records_per_file(std::string_view out) {
  constexpr std::string_view kHeader = "irstore-idl\t";
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start < out.size();) {
    std::size_t next = out.find(std::string("\n").append(kHeader), start);
    std::size_t end = next == std::string_view::npos ? out.size() : next + 1;
    parts.push_back(out.substr(start, end - start));
    start = end;
  }
  return parts;
}

IdlUnit unit_of(std::string_view records, const std::string& file, const std::vector<std::string>& warnings) {
  IdlUnit unit = parse_idl_records(records);
  if (unit.main_file.empty()) unit.main_file = file;
  unit.warnings = warnings;
  return unit;
}

std::vector<std::string> warnings_in(const std::string& err) {
  std::vector<std::string> warnings;
  for (const std::string& line : lines_of(err)) {
    if (is_warning(line)) warnings.push_back(line);
  }
  return warnings;
}

}  // namespace

IdlUnit read_idl_file(const std::string& file, const FrontEndOptions& options) {
  check_readable(file);
  ProcessResult result = run_omniidl({file}, options);
  if (result.exit_code != 0) throw ToolError(first_error(result.err, file));
  return unit_of(result.out, file, warnings_in(result.err));
}

std::optional<std::vector<IdlUnit>> read_idl_files_together(const std::vector<std::string>& files,
                                                            const FrontEndOptions& options) {
  if (files.empty()) return std::vector<IdlUnit>{};
  for (const std::string& file : files) {
    check_readable(file);
    if (directory_of(file) != directory_of(files.front())) return std::nullopt;
  }
  ProcessResult result = run_omniidl(files, options);
  if (result.exit_code != 0) return std::nullopt;
  std::vector<std::string_view> parts = records_per_file(result.out);
  if (parts.size() != files.size()) return std::nullopt;
  // omniidl's warnings name their file; each unit gets those of its files.
  std::vector<std::string> warnings = warnings_in(result.err);
  std::vector<IdlUnit> units;
  for (std::size_t i = 0; i < files.size(); ++i) units.push_back(unit_of(parts[i], files[i], {}));
  for (const std::string& warning : warnings) {
    auto owner = std::find_if(units.begin(), units.end(), [&](const IdlUnit& unit) {
      return std::any_of(unit.files.begin(), unit.files.end(),
                         [&](const std::string& name) { return warning.rfind(name + ":", 0) == 0; });
    });
    (owner == units.end() ? units.front() : *owner).warnings.push_back(warning);
  }
  return units;
}

std::vector<std::string> unit_file_paths(const IdlUnit& unit, const FrontEndOptions& options) {
  std::vector<std::string> found;
  std::vector<std::string> pending = unit.files;
  std::vector<fs::path> bases;
  fs::path main_dir = fs::absolute(unit.main_file).parent_path();
  auto locate = [&](const std::string& name) -> std::string {
    std::error_code error;
    fs::path path(name);
    if (path.is_absolute()) return fs::exists(path, error) ? fs::canonical(path, error).string() : "";
    std::vector<fs::path> places = {fs::current_path(), main_dir};
    places.insert(places.end(), bases.begin(), bases.end());
    for (const std::string& dir : options.include_dirs) places.emplace_back(fs::absolute(dir));
    for (const fs::path& place : places) {
      if (fs::exists(place / path, error)) return fs::canonical(place / path, error).string();
    }
    return "";
  };
  // Files found help to find the files they include: repeat until no progress.
  for (bool progress = true; progress && !pending.empty();) {
    progress = false;
    for (auto it = pending.begin(); it != pending.end();) {
      std::string real = locate(*it);
      if (real.empty()) {
        ++it;
        continue;
      }
      found.push_back(real);
      bases.push_back(fs::path(real).parent_path());
      it = pending.erase(it);
      progress = true;
    }
  }
  return found;
}

#include "idl_frontend.h"

#include <unistd.h>

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

IdlUnit read_idl_file(const std::string& file, const FrontEndOptions& options) {
  std::error_code error;
  if (!fs::exists(file, error)) throw ToolError(file + ": no such file");
  if (fs::is_directory(file, error)) throw ToolError(file + ": is a directory, not an IDL file");
  check_quoted_argument("the file name", file);
  std::string backend = backend_directory();

  std::vector<std::string> argv = {"omniidl", "-p", backend, "-b", "irstore_backend"};
  for (const std::string& dir : options.include_dirs) {
    check_quoted_argument("the include directory", dir);
    argv.push_back("-I" + dir);
  }
  // Includes next to the file are found as well, after the ones asked for.
  std::string own_dir = fs::path(file).parent_path().string();
  if (own_dir.empty()) own_dir = ".";
  check_quoted_argument("the directory", own_dir);
  argv.push_back("-I" + own_dir);
  for (const std::string& define : options.defines) {
    check_define(define);
    argv.push_back("-D" + define);
  }
  argv.push_back(file);

  std::optional<ProcessResult> result = run_process(argv);
  if (!result) throw ToolError("omniidl is not installed; irstore reads IDL with it (Debian package omniidl)");
  if (result->exit_code != 0) throw ToolError(first_error(result->err, file));

  IdlUnit unit = parse_idl_records(result->out);
  if (unit.main_file.empty()) unit.main_file = file;
  for (const std::string& line : lines_of(result->err)) {
    if (is_warning(line)) unit.warnings.push_back(line);
  }
  return unit;
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

// Alias resolution through $TARN_HOME/catalog. One line per alias:
//   ALIAS sqlite PATH [user=NAME password=SECRET]
//   ALIAS postgresql CONNINFO
// A word starting with '#' starts a comment (so a '#' inside a password
// is kept). Paths cannot hold blanks.
#include "catalog.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <vector>

#include "codes.h"
#include "tarn/tarn.h"

namespace fs = std::filesystem;

namespace tarn {
namespace {

constexpr size_t kAliasMax = 8;
constexpr std::string_view kBlanks = " \t\r\v\f";

struct Word {
  std::string_view text;
  size_t offset;
};

// The line cut at its comment, as words with their offsets.
std::vector<Word> split_words(std::string_view line) {
  std::vector<Word> words;
  size_t pos = 0;
  while ((pos = line.find_first_not_of(kBlanks, pos)) != std::string_view::npos) {
    if (line[pos] == '#') break;
    size_t end = std::min(line.find_first_of(kBlanks, pos), line.size());
    words.push_back({line.substr(pos, end - pos), pos});
    pos = end;
  }
  return words;
}

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->pw_dir;
  return ".";
}

class CatalogReader {
 public:
  CatalogReader(fs::path file, fs::path home) : file_(std::move(file)), home_(std::move(home)) {}

  // The entry of alias, if the catalog has one.
  std::optional<Target> find(const std::string& alias) {
    std::error_code ignored;
    if (!fs::exists(file_, ignored)) return std::nullopt;
    std::ifstream in(file_);
    if (!in) throw engine_error(TARN_SQL_ALIAS_NOT_FOUND, "cannot read catalog " + file_.string());
    std::optional<Target> found;
    std::string line;
    for (line_number_ = 1; std::getline(in, line); ++line_number_) {
      std::vector<Word> words = split_words(line);
      if (words.empty() || words[0].text != alias) continue;
      if (found) fail("alias " + alias + " is defined twice");
      found = parse_entry(line, words);
    }
    return found;
  }

 private:
  [[noreturn]] void fail(const std::string& problem) const {
    throw engine_error(TARN_SQL_ALIAS_NOT_FOUND,
                       "catalog " + file_.string() + " line " + std::to_string(line_number_) +
                           ": " + problem);
  }

  Target parse_entry(std::string_view line, const std::vector<Word>& words) const {
    if (words.size() < 3) fail("expected: ALIAS ENGINE TARGET");
    if (words[1].text == "sqlite") return parse_sqlite(words);
    if (words[1].text == "postgresql") {
      std::string_view conninfo = line.substr(words[2].offset);
      size_t end = conninfo.find_last_not_of(kBlanks);
      return Target{Target::Engine::postgresql, std::string(conninfo.substr(0, end + 1)), {}, {}};
    }
    fail("unknown engine '" + std::string(words[1].text) + "'");
  }

  Target parse_sqlite(const std::vector<Word>& words) const {
    fs::path path(words[2].text);
    if (path.is_relative()) path = home_ / path;
    Target target{Target::Engine::sqlite, path.string(), {}, {}};
    for (size_t i = 3; i < words.size(); ++i) {
      std::string_view option = words[i].text;
      std::optional<std::string>* slot = nullptr;
      if (option.starts_with("user="))
        slot = &target.user;
      else if (option.starts_with("password="))
        slot = &target.password;
      if (slot == nullptr) fail("unknown option '" + std::string(option) + "'");
      if (slot->has_value()) fail("option given twice '" + std::string(option) + "'");
      *slot = std::string(option.substr(option.find('=') + 1));
    }
    if (target.user.has_value() != target.password.has_value())
      fail("user= and password= go together");
    return target;
  }

  fs::path file_;
  fs::path home_;
  int line_number_ = 0;
};

}  // namespace

std::string Target::description() const {
  if (engine == Engine::sqlite) return "sqlite " + location;
  // Never show a password in messages.
  static const std::regex keyword(R"((password\s*=\s*)('[^']*'|\S+))");
  static const std::regex uri(R"((://[^:/@\s]*:)[^@\s]*@)");
  return "postgresql " +
         std::regex_replace(std::regex_replace(location, keyword, "$1***"), uri, "$1***@");
}

std::string engine_home() {
  if (const char* home = std::getenv("TARN_HOME"); home != nullptr && *home != '\0') return home;
  return (fs::path(home_directory()) / ".irstore").string();
}

std::string checked_alias(std::string_view alias) {
  size_t end = alias.find_last_not_of(' ');
  alias = end == std::string_view::npos ? std::string_view() : alias.substr(0, end + 1);
  auto allowed = [](unsigned char c) { return std::isalnum(c) || std::strchr("_@$#-", c); };
  // The alias names a file under TARN_HOME: no path characters get in.
  if (alias.empty() || alias.size() > kAliasMax || !std::all_of(alias.begin(), alias.end(), allowed))
    throw engine_error(TARN_SQL_ALIAS_NOT_FOUND, "invalid database alias '" + std::string(alias) + "'");
  return std::string(alias);
}

Target resolve_alias(const std::string& alias) {
  fs::path home(engine_home());
  if (std::optional<Target> entry = CatalogReader(home / "catalog", home).find(alias)) return *entry;
  return Target{Target::Engine::sqlite, (home / (alias + ".sqlite")).string(), {}, {}};
}

}  // namespace tarn

extern "C" const char* tarn_home(void) {
  // Valid until the next call on the same thread.
  thread_local std::string home;
  try {
    home = tarn::engine_home();
  } catch (...) {
    home.clear();
  }
  return home.c_str();
}

extern "C" int tarn_resolve_alias(const char* alias, char* description, int size) {
  std::string text;
  int code = 0;
  try {
    text = tarn::resolve_alias(tarn::checked_alias(alias ? alias : "")).description();
  } catch (const tarn::EngineError& error) {
    code = error.sqlcode;
    text = error.message;
  } catch (...) {
    code = TARN_SQL_ENGINE_ERROR;
    text = "out of memory";
  }
  if (description != nullptr && size > 0) {
    size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(description, text.data(), length);
    description[length] = '\0';
  }
  return code;
}

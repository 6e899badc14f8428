// ORB parameters: the host's value, else the environment, else the default.
#include <qelororm/qel.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace {

// Never destroyed: texts handed out must outlive every caller, including
// those running while the process exits.
struct Parameters {
  std::mutex lock;
  std::map<std::string, std::string, std::less<>> host_values;
  // Every text ever returned. Set nodes never move, so c_str() stays valid.
  std::set<std::string, std::less<>> interned;
};

Parameters& parameters() {
  static Parameters* instance = new Parameters;
  return *instance;
}

std::string environment_name(const char* name) {
  std::string variable = name;
  for (char& c : variable)
    if (c == '.') c = '_';
  return variable;
}

// The host's value or the environment's; the caller holds the lock.
std::optional<std::string> lookup(Parameters& all, const char* name) {
  if (auto found = all.host_values.find(name); found != all.host_values.end()) return found->second;
  if (const char* value = std::getenv(environment_name(name).c_str())) return std::string(value);
  return std::nullopt;
}

const char* intern(Parameters& all, const std::string& text) {
  return all.interned.insert(text).first->c_str();
}

// A whole decimal or 0x-prefixed hexadecimal int, nothing else.
std::optional<int> parse_int(const std::string& text) {
  std::size_t digits = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (digits >= text.size() || !std::isdigit(static_cast<unsigned char>(text[digits])))
    return std::nullopt;
  bool hex = text.size() > digits + 1 && text[digits] == '0' &&
             (text[digits + 1] == 'x' || text[digits + 1] == 'X');
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

int QelGetParmInt(const char* name, int defaultValue) {
  if (!name) return defaultValue;
  Parameters& all = parameters();
  std::optional<std::string> text;
  {
    std::lock_guard guard(all.lock);
    text = lookup(all, name);
  }
  if (!text) return defaultValue;
  return parse_int(*text).value_or(defaultValue);
}

const char* QelGetParmString(const char* name, const char* defaultValue) {
  Parameters& all = parameters();
  std::lock_guard guard(all.lock);
  std::optional<std::string> text;
  if (name) text = lookup(all, name);
  if (text) return intern(all, *text);
  // The default is interned too: the caller's text may not outlive the answer.
  return defaultValue ? intern(all, defaultValue) : nullptr;
}

void QelSetParm(const char* name, const char* value) {
  if (!name) return;
  Parameters& all = parameters();
  std::lock_guard guard(all.lock);
  if (value)
    all.host_values.insert_or_assign(name, value);
  else if (auto found = all.host_values.find(name); found != all.host_values.end())
    all.host_values.erase(found);
}

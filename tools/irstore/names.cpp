#include "names.h"

#include <vector>

#include "kinds.h"
#include "tool_error.h"

bool looks_like_repository_id(const std::string& text) {
  return text.find(':') != std::string::npos && text.find("::") == std::string::npos;
}

std::string Names::scoped(const std::string& repid) {
  if (repid == Repository::kRootId) return "::";
  if (auto cached = cache_.find(repid); cached != cache_.end()) return cached->second;
  std::string name = repository_.name_of(repid);
  std::optional<std::string> container = repository_.container_of(repid);
  std::string result;
  if (!container) {
    result = "?::" + name;
  } else if (*container == Repository::kRootId) {
    result = "::" + name;
  } else {
    result = scoped(*container) + "::" + name;
  }
  cache_[repid] = result;
  return result;
}

std::string Names::resolve(const std::string& text) {
  if (text.empty() || text == "::") {
    if (repository_.kind_of(Repository::kRootId) == CORBA::dk_none) {
      throw ToolError("the repository is empty (load IDL into it with: irstore load FILE)");
    }
    return Repository::kRootId;
  }
  if (looks_like_repository_id(text)) {
    if (repository_.kind_of(text) == CORBA::dk_none) throw ToolError("no definition has the repository id " + text);
    return text;
  }
  std::vector<std::string> parts;
  std::size_t start = text.rfind("::", 0) == 0 ? 2 : 0;
  for (;;) {
    std::size_t next = text.find("::", start);
    parts.push_back(text.substr(start, next == std::string::npos ? next : next - start));
    if (next == std::string::npos) break;
    start = next + 2;
  }
  std::string current = Repository::kRootId;
  if (repository_.kind_of(current) == CORBA::dk_none) throw ToolError(text + ": no such definition (the repository is empty)");
  for (const std::string& part : parts) {
    if (part.empty()) throw ToolError("'" + text + "' is not a scoped name");
    std::optional<std::string> found = repository_.member_named(current, part);
    if (!found && repository_.kind_of(current) == CORBA::dk_Interface) {
      std::vector<ObjectRef> inherited = repository_.lookup(current, part);
      if (!inherited.empty()) found = inherited.front()->repository_id();
    }
    if (!found) {
      std::string where = current == Repository::kRootId ? "the repository" : scoped(current);
      throw ToolError(text + ": no such definition (" + where + " has no " + part + ")");
    }
    current = *found;
  }
  return current;
}

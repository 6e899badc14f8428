// Scoped IDL names (::CosNaming::NamingContext) of stored definitions, and
// the definition a user names by scoped name or repository id.
#pragma once

#include <map>
#include <string>

#include "repository.h"

// Whether the text is a repository id ("IDL:a/b:1.0", "LOCAL:x") rather
// than a scoped name: it has a colon, and none of them doubled.
bool looks_like_repository_id(const std::string& text);

class Names {
 public:
  explicit Names(Repository& repository) : repository_(repository) {}

  // The scoped name of a stored definition: "::" for the root, and the
  // simple name after "?::" for a definition that no container holds.
  std::string scoped(const std::string& repid);
  // The repository id of what the text names, looked up from the root
  // through each scope's members (and an interface's bases). ToolError when
  // nothing is so named.
  std::string resolve(const std::string& text);
  // Forgets what was learnt (after the containment changed).
  void forget() { cache_.clear(); }

 private:
  Repository& repository_;
  std::map<std::string, std::string> cache_;
};

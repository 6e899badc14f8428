// A Graphviz (DOT) picture of a repository: containment as nested
// clusters, inheritance as arrows from the derived interface to its base.
#pragma once

#include <string>

#include "names.h"
#include "repository.h"

// The graph of everything in scope. With members, interfaces list their
// attributes and operations.
std::string containment_graph(Repository& repository, Names& names, const std::string& scope, bool members);

// A DOT string literal's body: quotes and backslashes escaped.
std::string dot_escape(const std::string& text);

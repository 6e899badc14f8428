// Whether a library's dynamic symbols are all declared by public headers.
#pragma once

#include <set>
#include <string>
#include <vector>

// What a set of headers declares: the namespaces and classes they define
// (a forward declaration defines nothing), and every identifier they name.
struct Declarations {
  std::set<std::string> scopes;
  std::set<std::string> identifiers;
};
Declarations header_declarations(const std::vector<std::string>& header_dirs);

// Whether the symbol, as `nm -D -C` prints it (TYPE and NAME), is declared
// by the headers: the namespaces and classes of its qualified name ("A::B"
// of "vtable for A::B" or of "A::B::f(int)") are defined there, and its
// last part is named there. Instances of the standard library's templates
// that a library defines as vague linkage (types W, V and u) are the
// standard headers' own and count as declared.
bool is_declared(const std::string& type, const std::string& name, const Declarations& headers);

// The defined dynamic symbols of a shared library, as "TYPE NAME", demangled.
std::vector<std::pair<std::string, std::string>> exported_symbols(const std::string& library);

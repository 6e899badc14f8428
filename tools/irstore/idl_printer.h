// Prints stored definitions as IDL, from their decoded state.
#pragma once

#include <string>
#include <vector>

#include "names.h"
#include "repository.h"

class IdlPrinter {
 public:
  IdlPrinter(Repository& repository, Names& names) : repository_(repository), names_(names) {}

  // The definition as IDL, a container with everything in it, after a
  // comment line with its repository id and scope.
  std::string print(const std::string& repid);

 private:
  void definition(CORBA_Contained_Impl& object, int depth, std::string& out);
  void contents(const std::string& container, int depth, std::string& out);
  std::string scoped_or_id(const std::string& repid);
  // The repository ids of what the definition, or anything in it, needs
  // defined before it.
  std::vector<std::string> needs(CORBA_Contained_Impl& object);

  Repository& repository_;
  Names& names_;
};

// "type name" with an array type's bounds after the name: ("long[2][3]",
// "m") gives "long m[2][3]".
std::string declarator(const std::string& spelling, const std::string& name);

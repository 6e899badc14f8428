// TypeCodes built from the stored definitions, as an IDL compiler builds
// them: named types with their repository ids, names and members, aliases
// kept, and a struct or union that holds itself (through a sequence) as a
// recursive TypeCode at the place where it does.
//
// A builder serves one request: the TypeCode of each named type it meets
// is built once for it, and forgotten with it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "context.h"
#include "type_tree.h"

namespace irstore::serve {

class TypeCodeBuilder {
 public:
  explicit TypeCodeBuilder(ServeContext& context) : context_(context) {}

  CORBA::TypeCode_ptr of(const access::TypeUse& use);
  CORBA::TypeCode_ptr of(const TypeTree& type);
  // The TypeCode of an interface, alias, struct, union, enum or exception.
  CORBA::TypeCode_ptr of(const access::Definition& definition);

 private:
  CORBA::TypeCode_ptr named(const std::string& id);
  CORBA::StructMemberSeq struct_members(const std::vector<access::Member>& members);
  CORBA::TypeCode_ptr union_type(const access::Definition& definition);

  ServeContext& context_;
  std::vector<std::string> open_;  // the structs and unions being built, outermost first
  // Named types built while nothing was open: complete, with no recursion
  // into an enclosing type.
  std::map<std::string, CORBA::TypeCode_var> built_;
};

}  // namespace irstore::serve

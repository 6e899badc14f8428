// The descriptions of stored definitions, as describe(),
// describe_contents() and describe_interface() give them.
#pragma once

#include <map>
#include <string>

#include "context.h"
#include "type_codes.h"

namespace irstore::serve {

// Describes definitions for one request, with one TypeCode builder for all
// of them, and each container, raised exception and type definition read
// once for all of them (an interface's operations name the same ones again
// and again).
class Describer {
 public:
  explicit Describer(ServeContext& context) : context_(context), types_(context) {}

  // The kind and the kind's description structure (ModuleDescription,
  // InterfaceDescription, OperationDescription, ...) in an Any.
  CORBA::Contained::Description* describe(const access::Definition& definition);
  CORBA::OperationDescription operation(const access::Definition& operation);
  CORBA::AttributeDescription attribute(const access::Definition& attribute);
  CORBA::ParDescriptionSeq parameters(const access::Definition& operation);

 private:
  template <class Description>
  Description identified(const access::Definition& definition);
  CORBA::ExcDescriptionSeq exceptions(const access::Definition& operation);
  CORBA::Any* value_of(const access::Definition& definition);
  const std::string& container_of(const std::string& id);
  CORBA::IDLType_ptr type_definition(const TypeTree& type);

  ServeContext& context_;
  TypeCodeBuilder types_;
  std::map<std::string, std::string> containers_;                 // id -> defined_in
  std::map<std::string, CORBA::ExceptionDescription> exceptions_;  // id -> its description
  std::map<std::string, CORBA::IDLType_var> type_definitions_;     // encoded type use -> its object
};

// The repository id of the definition's container: "" for the repository
// itself, which has none.
std::string defined_in(ServeContext& context, const std::string& id);

}  // namespace irstore::serve

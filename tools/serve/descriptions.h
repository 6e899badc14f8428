// The descriptions of stored definitions, as describe(),
// describe_contents() and describe_interface() give them.
#pragma once

#include "context.h"

namespace irstore::serve {

// The kind and the kind's description structure (ModuleDescription,
// InterfaceDescription, OperationDescription, ...) in an Any.
CORBA::Contained::Description* describe(ServeContext& context, const access::Definition& definition);

CORBA::OperationDescription operation_description(ServeContext& context, const access::Definition& operation);
CORBA::AttributeDescription attribute_description(ServeContext& context, const access::Definition& attribute);
CORBA::ParDescriptionSeq parameter_descriptions(ServeContext& context, const access::Definition& operation);

// The repository id of the definition's container: "" for the repository
// itself, which has none.
std::string defined_in(ServeContext& context, const std::string& id);

}  // namespace irstore::serve

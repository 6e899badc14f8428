// Object references to the server's objects: made from the repository id
// or type they stand for, without any servant of their own.
#pragma once

#include <string>

#include "context.h"
#include "type_tree.h"

namespace irstore::serve {

// The kind of object that stands for an anonymous type of the form.
ObjectKind anonymous_kind(TypeTree::Form form);

CORBA::Repository_ptr repository_reference(ServeContext& context);
CORBA::Contained_ptr contained_reference(ServeContext& context, const access::Definition& definition);
// The container with the repository id, the root included, as a stored
// relation names it.
CORBA::Container_ptr container_reference(ServeContext& context, const std::string& id);
// The object that stands for a resolved type: a stored definition for a
// named type, an anonymous type's object otherwise.
CORBA::IDLType_ptr type_reference(ServeContext& context, const TypeTree& type);

// The type an IDLType reference of this server stands for; BAD_PARAM for a
// reference that is not one.
access::TypeUse type_use_of_reference(ServeContext& context, CORBA::IDLType_ptr type);

}  // namespace irstore::serve

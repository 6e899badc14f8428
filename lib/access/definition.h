// The state of an IR object of the store as a Definition.
#pragma once

#include <irstore_access/access.h>
#include <qelorirm/definitions.h>

namespace irstore::access {

// The kind, identity and state of the object; Kind::None for a kind the
// access interface does not know.
Definition definition_of(CORBA_Contained_Impl& object);

Kind kind_from(CORBA::DefinitionKind kind);
CORBA::DefinitionKind kind_to(Kind kind);

}  // namespace irstore::access

// The rules of IDL that a change of the repository keeps, checked inside
// the request's unit of work before anything is written. Whether a name
// or repository id is taken the store itself checks (access::Update).
#pragma once

#include <string>

#include "context.h"

namespace irstore::serve {

// A definition of the kind under the name in the container (the root's
// definition is of Kind::Repository), new or moved or renamed there
// (except: its repository id, for one that is): the container holds no
// other definition of the name (name taken), may hold the kind (invalid
// container), and an interface's attribute or operation shares its name
// with none of its bases' or derived interfaces' (inherited name clash).
void check_member(ServeContext& context, const access::Definition& container, access::Kind kind,
                  const std::string& name, const std::string& except = "");

// The bases of the interface: no interface among them derives from it or
// is it, an abstract interface's are abstract too (abstract base only),
// and its own attributes and operations and those it inherits through
// them do not share a name (inherited name clash).
void check_bases(ServeContext& context, const access::Definition& interface);

// A oneway operation returns nothing, takes in parameters only and raises
// nothing (BAD_PARAM).
void check_oneway(const access::Definition& operation);

// The original type of an alias leads back to the alias through no chain
// of aliases and anonymous types (BAD_PARAM): such an alias would stand
// for itself and have no type at all. A struct or union on the way ends
// the chain, as its type may hold itself.
void check_alias_type(ServeContext& context, const access::Definition& alias);

// The constants and unions that use the type, directly or through aliases,
// as their own type or discriminator: each value and label is still one of
// it, and each discriminator a legitimate one (BAD_PARAM). Run after the
// type's change, inside its unit of work.
void check_literal_users(ServeContext& context, const std::string& type);

// Whether removing the definition would remove anything besides what it
// holds: a definition that uses it, or an interface derived from it
// (BAD_INV_ORDER, dependency prevents destruction).
void check_destroyable(ServeContext& context, const std::string& id);

// The definition of a container reference of this server, the root's
// included; BAD_PARAM (invalid container) for one that is none.
access::Definition container_argument(ServeContext& context, CORBA::Container_ptr container);

}  // namespace irstore::serve

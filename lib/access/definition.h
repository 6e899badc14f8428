// The state of an IR object of the store as a Definition, and back.
#pragma once

#include <memory>

#include <irstore_access/access.h>
#include <qelorirm/definitions.h>

namespace irstore::access {

struct Release {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};
// One reference to an IR object of the store.
using ObjectRef = std::unique_ptr<CORBA_Contained_Impl, Release>;

// The kind, identity and state of the object; Kind::None for a kind the
// access interface does not know.
Definition definition_of(CORBA_Contained_Impl& object);
// A new object of the definition's kind with its identity, version and
// state; BadInput for a kind that no definition has.
ObjectRef object_of(const Definition& definition);

Kind kind_from(CORBA::DefinitionKind kind);
CORBA::DefinitionKind kind_to(Kind kind);

}  // namespace irstore::access

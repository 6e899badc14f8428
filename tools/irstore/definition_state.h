// The state of the IR objects as the tool builds, reads and edits it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "idl_unit.h"
#include "repository.h"

// A new object of the definition's kind with the definition's state.
ObjectRef make_definition(const IdlDefinition& definition);

// Calls visit on every type of the object's state.
void visit_types(CORBA_Contained_Impl& object, const std::function<void(IRType&)>& visit);
// Calls visit on every repository id the state holds: the ids in its types,
// raised exceptions and base interfaces.
void visit_ids(CORBA_Contained_Impl& object, const std::function<void(std::string&)>& visit);

// The repository ids the object uses besides its bases, each once: what
// the loader records as its references.
std::vector<std::string> referenced_ids(CORBA_Contained_Impl& object);

// Replaces, in the spellings of the object's types, in its constant value
// and in its union labels, every scoped name that the map holds as a key
// by its value. Names are whole tokens: "::M::T" is not touched inside
// "::M::Type" or "::M::T::U". True when anything changed.
bool rename_scoped_names(CORBA_Contained_Impl& object, const std::map<std::string, std::string>& renamed);

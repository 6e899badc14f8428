// The loader: turns the definitions of an IDL unit into stored IR objects
// with their containment, inheritance and references.
#pragma once

#include <string>

#include "idl_unit.h"
#include "repository.h"

struct LoadCounts {
  int created = 0;    // new definitions
  int changed = 0;    // stored ones whose state was replaced
  int unchanged = 0;  // stored ones the IDL left as they were
  int total() const { return created + changed + unchanged; }
};

// Loads the unit in one user transaction: all of it, or (on any failure,
// reported as ToolError or the store's exception) nothing. A definition
// whose repository id is stored keeps its place and name, and gets the
// IDL's state and relations. A unit of work that loses a race to another
// writer is loaded again, up to five times in all.
LoadCounts load_unit(Repository& repository, const IdlUnit& unit);

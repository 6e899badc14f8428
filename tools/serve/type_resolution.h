// Type uses of stored definitions as trees whose named types carry their
// repository ids.
#pragma once

#include "served_store.h"
#include "type_tree.h"

namespace irstore::serve {

// The k-th scoped name that the spelling mentions is the k-th repository id
// of the use. Where the two lists differ in length (the spelling names a
// type the repository does not keep), each name is looked up from the root
// instead. A spelling that is none, or a name that stands for nothing, is a
// repository failure (INTF_REPOS).
TypeTree resolved_type(ServedStore& store, const access::TypeUse& use);

}  // namespace irstore::serve

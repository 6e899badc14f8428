// What qelororm exports. The library is built with hidden visibility, so that
// only what its public headers declare is a dynamic symbol; QELORORM_EXPORT marks
// those declarations (classes, with their members, vtables and typeinfo, and
// free functions and variables).
#pragma once

#define QELORORM_EXPORT __attribute__((visibility("default")))

// What qelorirm exports. The library is built with hidden visibility, so that
// only what its public headers declare is a dynamic symbol; QELORIRM_EXPORT marks
// those declarations (classes, with their members, vtables and typeinfo, and
// free functions and variables).
#pragma once

#define QELORIRM_EXPORT __attribute__((visibility("default")))

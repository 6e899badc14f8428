// The one-shot failures that tests arm with VEKFailNextCall.
#pragma once

#include <qelororm/vekd.h>

namespace qelororm {

// The rc armed for this kind of call, or 0; disarms it.
int take_armed_failure(VEKCall call);

}  // namespace qelororm

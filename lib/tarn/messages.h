// Filling SQLCAs.
#ifndef TARN_MESSAGES_H
#define TARN_MESSAGES_H

#include <cstdint>
#include <string_view>

#include "tarn/tarn.h"

namespace tarn {

// The engine name for answers that come from Tarn itself, not a backend.
inline constexpr const char* kOwnEngineName = "TARN";

// Resets every field of ca and fills code, state, message and engine.
// An empty sqlstate takes the default of the code.
void fill_sqlca(sqlca* ca, int32_t sqlcode, std::string_view sqlstate, std::string_view message,
                std::string_view engine);

}  // namespace tarn

#endif  // TARN_MESSAGES_H

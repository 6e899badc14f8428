// SQLCODEs the engine reports beyond those of the public header, and the
// SQLSTATE and built-in text that belong to each code.
#ifndef TARN_CODES_H
#define TARN_CODES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "backend.h"

namespace tarn {

inline constexpr int32_t kValueTooLong = -302;      // 22001: TARN_SQL_VALUE_TOO_LONG
inline constexpr int32_t kNullWithoutIndicator = -305;  // 22002
inline constexpr int32_t kHostVariableCount = -313;  // 07004: variables and markers differ
inline constexpr int32_t kBadCallParameters = -804;  // 07002: pointers, numbers, types of a call
inline constexpr int32_t kDatabaseExists = 1;        // warning of tarn_create_database

// The SQLSTATE that goes with a code ("58004" for codes without one).
std::string_view default_sqlstate(int32_t sqlcode);
// The built-in message text of a code, used when an SQLCA has none.
std::string_view builtin_text(int32_t sqlcode);

// An EngineError with the default SQLSTATE of its code.
EngineError engine_error(int32_t sqlcode, std::string message);

inline bool is_connection_lost(int32_t sqlcode) {
  return sqlcode >= -1225 && sqlcode <= -1223;
}

}  // namespace tarn

#endif  // TARN_CODES_H

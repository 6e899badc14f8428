#include "pg_columns.h"

#include <algorithm>

#include "tarn/tarn.h"

namespace tarn {
namespace {

// Type OIDs are fixed in PostgreSQL's catalog (pg_type.dat).
constexpr Oid kBool = 16, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kOid = 26,
              kFloat4 = 700, kFloat8 = 701, kBpchar = 1042, kVarchar = 1043, kNumeric = 1700;

constexpr int16_t kLongLength = 32700;
constexpr int16_t kUndeclaredLength = 254;  // as the SQLite backend gives it
constexpr int16_t kNameLength = 63;
constexpr int kHeaderSize = 4;  // character modifiers count a 4-byte header

int16_t declared_length(int modifier, int16_t fallback) {
  if (modifier < kHeaderSize + 1) return fallback;
  return static_cast<int16_t>(std::min(modifier - kHeaderSize, int{INT16_MAX}));
}

}  // namespace

std::pair<int16_t, int16_t> engine_type(Oid type, int modifier) {
  switch (type) {
    case kBpchar:
      // Without a declared width there is no width to pad to.
      if (modifier < kHeaderSize + 1) return {TARN_VARCHAR, kUndeclaredLength};
      return {TARN_CHAR, declared_length(modifier, 1)};
    case kVarchar: return {TARN_VARCHAR, declared_length(modifier, kUndeclaredLength)};
    case kText: return {TARN_LONGVARCHAR, kLongLength};
    case kName: return {TARN_VARCHAR, kNameLength};
    case kInt8: return {TARN_BIGINT, 8};
    case kInt4:
    case kOid: return {TARN_INTEGER, 4};
    case kInt2:
    case kBool: return {TARN_SMALLINT, 2};
    case kFloat4:
    case kFloat8:
    case kNumeric: return {TARN_DOUBLE, 8};
    default: return {TARN_VARCHAR, kUndeclaredLength};
  }
}

}  // namespace tarn

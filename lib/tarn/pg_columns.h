// PostgreSQL's column types in the engine's terms.
#ifndef TARN_PG_COLUMNS_H
#define TARN_PG_COLUMNS_H

#include <libpq-fe.h>

#include <cstdint>
#include <utility>

namespace tarn {

// The engine's type code and length of a column of type `type` with the
// type modifier `modifier` (-1: none): character(n) is TARN_CHAR of n,
// character varying(n) TARN_VARCHAR of n, text TARN_LONGVARCHAR of 32700.
std::pair<int16_t, int16_t> engine_type(Oid type, int modifier);

}  // namespace tarn

#endif  // TARN_PG_COLUMNS_H

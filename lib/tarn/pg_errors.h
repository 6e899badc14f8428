// PostgreSQL's failures in the engine's terms: SQLCODEs from SQLSTATEs,
// a connection the server or the network ended as -1224, and libpq's
// messages on one line.
#ifndef TARN_PG_ERRORS_H
#define TARN_PG_ERRORS_H

#include <libpq-fe.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "backend.h"

namespace tarn {

// The SQLCODE of a statement's SQLSTATE (a state that ends the connection
// is -1224; anything unknown is -901).
int32_t sqlcode_of_state(std::string_view sqlstate);

// The error of a failed result. When the connection is gone, whatever the
// result says, it is -1224.
EngineError result_error(PGconn* connection, const PGresult* result);

// The error of a call that failed without a result (the connection could
// not send, or broke while reading).
EngineError connection_error(PGconn* connection);

// The error of a failed connect: -30082 when the server refused the user
// id or password, -1013 when the database does not exist, -1224 when the
// server could not be reached or did not accept connections.
EngineError connect_error(PGconn* connection);

// libpq's multi-line messages as one line, blanks collapsed.
std::string one_line(std::string_view message);

}  // namespace tarn

#endif  // TARN_PG_ERRORS_H

// Owners of libpq's handles: every PGconn is finished and every PGresult
// cleared on every path.
#ifndef TARN_PG_HANDLES_H
#define TARN_PG_HANDLES_H

#include <libpq-fe.h>

#include <memory>

namespace tarn {

struct FinishConnection {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ClearResult {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgConnPtr = std::unique_ptr<PGconn, FinishConnection>;
using PgResultPtr = std::unique_ptr<PGresult, ClearResult>;

}  // namespace tarn

#endif  // TARN_PG_HANDLES_H

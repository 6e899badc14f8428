// Commands sent to the server together and answered in one round trip
// (libpq's pipeline mode), so that a statement and the savepoint around
// it cost no more waiting than the statement alone.
#ifndef TARN_PG_PIPELINE_H
#define TARN_PG_PIPELINE_H

#include <libpq-fe.h>

#include <optional>
#include <string>
#include <vector>

#include "pg_handles.h"

namespace tarn {

class Batch {
 public:
  // Enters pipeline mode; the destructor leaves it.
  explicit Batch(PGconn* connection);
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // Each call queues one command and returns its index among the results.
  size_t command(const std::string& sql, const std::vector<std::optional<std::string>>& values = {});
  size_t prepare(const std::string& name, const std::string& text);
  size_t describe(const std::string& name);
  size_t execute(const std::string& name, const std::vector<std::optional<std::string>>& values);

  // Sends the queued commands and reads their answers: one result per
  // command, in order. After a failed command the server skips the rest of
  // the batch: their results say PGRES_PIPELINE_ABORTED. Throws the
  // connection's error (-1224) when the connection failed.
  std::vector<PgResultPtr> run();

 private:
  size_t queued(int sent);

  PGconn* connection_;
  size_t count_ = 0;
  bool failed_ = false;  // a command could not be queued
};

// The first result of a batch that is neither a success nor skipped.
const PGresult* first_failure(const std::vector<PgResultPtr>& results);

}  // namespace tarn

#endif  // TARN_PG_PIPELINE_H

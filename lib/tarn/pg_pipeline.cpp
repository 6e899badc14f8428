#include "pg_pipeline.h"

#include "codes.h"
#include "pg_errors.h"
#include "test_hooks.h"

namespace tarn {

Batch::Batch(PGconn* connection) : connection_(connection) {
  if (PQenterPipelineMode(connection_) != 1) failed_ = true;
}

Batch::~Batch() { PQexitPipelineMode(connection_); }

size_t Batch::queued(int sent) {
  if (sent != 1) failed_ = true;
  return count_++;
}

namespace {

std::vector<const char*> texts_of(const std::vector<std::optional<std::string>>& values) {
  std::vector<const char*> texts;
  texts.reserve(values.size());
  for (const auto& value : values) texts.push_back(value ? value->c_str() : nullptr);
  return texts;
}

}  // namespace

size_t Batch::command(const std::string& sql, const std::vector<std::optional<std::string>>& values) {
  std::vector<const char*> texts = texts_of(values);
  return queued(PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(texts.size()), nullptr,
                                  texts.data(), nullptr, nullptr, 0));
}

size_t Batch::prepare(const std::string& name, const std::string& text) {
  return queued(PQsendPrepare(connection_, name.c_str(), text.c_str(), 0, nullptr));
}

size_t Batch::describe(const std::string& name) {
  return queued(PQsendDescribePrepared(connection_, name.c_str()));
}

size_t Batch::execute(const std::string& name, const std::vector<std::optional<std::string>>& values) {
  std::vector<const char*> texts = texts_of(values);
  return queued(PQsendQueryPrepared(connection_, name.c_str(), static_cast<int>(texts.size()),
                                    texts.data(), nullptr, nullptr, 0));
}

std::vector<PgResultPtr> Batch::run() {
  if (failed_ || PQpipelineSync(connection_) != 1) throw connection_error(connection_);
  count_round_trip();
  std::vector<PgResultPtr> results;
  results.reserve(count_);
  for (size_t i = 0; i < count_; ++i) {
    PgResultPtr result(PQgetResult(connection_));
    if (!result) throw connection_error(connection_);
    ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_FATAL_ERROR) {
      // The server may end the session with an error: then nothing else
      // comes, and waiting for the rest would never end.
      EngineError error = result_error(connection_, result.get());
      if (is_connection_lost(error.sqlcode)) throw error;
    }
    // Each command's answer ends with a null result.
    PgResultPtr end(PQgetResult(connection_));
    if (end) throw connection_error(connection_);
    results.push_back(std::move(result));
  }
  PgResultPtr sync(PQgetResult(connection_));
  if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC) {
    if (sync && PQresultStatus(sync.get()) == PGRES_FATAL_ERROR) throw result_error(connection_, sync.get());
    throw connection_error(connection_);
  }
  return results;
}

const PGresult* first_failure(const std::vector<PgResultPtr>& results) {
  for (const PgResultPtr& result : results) {
    ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY &&
        status != PGRES_PIPELINE_ABORTED)
      return result.get();
  }
  return nullptr;
}

}  // namespace tarn

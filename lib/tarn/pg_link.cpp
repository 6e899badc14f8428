#include "pg_link.h"

#include <cstring>

#include "codes.h"
#include "pg_errors.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

constexpr const char* kSavepoint = "SAVEPOINT tarn_statement";
constexpr const char* kRelease = "RELEASE SAVEPOINT tarn_statement";
constexpr const char* kUndoStatement =
    "ROLLBACK TO SAVEPOINT tarn_statement; RELEASE SAVEPOINT tarn_statement";

enum class Guard { none, begin, savepoint };

}  // namespace

PgLink::PgLink(PgConnPtr connection) : connection_(std::move(connection)) {
  PQsetNoticeReceiver(connection_.get(), receive_notice, this);
}

// Notices are dropped, but for the one that says the server ends the
// session: between two statements it arrives as a notice.
void PgLink::receive_notice(void* link, const PGresult* notice) {
  const char* state = PQresultErrorField(notice, PG_DIAG_SQLSTATE);
  const char* message = PQresultErrorField(notice, PG_DIAG_MESSAGE_PRIMARY);
  if (state != nullptr && sqlcode_of_state(state) == TARN_SQL_CONNECTION_LOST)
    static_cast<PgLink*>(link)->ended_by_server_ = one_line(message ? message : state);
}

void PgLink::check_connection() {
  check_alive();
  PGconn* connection = connection_.get();
  // The first read takes what was sent, the second finds a closed socket.
  for (int read = 0; read < 2 && PQstatus(connection) == CONNECTION_OK && ended_by_server_.empty(); ++read)
    PQconsumeInput(connection);
  if (!ended_by_server_.empty()) lost(engine_error(TARN_SQL_CONNECTION_LOST, ended_by_server_));
  if (PQstatus(connection) != CONNECTION_OK) lost(connection_error(connection));
}

void PgLink::check_alive() const {
  if (lost_) throw engine_error(TARN_SQL_CONNECTION_LOST, "the connection to the server was lost");
}

void PgLink::lost(const EngineError& error) {
  lost_ = true;
  begin_pending_ = false;
  transaction_open_ = false;
  released_.clear();
  throw error;
}

void PgLink::update_transaction_state() {
  PGTransactionStatusType status = PQtransactionStatus(connection_.get());
  transaction_open_ = status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

PGresult* PgLink::exec(const std::string& sql, PgResultPtr& holder) {
  holder.reset(PQexec(connection_.get(), sql.c_str()));
  ExecStatusType status = PQresultStatus(holder.get());
  if (holder && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)) return holder.get();
  EngineError error = result_error(connection_.get(), holder.get());
  if (is_connection_lost(error.sqlcode)) lost(error);
  update_transaction_state();
  throw error;
}

std::vector<PgResultPtr> PgLink::round_trip(const std::function<void(Batch&)>& queue, bool begins) {
  check_alive();
  Guard guard = Guard::none;
  std::vector<std::string> released = std::move(released_);
  released_.clear();
  std::vector<PgResultPtr> results;
  try {
    Batch batch(connection_.get());
    if (begins && begin_pending_) {
      batch.command("BEGIN");
      guard = Guard::begin;
    } else if (transaction_open_) {
      batch.command(kSavepoint);
      guard = Guard::savepoint;
    }
    for (const std::string& name : released) batch.command("DEALLOCATE " + name);
    queue(batch);
    if (guard == Guard::savepoint) batch.command(kRelease);
    results = batch.run();
  } catch (const EngineError& error) {
    lost(error);  // a batch fails as a whole only with its connection
  }
  if (guard == Guard::begin) begin_pending_ = false;
  update_transaction_state();
  const PGresult* failure = first_failure(results);
  if (failure == nullptr) return results;

  EngineError error = result_error(connection_.get(), failure);
  if (is_connection_lost(error.sqlcode)) lost(error);
  PgResultPtr undo;
  if (guard == Guard::savepoint && transaction_open_) {
    exec(kUndoStatement, undo);
  } else if (guard == Guard::begin) {
    // The unit of work had nothing yet: it stays open, as before.
    if (transaction_open_) exec("ROLLBACK", undo);
    transaction_open_ = false;
    begin_pending_ = true;
  }
  throw error;
}

void PgLink::run_script(const std::string& script) {
  check_alive();
  PgResultPtr result;
  if (begin_pending_) {
    exec("BEGIN", result);
    begin_pending_ = false;
    transaction_open_ = true;
  }
  if (!transaction_open_) {
    exec(script, result);
    return;
  }
  exec(kSavepoint, result);
  try {
    exec(script, result);
  } catch (const EngineError&) {
    if (!lost_) exec(kUndoStatement, result);
    throw;
  }
  exec(kRelease, result);
}

void PgLink::begin() {
  if (!transaction_open_) begin_pending_ = true;
}

void PgLink::commit() {
  begin_pending_ = false;
  if (!transaction_open_) return;
  check_alive();
  PgResultPtr result;
  exec("COMMIT", result);
  update_transaction_state();
  // A transaction that had failed ends with ROLLBACK instead: never report
  // that as a commit.
  if (std::strcmp(PQcmdStatus(result.get()), "COMMIT") != 0)
    throw EngineError{TARN_SQL_ENGINE_ERROR, "40000", "the unit of work was rolled back, not committed"};
}

void PgLink::rollback() {
  begin_pending_ = false;
  if (!transaction_open_) return;
  check_alive();
  PgResultPtr result;
  exec("ROLLBACK", result);
  update_transaction_state();
}

std::string PgLink::next_statement_name() { return "tarn_" + std::to_string(++statements_made_); }

void PgLink::release_statement(std::string name) noexcept {
  if (lost_) return;
  try {
    released_.push_back(std::move(name));
  } catch (...) {
    // Without memory the statement stays on the server until the
    // connection ends: a leak there, never a failure here.
  }
}

bool PgLink::not_null(Oid table, int column) {
  auto found = not_null_.find(table);
  if (found == not_null_.end()) {
    look_up_tables({table});
    found = not_null_.find(table);
  }
  auto entry = found->second.find(column);
  return entry != found->second.end() && entry->second;
}

void PgLink::look_up_tables(const std::vector<Oid>& tables) {
  std::string list = "{";
  for (Oid table : tables) {
    if (list.size() > 1) list += ',';
    list += std::to_string(table);
  }
  list += "}";
  size_t index = 0;
  std::vector<PgResultPtr> results = round_trip(
      [&](Batch& batch) {
        index = batch.command(
            "SELECT attrelid, attnum, attnotnull FROM pg_catalog.pg_attribute "
            "WHERE attnum > 0 AND attrelid = ANY($1::pg_catalog.oid[])",
            {list});
      },
      false);
  for (Oid table : tables) not_null_[table];
  const PGresult* rows = results[index].get();
  for (int row = 0; row < PQntuples(rows); ++row) {
    Oid table = static_cast<Oid>(std::stoul(PQgetvalue(rows, row, 0)));
    not_null_[table][std::stoi(PQgetvalue(rows, row, 1))] = PQgetvalue(rows, row, 2)[0] == 't';
  }
}

}  // namespace tarn

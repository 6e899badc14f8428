// One connection to a PostgreSQL server, shared by the backend's
// Connection and its Statements: round trips, the unit of work, and the
// server-side statements that are no longer used.
//
// PostgreSQL aborts the whole transaction on any failed statement, while
// the engine's callers need what SQLite does: a failed statement leaves the
// unit of work as it was. Inside a unit of work every round
// trip is therefore enclosed in a savepoint, sent in the same pipeline,
// and a failure rolls back to it.
#ifndef TARN_PG_LINK_H
#define TARN_PG_LINK_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "backend.h"
#include "pg_handles.h"
#include "pg_pipeline.h"

namespace tarn {

class PgLink {
 public:
  explicit PgLink(PgConnPtr connection);

  // Runs the commands that queue() adds as one round trip and returns their
  // results. With begins, a unit of work begun by begin() is opened on the
  // server first. Throws the first failure as an EngineError, after the
  // unit of work was put back as it was before the round trip.
  std::vector<PgResultPtr> round_trip(const std::function<void(Batch&)>& queue, bool begins);

  // Runs a script of statements (simple protocol), inside the unit of work
  // when one is open, with the same failure rule.
  void run_script(const std::string& script);

  // Reads what the server sent unasked: a session it ended is lost.
  void check_connection();

  bool in_transaction() const { return begin_pending_ || transaction_open_; }
  // The unit of work is opened on the server with its first statement.
  void begin();
  void commit();
  void rollback();

  // A name for a new server-side statement.
  std::string next_statement_name();
  // The statement of that name is no longer used; it is deallocated with
  // the next round trip. Never throws.
  void release_statement(std::string name) noexcept;

  // Whether column `column` (1-based) of table `table` is declared NOT
  // NULL; looked up once per table and connection.
  bool not_null(Oid table, int column);

 private:
  PGresult* exec(const std::string& sql, PgResultPtr& holder);
  void check_alive() const;
  // The connection is gone and its unit of work with it.
  [[noreturn]] void lost(const EngineError& error);
  void look_up_tables(const std::vector<Oid>& tables);
  void update_transaction_state();
  static void receive_notice(void* link, const PGresult* notice);

  PgConnPtr connection_;
  bool begin_pending_ = false;    // begin() was called; BEGIN not sent yet
  bool transaction_open_ = false;  // the server has a transaction open
  bool lost_ = false;
  std::string ended_by_server_;  // the server's message when it said so between statements
  long statements_made_ = 0;
  std::vector<std::string> released_;
  std::map<Oid, std::map<int, bool>> not_null_;
};

}  // namespace tarn

#endif  // TARN_PG_LINK_H

// The engine floor on SQLite: the statements the store ran, each shape
// prepared once with its quoted values bound as parameters, run on the
// calling thread against a database that went through the same changes.
// Reads outside a unit of work run each in a transaction of its own, or
// those of one operation in one read transaction, as the store's are.
#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include <tarn/tarn.h>

#include "runs.h"
#include "sqlite_backend.h"
#include "statement_cache.h"
#include "statement_log.h"

namespace {

using Clock = std::chrono::steady_clock;

class SqliteFloor {
 public:
  SqliteFloor(const std::string& path, FloorReads reads) : reads_(reads) {
    if (sqlite3_open_v2(path.c_str(), &db_, tarn::sqlite_open_flags(), nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + path);
    }
    tarn::configure_sqlite_connection(db_);  // opened and set up as the engine's own connections
    begin_ = prepared("BEGIN");
    commit_ = prepared("COMMIT");
  }
  ~SqliteFloor() {
    for (auto& [text, statement] : prepared_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }

  // What a logged statement needs to run: prepared (once per shape) and
  // its values, so that running it is all that is timed.
  struct Job {
    LoggedStatement::Kind kind;
    sqlite3_stmt* statement = nullptr;
    std::vector<std::string> values;
    bool measured = false;  // of an operation the store timed
  };

  Job plan(const LoggedStatement& logged) {
    Job job{logged.kind, nullptr, {}, logged.workload != Workload::kSetup};
    if (logged.kind == LoggedStatement::kCommit || logged.kind == LoggedStatement::kRollback ||
        logged.kind == LoggedStatement::kOperationEnd) {
      return job;
    }
    if (logged.kind == LoggedStatement::kInsert || logged.kind == LoggedStatement::kUpdate) {
      job.statement = prepared(logged.text);
      job.values = logged.values;
      return job;
    }
    tarn::Shape shape = tarn::shape_of(logged.text);
    job.statement = prepared(shape.text);
    job.values = std::move(shape.values);
    return job;
  }

  void run(const Job& job) {
    if (job.kind == LoggedStatement::kOperationEnd) return end_reads();
    if (job.kind == LoggedStatement::kCommit || job.kind == LoggedStatement::kRollback) {
      end_reads();
      if (in_transaction_) exec(job.kind == LoggedStatement::kCommit ? "COMMIT" : "ROLLBACK");
      in_transaction_ = false;
      return;
    }
    if (!sqlite3_stmt_readonly(job.statement) && !in_transaction_) {
      end_reads();  // a unit of work begins with the file's write lock, as the store's does
      exec("BEGIN IMMEDIATE");
      in_transaction_ = true;
    } else if (!in_transaction_ && !reading_ && job.measured && reads_ == FloorReads::kOneTransactionPerOperation) {
      step_all(begin_, {});
      reading_ = true;
    }
    step_all(job.statement, job.values);
  }

 private:
  void exec(const char* text) {
    if (sqlite3_exec(db_, text, nullptr, nullptr, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string(text) + ": " + sqlite3_errmsg(db_));
    }
  }
  sqlite3_stmt* prepared(const std::string& text) {
    auto found = prepared_.find(text);
    if (found != prepared_.end()) return found->second;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, text.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
      throw std::runtime_error(text + ": " + sqlite3_errmsg(db_));
    }
    prepared_.emplace(text, statement);
    return statement;
  }
  // Runs a statement to its end, reading every column of every row as text.
  void step_all(sqlite3_stmt* statement, const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      sqlite3_bind_text(statement, static_cast<int>(i) + 1, values[i].c_str(),
                        static_cast<int>(values[i].size()), SQLITE_STATIC);
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(statement); ++c) sqlite3_column_text(statement, c);
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (rc != SQLITE_DONE && rc != SQLITE_CONSTRAINT) {
      throw std::runtime_error(std::string(sqlite3_sql(statement)) + ": " + sqlite3_errmsg(db_));
    }
  }

  void end_reads() {
    if (!reading_) return;
    reading_ = false;
    step_all(commit_, {});
  }

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> prepared_;
  FloorReads reads_;
  sqlite3_stmt* begin_ = nullptr;  // of a read transaction, prepared once as the store keeps its own
  sqlite3_stmt* commit_ = nullptr;
  bool in_transaction_ = false;  // a unit of work holds the write lock
  bool reading_ = false;         // an operation's read transaction is open
};

std::string sqlite_path(const char* alias) {
  char description[1024];
  if (tarn_resolve_alias(alias, description, sizeof description) != 0 ||
      std::strncmp(description, "sqlite ", 7) != 0) {
    throw std::runtime_error(std::string("not an SQLite alias: ") + alias);
  }
  return description + 7;
}

}  // namespace

void run_floor_sqlite(const char* alias, FloorReads reads, const std::string& log_path, RunResults& results) {
  SqliteFloor floor(sqlite_path(alias), reads);
  StatementLogReader log(log_path);
  LoggedStatement logged;
  while (log.next(logged)) {
    SqliteFloor::Job job = floor.plan(logged);
    auto start = Clock::now();
    floor.run(job);
    if (logged.workload != Workload::kSetup) {
      results.add(logged.workload, std::chrono::duration<double>(Clock::now() - start).count(), 0);
    }
  }
}

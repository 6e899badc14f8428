// The engine floor on SQLite: the statements the store ran, each shape
// prepared once with its quoted values bound as parameters, run on the
// calling thread against a database that went through the same changes.
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
#include "statement_log.h"

namespace {

using Clock = std::chrono::steady_clock;

// The upper-casing the engine registers for UCASE(NAME).
void ucase(sqlite3_context* context, int, sqlite3_value** values) {
  const unsigned char* text = sqlite3_value_text(values[0]);
  if (!text) {
    sqlite3_result_null(context);
    return;
  }
  std::string upper(reinterpret_cast<const char*>(text));
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  sqlite3_result_text(context, upper.c_str(), static_cast<int>(upper.size()), SQLITE_TRANSIENT);
}

// A statement text with its quoted values taken out as parameters.
struct Shape {
  std::string text;
  std::vector<std::string> values;
};

Shape shape_of(const std::string& text) {
  Shape shape;
  shape.text.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\'') {
      shape.text += text[i];
      continue;
    }
    std::string value;
    for (++i; i < text.size(); ++i) {
      if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
        value += '\'';
        ++i;
      } else if (text[i] == '\'') {
        break;
      } else {
        value += text[i];
      }
    }
    shape.text += '?';
    shape.values.push_back(std::move(value));
  }
  return shape;
}

class SqliteFloor {
 public:
  explicit SqliteFloor(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + path);
    }
    sqlite3_create_function(db_, "UCASE", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &ucase,
                            nullptr, nullptr);
    exec("PRAGMA case_sensitive_like = ON");
    exec("PRAGMA cache_size = -8192");  // as the engine sets it
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
  };

  Job plan(const LoggedStatement& logged) {
    Job job{logged.kind, nullptr, {}};
    if (logged.kind == LoggedStatement::kCommit || logged.kind == LoggedStatement::kRollback) return job;
    if (logged.kind == LoggedStatement::kInsert || logged.kind == LoggedStatement::kUpdate) {
      job.statement = prepared(logged.text);
      job.values = logged.values;
      return job;
    }
    Shape shape = shape_of(logged.text);
    job.statement = prepared(shape.text);
    job.values = std::move(shape.values);
    return job;
  }

  void run(const Job& job) {
    if (job.kind == LoggedStatement::kCommit || job.kind == LoggedStatement::kRollback) {
      if (in_transaction_) exec(job.kind == LoggedStatement::kCommit ? "COMMIT" : "ROLLBACK");
      in_transaction_ = false;
      return;
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
    if (!sqlite3_stmt_readonly(statement) && !in_transaction_) {
      exec("BEGIN IMMEDIATE");
      in_transaction_ = true;
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

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> prepared_;
  bool in_transaction_ = false;
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

void run_floor_sqlite(const char* alias, const std::string& log_path, RunResults& results) {
  SqliteFloor floor(sqlite_path(alias));
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

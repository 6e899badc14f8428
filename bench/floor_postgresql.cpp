// The engine floor on PostgreSQL: the statements the store ran, each shape
// prepared once on the server with its quoted values as parameters, run on
// the calling thread through libpq against a database that went through the
// same changes. Bare statements: no savepoints, no session around them.
#include <libpq-fe.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include <tarn/tarn.h>

#include "pg_dialect.h"
#include "runs.h"
#include "statement_cache.h"
#include "statement_log.h"

namespace {

using Clock = std::chrono::steady_clock;

struct ClearResult {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ClearResult>;

class PostgresFloor {
 public:
  explicit PostgresFloor(const std::string& conninfo) : connection_(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(connection_) != CONNECTION_OK) {
      throw std::runtime_error(std::string("cannot connect: ") + PQerrorMessage(connection_));
    }
  }
  ~PostgresFloor() { PQfinish(connection_); }

  struct Job {
    LoggedStatement::Kind kind;
    const std::string* name = nullptr;  // the prepared statement
    std::vector<std::string> values;
    bool writes = false;
  };

  Job plan(const LoggedStatement& logged) {
    Job job{logged.kind, nullptr, {}, false};
    if (logged.kind == LoggedStatement::kCommit || logged.kind == LoggedStatement::kRollback ||
        logged.kind == LoggedStatement::kOperationEnd) {
      return job;
    }
    // The texts the engine prepares: values out as parameters, in PostgreSQL's dialect.
    tarn::Shape shape = tarn::shape_of(logged.text);
    job.name = &prepared(tarn::to_postgresql(shape.text).text);
    job.values = logged.kind == LoggedStatement::kInsert || logged.kind == LoggedStatement::kUpdate
                     ? logged.values
                     : std::move(shape.values);
    job.writes = logged.text[0] != 'S';
    return job;
  }

  // Runs a job; returns the round trips it took.
  long run(const Job& job) {
    long before = round_trips_;
    if (job.kind == LoggedStatement::kOperationEnd) return 0;
    if (job.kind == LoggedStatement::kCommit || job.kind == LoggedStatement::kRollback) {
      if (in_transaction_) exec(job.kind == LoggedStatement::kCommit ? "COMMIT" : "ROLLBACK");
      in_transaction_ = false;
      return round_trips_ - before;
    }
    if (job.writes && !in_transaction_) {
      exec("BEGIN");
      in_transaction_ = true;
    }
    std::vector<const char*> values;
    for (const std::string& value : job.values) values.push_back(value.c_str());
    Result result(PQexecPrepared(connection_, job.name->c_str(), static_cast<int>(values.size()), values.data(),
                                 nullptr, nullptr, 0));
    ++round_trips_;
    ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
      throw std::runtime_error(std::string("floor statement failed: ") + PQresultErrorMessage(result.get()));
    }
    for (int row = 0; row < PQntuples(result.get()); ++row) {
      for (int column = 0; column < PQnfields(result.get()); ++column) PQgetvalue(result.get(), row, column);
    }
    return round_trips_ - before;
  }

  // The time of one round trip with nothing to do on the server: a
  // prepared SELECT of a constant, on the same connection.
  void calibrate(RunResults& results) {
    Job job{LoggedStatement::kQuery, &prepared("SELECT 1"), {}, false};
    constexpr int kRuns = 2000;
    for (int i = 0; i < 100; ++i) run(job);  // warm
    long round_trips = 0;
    auto start = Clock::now();
    for (int i = 0; i < kRuns; ++i) round_trips += run(job);
    results.add(Workload::kCalibration, std::chrono::duration<double>(Clock::now() - start).count(), kRuns,
                round_trips);
  }

 private:
  void exec(const char* text) {
    Result result(PQexec(connection_, text));
    ++round_trips_;
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      throw std::runtime_error(std::string(text) + ": " + PQresultErrorMessage(result.get()));
    }
  }
  const std::string& prepared(const std::string& text) {
    auto found = names_.find(text);
    if (found != names_.end()) return found->second;
    std::string name = "floor" + std::to_string(names_.size());
    Result result(PQprepare(connection_, name.c_str(), text.c_str(), 0, nullptr));
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      throw std::runtime_error(text + ": " + PQresultErrorMessage(result.get()));
    }
    return names_.emplace(text, std::move(name)).first->second;
  }

  PGconn* connection_;
  std::unordered_map<std::string, std::string> names_;
  bool in_transaction_ = false;
  long round_trips_ = 0;
};

}  // namespace

void run_floor_postgresql(const std::string& conninfo, const std::string& log_path, RunResults& results) {
  PostgresFloor floor(conninfo);
  floor.calibrate(results);
  StatementLogReader log(log_path);
  LoggedStatement logged;
  while (log.next(logged)) {
    PostgresFloor::Job job = floor.plan(logged);
    auto start = Clock::now();
    long round_trips = floor.run(job);
    if (logged.workload != Workload::kSetup) {
      results.add(logged.workload, std::chrono::duration<double>(Clock::now() - start).count(), 0, round_trips);
    }
  }
}

// The statements the store ran, logged as it ran them, with the workload
// each belongs to and where each operation ended, so that the engine floor
// can run the very same statements on the same rows later, without the
// store around them. The log is kept in memory while an operation runs and
// written to its file between operations: the store's timed region pays a
// copy of each text, not a write.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "workloads.h"

struct LoggedStatement {
  enum Kind { kQuery, kStatement, kInsert, kUpdate, kCommit, kRollback, kOperationEnd = 100 };
  Kind kind;
  Workload workload;
  std::string text;
  std::vector<std::string> values;  // of the static insert and update
};

class StatementLogWriter {
 public:
  explicit StatementLogWriter(const std::string& path);
  ~StatementLogWriter();
  StatementLogWriter(const StatementLogWriter&) = delete;
  StatementLogWriter& operator=(const StatementLogWriter&) = delete;

  // Statements logged from now on belong to this workload. Leaving a
  // measured workload ends one of its operations.
  void set_workload(Workload workload);
  // Starts logging every statement the session runs; stop() ends it.
  void start();
  void stop();

 private:
  static void observe(const struct StatementEvent& event, void* self);
  void record(unsigned char kind, const char* text, int value_count, const char* const* values);
  void flush();
  std::FILE* file_;
  std::string pending_;  // logged since the last flush
  Workload workload_ = Workload::kSetup;
};

class StatementLogReader {
 public:
  explicit StatementLogReader(const std::string& path);
  ~StatementLogReader();
  StatementLogReader(const StatementLogReader&) = delete;
  StatementLogReader& operator=(const StatementLogReader&) = delete;

  // The next statement; false at the end of the log.
  bool next(LoggedStatement& statement);

 private:
  std::FILE* file_;
};

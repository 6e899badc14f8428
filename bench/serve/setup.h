// What the server benchmark runs against: a fresh repository on an engine
// (a temporary SQLite file, or a database of its own on a PostgreSQL
// server), loaded with the definitions the workloads ask for, served by
// irstore-serve --writable, and the floor beside it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace irstore::serve_bench {

// What the workloads ask for.
constexpr const char* kLookedUp = "IDL:Bench/Big/op7:1.0";
constexpr const char* kBig = "IDL:Bench/Big:1.0";          // an interface with 20 operations
constexpr const char* kHundred = "IDL:Bench/Hundred:1.0";  // a module with 100 definitions
constexpr const char* kGrow = "IDL:Bench/Grow:1.0";        // where create_operation creates

// A program in the background while the object lives: stopped with
// SIGTERM and waited for when it goes.
class Process {
 public:
  // Standard output and error go to the log file.
  Process(const std::vector<std::string>& argv, const std::string& log);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The file, once the program has written it; std::runtime_error with
  // the program's log when it ends first.
  std::string wait_for_file(const std::string& file);

 private:
  pid_t pid_;
  std::string log_;
};

class BenchRepository {
 public:
  static constexpr const char* kAlias = "SRVBENCH";

  // engine is "sqlite" or "postgresql"; pg_conninfo names a server on
  // which the benchmark may create a database.
  BenchRepository(const std::string& engine, const std::string& pg_conninfo);
  // Drops the database, removes the directory.
  ~BenchRepository();
  BenchRepository(const BenchRepository&) = delete;
  BenchRepository& operator=(const BenchRepository&) = delete;

  const std::string& home() const { return home_; }

 private:
  void tool(const std::vector<std::string>& arguments);

  std::string home_;
  std::string pg_conninfo_;
  std::string database_;  // on PostgreSQL
};

// irstore-serve on the repository, and the floor, which copies its
// answers from that server.
class Servers {
 public:
  Servers(const BenchRepository& repository, const std::string& self);

  std::string server_ior;
  std::string floor_ior;

 private:
  std::unique_ptr<Process> server_;  // the floor goes first, then the server
  std::unique_ptr<Process> floor_;
};

}  // namespace irstore::serve_bench

// The three runs of one repository size: the store, the engine floor (the
// store's own statements on the bare engine) and plain in-memory maps.
#pragma once

#include <chrono>
#include <map>
#include <string>

#include <tarn/tarn.h>

#include "synthetic.h"
#include "workloads.h"

struct WorkloadTime {
  double seconds = 0;
  long operations = 0;
  long round_trips = 0;  // waits for a database server's answer
  double microseconds_per_operation() const {
    return operations > 0 ? seconds * 1e6 / static_cast<double>(operations) : 0;
  }
};

// The store's operations of one workload, timed one at a time, with the
// round trips to a database server they took.
struct StoreMeter {
  double seconds = 0;
  long round_trips = 0;
  template <class Operation>
  void time(Operation&& operation) {
    long round_trips_before = tarn_round_trip_count();
    auto start = std::chrono::steady_clock::now();
    operation();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    round_trips += tarn_round_trip_count() - round_trips_before;
  }
};

struct RunResults {
  std::map<Workload, WorkloadTime> times;
  void add(Workload workload, double seconds, long operations, long round_trips = 0) {
    WorkloadTime& time = times[workload];
    time.seconds += seconds;
    time.operations += operations;
    time.round_trips += round_trips;
  }
};

// Builds the plan through IRDB on the alias and runs every workload,
// logging the statements to log_path.
void run_store(const Plan& plan, const char* alias, const std::string& log_path, RunResults& results);

// How the engine floor groups the logged statements. Each statement on its
// own (a read outside a unit of work in a transaction of its own) is what
// the engine costs with nothing shared; on SQLite, each operation's reads
// in one read transaction is what it costs at best.
enum class FloorReads { kEachOnItsOwn, kOneTransactionPerOperation };

// Runs the logged statements on a fresh database of the same engine (the
// alias's database, created empty) with statements prepared once, on the
// calling thread, timing each workload's statements and counting its round
// trips. A server's floor also times a trivial prepared SELECT on the same
// connection (Workload::kCalibration).
void run_floor(const char* alias, FloorReads reads, const std::string& log_path, RunResults& results);

// Answers the same questions from maps built from the plan.
void run_memory(const Plan& plan, RunResults& results);

// The wide container (contents_wide): a module of `members` members built
// through IRDB on the alias, and its contents asked for wide_repetitions
// times, logging the statements to log_path; the same answers from memory.
void run_store_wide(int members, const char* alias, const std::string& log_path, RunResults& results);
void run_memory_wide(int members, RunResults& results);
int wide_repetitions(int members);

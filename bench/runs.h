// The three runs of one repository size: the store, the engine floor (the
// store's own statements on the bare engine) and plain in-memory maps.
#pragma once

#include <map>
#include <string>

#include "synthetic.h"
#include "workloads.h"

struct WorkloadTime {
  double seconds = 0;
  long operations = 0;
  double microseconds_per_operation() const {
    return operations > 0 ? seconds * 1e6 / static_cast<double>(operations) : 0;
  }
};

struct RunResults {
  std::map<Workload, WorkloadTime> times;
  void add(Workload workload, double seconds, long operations) {
    WorkloadTime& time = times[workload];
    time.seconds += seconds;
    time.operations += operations;
  }
};

// Builds the plan through IRDB on the alias and runs every workload,
// logging the statements to log_path.
void run_store(const Plan& plan, const char* alias, const std::string& log_path, RunResults& results);

// Runs the logged statements on a fresh database of the same engine (the
// alias's database, created empty) with statements prepared once, on the
// calling thread, timing each workload's statements.
void run_floor(const char* alias, const std::string& log_path, RunResults& results);

// Answers the same questions from maps built from the plan.
void run_memory(const Plan& plan, RunResults& results);

// The wide container (contents_wide): a module of `members` members built
// through IRDB on the alias, and its contents asked for wide_repetitions
// times, logging the statements to log_path; the same answers from memory.
void run_store_wide(int members, const char* alias, const std::string& log_path, RunResults& results);
void run_memory_wide(int members, RunResults& results);
int wide_repetitions(int members);

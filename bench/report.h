// What a benchmark run reports: one row per engine, workload and size, as
// CSV, as Markdown with the targets checked, and as a plot.
#pragma once

#include <string>
#include <vector>

#include "workloads.h"

struct ResultRow {
  std::string engine;
  Workload workload;
  int objects;
  double store_us = 0;
  double floor_us = 0;       // each statement on its own
  double read_floor_us = 0;  // each operation's reads in one read transaction (SQLite; else 0)
  double store_round_trips = 0;  // per operation, to a database server (0 on SQLite)
  double floor_round_trips = 0;
  double calibration_us = 0;  // one round trip of a trivial prepared SELECT (a server; else 0)
  double memory_us = 0;
  long peak_rss_kb = 0;
  double ratio() const { return floor_us > 0 ? store_us / floor_us : 0; }
  double read_floor_ratio() const { return read_floor_us > 0 ? store_us / read_floor_us : 0; }
};

// Writes <directory>/latest.csv, latest.md and (with gnuplot) latest.png,
// prints the tables, and returns the target lines (each "MET: ..." or
// "MISSED: ...").
std::vector<std::string> write_report(const std::vector<ResultRow>& rows, const std::string& directory,
                                      const std::string& machine);

// The rows of a CSV that write_report wrote; the machine from the first line
// of the Markdown beside it.
std::vector<ResultRow> read_report(const std::string& csv_path);

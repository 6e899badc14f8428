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
  double store_us;
  double floor_us;
  double memory_us;
  long peak_rss_kb;
  double ratio() const { return floor_us > 0 ? store_us / floor_us : 0; }
};

// Writes <directory>/latest.csv, latest.md and (with gnuplot) latest.png,
// prints the tables, and returns the target lines (each "MET: ..." or
// "MISSED: ...").
std::vector<std::string> write_report(const std::vector<ResultRow>& rows, const std::string& directory,
                                      const std::string& machine);

// The rows of a CSV that write_report wrote; the machine from the first line
// of the Markdown beside it.
std::vector<ResultRow> read_report(const std::string& csv_path);

// The server benchmark's results: DIR/serve.csv, serve.md (tables and the
// targets' verdicts) and serve.png (with gnuplot).
#pragma once

#include <string>
#include <vector>

#include "clients.h"

namespace irstore::serve_bench {

struct Row {
  std::string engine;
  Workload workload;
  int clients;
  Measure server;
  Measure floor;
};

// machine: what ran it; load: the load averages around the run.
void write_report(const std::string& directory, const std::vector<Row>& rows, const std::string& machine,
                  const std::string& load);

}  // namespace irstore::serve_bench

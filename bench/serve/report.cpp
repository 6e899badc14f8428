#include "report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

namespace irstore::serve_bench {

namespace {

std::string fixed(double value, int decimals = 1) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

double ratio(const Row& row) { return row.floor.us_per_call > 0 ? row.server.us_per_call / row.floor.us_per_call : 0; }

std::vector<std::string> engines_of(const std::vector<Row>& rows) {
  std::vector<std::string> engines;
  for (const Row& row : rows) {
    if (std::find(engines.begin(), engines.end(), row.engine) == engines.end()) engines.push_back(row.engine);
  }
  return engines;
}

const Row* find(const std::vector<Row>& rows, const std::string& engine, Workload workload, int clients) {
  for (const Row& row : rows) {
    if (row.engine == engine && row.workload == workload && row.clients == clients) return &row;
  }
  return nullptr;
}

void write_csv(const std::string& file, const std::vector<Row>& rows) {
  std::ofstream csv(file);
  csv << "engine,workload,clients,server_us,floor_us,ratio,server_calls_per_s,floor_calls_per_s\n";
  for (const Row& row : rows) {
    csv << row.engine << ',' << workload_name(row.workload) << ',' << row.clients << ','
        << fixed(row.server.us_per_call, 2) << ',' << fixed(row.floor.us_per_call, 2) << ',' << fixed(ratio(row), 2)
        << ',' << fixed(row.server.calls_per_second, 0) << ',' << fixed(row.floor.calls_per_second, 0) << '\n';
  }
}

// The targets: lookup_id with one client at most twice its floor; with
// eight clients, every workload at least as many calls a second as with one.
std::vector<std::string> verdicts(const std::vector<Row>& rows) {
  std::vector<std::string> lines;
  for (const std::string& engine : engines_of(rows)) {
    if (const Row* one = find(rows, engine, Workload::LookupId, 1)) {
      lines.push_back(std::string(ratio(*one) <= 2 ? "MET" : "MISSED") + ": " + engine + " lookup_id with 1 client costs " +
                      fixed(ratio(*one), 2) + "x its floor (target at most 2x)");
    }
    for (Workload workload : kWorkloads) {
      const Row* one = find(rows, engine, workload, 1);
      const Row* eight = find(rows, engine, workload, 8);
      if (!one || !eight) continue;
      bool met = eight->server.calls_per_second >= one->server.calls_per_second;
      lines.push_back(std::string(met ? "MET" : "MISSED") + ": " + engine + " " + workload_name(workload) +
                      " answers " + fixed(eight->server.calls_per_second, 0) + " calls/s to 8 clients, " +
                      fixed(one->server.calls_per_second, 0) + " to 1 (target at least as many; the floor: " +
                      fixed(eight->floor.calls_per_second, 0) + " and " + fixed(one->floor.calls_per_second, 0) + ")");
    }
  }
  return lines;
}

void write_markdown(const std::string& file, const std::vector<Row>& rows, const std::string& machine,
                    const std::string& load) {
  std::ofstream md(file);
  md << "Measured on " << machine << "; load average " << load
     << ". Times are microseconds per call as each client waits for it; calls/s count all clients together.\n";
  for (const std::string& engine : engines_of(rows)) {
    md << "\n#### " << engine << "\n\n"
       << "| workload | clients | server | floor | ratio | server calls/s | floor calls/s |\n"
       << "|---|---:|---:|---:|---:|---:|---:|\n";
    for (const Row& row : rows) {
      if (row.engine != engine) continue;
      md << "| " << workload_name(row.workload) << " | " << row.clients << " | " << fixed(row.server.us_per_call) << " | "
         << fixed(row.floor.us_per_call) << " | " << fixed(ratio(row), 2) << " | "
         << fixed(row.server.calls_per_second, 0) << " | " << fixed(row.floor.calls_per_second, 0) << " |\n";
    }
  }
  md << '\n';
  for (const std::string& line : verdicts(rows)) md << "- " << line << '\n';
}

// Calls a second against clients: each workload on the server (solid)
// beside its floor (dashed), one panel per engine.
void plot(const std::string& directory, const std::vector<Row>& rows) {
  if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) {
    std::cerr << "serve bench: gnuplot is not installed; no plot (apt-get install gnuplot-nox)\n";
    return;
  }
  std::string data = directory + "/serve.dat", script = directory + "/serve.gnuplot";
  std::ofstream dat(data);
  std::vector<std::string> engines = engines_of(rows);
  std::map<std::string, std::vector<std::string>> plots;
  int index = 0;
  for (const std::string& engine : engines) {
    for (Workload workload : kWorkloads) {
      for (bool floor : {false, true}) {
        dat << "# " << engine << ' ' << workload_name(workload) << (floor ? " floor" : "") << '\n';
        for (const Row& row : rows) {
          if (row.engine == engine && row.workload == workload) {
            dat << row.clients << ' ' << fixed((floor ? row.floor : row.server).calls_per_second, 0) << '\n';
          }
        }
        dat << "\n\n";
        plots[engine].push_back("'" + data + "' index " + std::to_string(index++) + " with linespoints" +
                                (floor ? " dashtype 2" : "") + " linecolor " +
                                std::to_string(static_cast<int>(workload) + 1) + " title '" + workload_name(workload) +
                                (floor ? " floor" : "") + "'");
      }
    }
  }
  dat.close();
  std::ofstream gp(script);
  gp << "set terminal png noenhanced size 1400,620\n"
     << "set output '" << directory << "/serve.png'\n"
     << "set multiplot layout 1," << engines.size() << " title 'irstore serve: calls a second against clients, beside the floor'\n"
     << "set logscale y\nset xrange [0:9]\nset xtics (1, 4, 8)\nset xlabel 'clients'\nset ylabel 'calls a second'\n"
     << "set key outside right font ',8'\nset grid\n";
  for (const std::string& engine : engines) {
    gp << "set title '" << engine << "'\nplot ";
    for (std::size_t i = 0; i < plots[engine].size(); ++i) gp << (i ? ", " : "") << plots[engine][i];
    gp << '\n';
  }
  gp << "unset multiplot\n";
  gp.close();
  if (std::system(("gnuplot '" + script + "'").c_str()) != 0) std::cerr << "serve bench: gnuplot failed\n";
}

}  // namespace

void write_report(const std::string& directory, const std::vector<Row>& rows, const std::string& machine,
                  const std::string& load) {
  write_csv(directory + "/serve.csv", rows);
  write_markdown(directory + "/serve.md", rows, machine, load);
  plot(directory, rows);
  for (const std::string& line : verdicts(rows)) std::cout << line << '\n';
}

}  // namespace irstore::serve_bench

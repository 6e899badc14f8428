#include "report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

namespace {

std::string fixed(double value, int digits = 1) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(digits) << value;
  return text.str();
}

const ResultRow* find_row(const std::vector<ResultRow>& rows, const std::string& engine, Workload workload,
                          int objects) {
  for (const ResultRow& row : rows) {
    if (row.engine == engine && row.workload == workload && row.objects == objects) return &row;
  }
  return nullptr;
}

std::vector<std::string> check_targets(const std::vector<ResultRow>& rows, const std::string& engine,
                                       const std::vector<int>& sizes) {
  std::vector<std::string> lines;
  int smallest = sizes.front(), largest = sizes.back();
  auto verdict = [](bool met) { return met ? "MET" : "MISSED"; };
  if (smallest != largest) {
    for (Workload workload : kMeasured) {
      const ResultRow* small = find_row(rows, engine, workload, smallest);
      const ResultRow* large = find_row(rows, engine, workload, largest);
      if (!small || !large || small->store_us <= 0) continue;
      double growth = large->store_us / small->store_us;
      // An answer that grows with the repository may cost linearly more,
      // with the same room for the engine as a fixed answer.
      double target = 1.5 * (answer_grows(workload) ? static_cast<double>(largest) / smallest : 1.0);
      // The floor's own growth beside it: what the engine grows by itself.
      std::string floor_growth = small->floor_us > 0 && large->floor_us > 0
                                     ? "; the engine floor grows " + fixed(large->floor_us / small->floor_us, 2) + "x"
                                     : "";
      lines.push_back(std::string(verdict(growth <= target)) + ": " + engine + " " + workload_name(workload) +
                      " costs " + fixed(growth, 2) + "x at " + std::to_string(largest) + " objects what it costs at " +
                      std::to_string(smallest) + " (target at most " + fixed(target, 1) + "x" + floor_growth + ")");
    }
    const ResultRow* small = find_row(rows, engine, Workload::kCreate, smallest);
    const ResultRow* large = find_row(rows, engine, Workload::kCreate, largest);
    if (small && large && small->peak_rss_kb > 0) {
      double growth = static_cast<double>(large->peak_rss_kb) / static_cast<double>(small->peak_rss_kb);
      lines.push_back(std::string(verdict(growth <= 2)) + ": " + engine + " peak RSS " +
                      std::to_string(large->peak_rss_kb) + " KB at " + std::to_string(largest) + " objects is " +
                      fixed(growth, 2) + "x that at " + std::to_string(smallest) + " (target at most 2x)");
    }
  }
  for (Workload workload : kMeasured) {
    if (!is_point_operation(workload)) continue;
    for (int size : sizes) {
      const ResultRow* row = find_row(rows, engine, workload, size);
      if (!row || row->floor_us <= 0) continue;
      lines.push_back(std::string(verdict(row->ratio() <= 2)) + ": " + engine + " " + workload_name(workload) +
                      " at " + std::to_string(size) + " objects costs " + fixed(row->ratio(), 2) +
                      "x the engine floor (target at most 2x)");
    }
  }
  return lines;
}

// One panel per engine: each workload's store cost against the size.
void write_plot(const std::vector<ResultRow>& rows, const std::string& directory) {
  if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) {
    std::cerr << "bench: gnuplot is not installed; no plot (apt-get install gnuplot-nox)\n";
    return;
  }
  std::set<std::string> engines;
  for (const ResultRow& row : rows) engines.insert(row.engine);
  std::string data = directory + "/latest.dat";
  std::ofstream out(data);
  for (const std::string& engine : engines) {
    for (Workload workload : kMeasured) {
      out << "# " << engine << " " << workload_name(workload) << "\n";
      for (const ResultRow& row : rows) {
        if (row.engine == engine && row.workload == workload) out << row.objects << " " << row.store_us << "\n";
      }
      out << "\n\n";
    }
  }
  out.close();
  std::string script = directory + "/latest.gnuplot";
  std::ofstream plot(script);
  plot << "set terminal png noenhanced size " << 700 * engines.size() << ",720\n"
       << "set output '" << directory << "/latest.png'\n"
       << "set multiplot layout 1," << engines.size() << " title 'irstore: store cost per operation against repository size'\n"
       << "set logscale xy\nset xrange [700:150000]\nset xlabel 'objects in the repository'\n"
       << "set ylabel 'microseconds per operation'\nset key left top font ',8'\nset grid\n";
  int index = 0;
  for (const std::string& engine : engines) {
    plot << "set title '" << engine << "'\nplot ";
    int i = 0;
    for (Workload workload : kMeasured) {
      plot << (i++ ? ", " : "") << "'" << data << "' index " << index++ << " with linespoints title '"
           << workload_name(workload) << "'";
    }
    plot << "\n";
  }
  plot << "unset multiplot\n";
  plot.close();
  if (std::system(("gnuplot '" + script + "'").c_str()) != 0) std::cerr << "bench: gnuplot failed\n";
}

}  // namespace

std::vector<std::string> write_report(const std::vector<ResultRow>& rows, const std::string& directory,
                                      const std::string& machine) {
  std::ofstream csv(directory + "/latest.csv");
  csv << "engine,workload,objects,store_us,floor_us,ratio,memory_us,peak_rss_kb\n";
  for (const ResultRow& row : rows) {
    csv << row.engine << "," << workload_name(row.workload) << "," << row.objects << "," << fixed(row.store_us, 2)
        << "," << fixed(row.floor_us, 2) << "," << fixed(row.ratio(), 2) << "," << fixed(row.memory_us, 2) << ","
        << row.peak_rss_kb << "\n";
  }

  std::ostringstream markdown;
  markdown << "Measured on " << machine << ". Times are microseconds per operation.\n\n";
  std::vector<std::string> targets;
  std::set<std::string> engines;
  for (const ResultRow& row : rows) engines.insert(row.engine);
  for (const std::string& engine : engines) {
    std::set<int> size_set;
    for (const ResultRow& row : rows) {
      if (row.engine == engine) size_set.insert(row.objects);
    }
    std::vector<int> sizes(size_set.begin(), size_set.end());
    markdown << "### " << engine << "\n\n| workload | objects | store | engine floor | ratio | in memory | peak RSS (KB) |\n"
             << "|---|---:|---:|---:|---:|---:|---:|\n";
    for (Workload workload : kMeasured) {
      for (int size : sizes) {
        const ResultRow* row = find_row(rows, engine, workload, size);
        if (!row) continue;
        markdown << "| " << workload_name(workload) << " | " << size << " | " << fixed(row->store_us) << " | "
                 << fixed(row->floor_us) << " | " << fixed(row->ratio(), 2) << " | " << fixed(row->memory_us, 2)
                 << " | " << row->peak_rss_kb << " |\n";
      }
    }
    markdown << "\n";
    std::vector<std::string> lines = check_targets(rows, engine, sizes);
    for (const std::string& line : lines) markdown << "- " << line << "\n";
    markdown << "\n";
    targets.insert(targets.end(), lines.begin(), lines.end());
  }
  std::ofstream(directory + "/latest.md") << markdown.str();
  std::cout << markdown.str();
  write_plot(rows, directory);
  return targets;
}

std::vector<ResultRow> read_report(const std::string& csv_path) {
  std::ifstream csv(csv_path);
  std::vector<ResultRow> rows;
  std::string line;
  std::getline(csv, line);  // the header
  while (std::getline(csv, line)) {
    std::stringstream fields(line);
    std::string engine, workload, objects, store, floor, ratio, memory, rss;
    std::getline(fields, engine, ',');
    std::getline(fields, workload, ',');
    std::getline(fields, objects, ',');
    std::getline(fields, store, ',');
    std::getline(fields, floor, ',');
    std::getline(fields, ratio, ',');
    std::getline(fields, memory, ',');
    std::getline(fields, rss, ',');
    for (Workload known : kMeasured) {
      if (workload == workload_name(known)) {
        rows.push_back({engine, known, std::stoi(objects), std::stod(store), std::stod(floor), std::stod(memory),
                        std::stol(rss)});
      }
    }
  }
  return rows;
}

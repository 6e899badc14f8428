// irstore_bench: measures the store against the bare engine and against
// plain in-memory maps, in the same run and on the same data, for
// repositories of growing size.
//
// Each run (store, engine floor, in-memory) of each size runs in a process
// of its own, so that peak memory is the run's own and no run warms another.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <qeloridm/irdb_admin.h>
#include <qeloridm/irstore.h>
#include <tarn/tarn.h>

#include "machine.h"
#include "report.h"
#include "runs.h"

namespace {

constexpr int kVictims = 50;

struct Options {
  std::vector<int> sizes = {1000, 10000, 100000};
  std::vector<std::string> engines = {"sqlite"};
  std::string output = "bench/results";
  std::string report_from;  // render the report of an earlier run's CSV
};

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

void usage() {
  std::cout << "usage: irstore_bench [--sizes 1000,10000,100000] [--engines sqlite,postgresql] [--out DIR]\n"
               "       irstore_bench --report-from DIR/latest.csv [--out DIR]\n"
               "\n"
               "Builds synthetic repositories of each size through the store and times every workload\n"
               "on the store, on the bare engine (the store's own statements, prepared once) and on\n"
               "in-memory maps. Writes DIR/latest.csv, latest.md and latest.png (with gnuplot).\n"
               "PostgreSQL needs IRSTORE_BENCH_PGCONNINFO, the conninfo of a server to create databases on.\n";
}

// Runs `work` in a child process; it reports its results as text lines.
std::string in_child(const std::function<void(std::FILE*)>& work) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) throw std::runtime_error("pipe failed");
  pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    std::FILE* out = fdopen(pipe_ends[1], "w");
    try {
      work(out);
    } catch (std::exception& e) {
      std::fprintf(stderr, "bench: %s\n", e.what());
      std::fflush(stderr);
      _exit(1);
    } catch (StoreErrorFields& e) {
      std::fprintf(stderr, "bench: the run failed: code %d, %s\n", e.code, e.message ? e.message : "no message");
      std::fflush(stderr);
      _exit(1);
    } catch (CORBA::Exception& e) {
      std::fprintf(stderr, "bench: the run failed with CORBA::%s\n", e._name());
      std::fflush(stderr);
      _exit(1);
    }
    std::fclose(out);
    _exit(0);
  }
  close(pipe_ends[1]);
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipe_ends[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(got));
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("a benchmark run failed");
  return text;
}

void write_results(std::FILE* out, const RunResults& results) {
  for (const auto& [workload, time] : results.times) {
    std::fprintf(out, "%d %.9f %ld %ld\n", static_cast<int>(workload), time.seconds, time.operations,
                 time.round_trips);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(out, "rss %ld\n", usage.ru_maxrss);
}

struct ChildResults {
  RunResults results;
  long peak_rss_kb = 0;
};

ChildResults read_results(const std::string& text) {
  ChildResults parsed;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string first;
    fields >> first;
    if (first == "rss") {
      fields >> parsed.peak_rss_kb;
      continue;
    }
    double seconds;
    long operations, round_trips;
    fields >> seconds >> operations >> round_trips;
    parsed.results.add(static_cast<Workload>(std::stoi(first)), seconds, operations, round_trips);
  }
  return parsed;
}

// A Tarn home of its own for one size, with the store's and the floors'
// databases (READS: SQLite's second floor); removed afterwards.
class BenchHome {
 public:
  explicit BenchHome(const std::string& engine) : engine_(engine) {
    std::string pattern = (std::filesystem::temp_directory_path() / "irstore-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
    setenv("TARN_HOME", path_.c_str(), 1);
    if (engine == "postgresql") {
      const char* server = std::getenv("IRSTORE_BENCH_PGCONNINFO");
      if (!server) throw std::runtime_error("set IRSTORE_BENCH_PGCONNINFO to bench PostgreSQL");
      // Every run gets databases of its own on the server.
      static int runs = 0;
      std::string suffix = std::to_string(getpid()) + "_" + std::to_string(++runs);
      std::ofstream catalog(path_ + "/catalog");
      catalog << "BENCH postgresql " << server << " dbname=irbench_store_" << suffix << "\n"
              << "FLOOR postgresql " << server << " dbname=irbench_floor_" << suffix << "\n";
    }
    for (const char* alias : {"BENCH", "FLOOR", "READS"}) {
      if (std::strcmp(alias, "READS") == 0 && !has_read_floor()) continue;
      try {
        IRDBAdmin::create_repository(alias);
      } catch (StoreErrorFields& e) {
        throw std::runtime_error(std::string("cannot create ") + alias + ": " + (e.message ? e.message : "?"));
      }
    }
  }
  ~BenchHome() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string log() const { return path_ + "/statements.log"; }
  // Whether the engine has a floor with one read transaction per operation.
  bool has_read_floor() const { return engine_ == "sqlite"; }

 private:
  std::string engine_;
  std::string path_;
};

// The runs of one repository, each in a process of its own: the store's
// (which logs its statements), the engine floors' over those statements,
// and the in-memory one.
struct Runs {
  ChildResults store, floor, read_floor, memory;
};
Runs run_three(const std::string& engine,
               const std::function<void(const std::string& log, RunResults&)>& store_run,
               const std::function<void(RunResults&)>& memory_run) {
  BenchHome home(engine);
  auto child = [](const std::function<void(RunResults&)>& run) {
    return read_results(in_child([&](std::FILE* out) {
      RunResults results;
      run(results);
      write_results(out, results);
    }));
  };
  Runs runs;
  runs.store = child([&](RunResults& results) { store_run(home.log(), results); });
  runs.floor = child([&](RunResults& results) { run_floor("FLOOR", FloorReads::kEachOnItsOwn, home.log(), results); });
  if (home.has_read_floor()) {
    runs.read_floor = child([&](RunResults& results) {
      run_floor("READS", FloorReads::kOneTransactionPerOperation, home.log(), results);
    });
  }
  runs.memory = child(memory_run);
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      usage();
      return 0;
    } else if (argument == "--sizes" && i + 1 < argc) {
      options.sizes.clear();
      for (const std::string& size : split(argv[++i])) options.sizes.push_back(std::stoi(size));
    } else if (argument == "--engines" && i + 1 < argc) {
      options.engines = split(argv[++i]);
    } else if (argument == "--out" && i + 1 < argc) {
      options.output = argv[++i];
    } else if (argument == "--report-from" && i + 1 < argc) {
      options.report_from = argv[++i];
    } else {
      std::cerr << "irstore_bench: unknown argument " << argument << " (see --help)\n";
      return 2;
    }
  }
  std::filesystem::create_directories(options.output);
  if (!options.report_from.empty()) {
    std::vector<ResultRow> rows = read_report(options.report_from);
    std::ifstream markdown(std::filesystem::path(options.report_from).replace_extension(".md"));
    std::string first;
    std::getline(markdown, first);
    std::string machine = first.rfind("Measured on ", 0) == 0 ? first.substr(12, first.find(". Times") - 12)
                                                              : machine_description();
    write_report(rows, options.output, machine);
    return 0;
  }

  std::vector<ResultRow> rows;
  try {
    for (const std::string& engine : options.engines) {
      for (int size : options.sizes) {
        std::cerr << "bench: " << engine << ", " << size << " objects\n";
        Plan plan(size, kVictims);
        Runs synthetic = run_three(
            engine, [&](const std::string& log, RunResults& results) { run_store(plan, "BENCH", log, results); },
            [&](RunResults& results) { run_memory(plan, results); });
        // The wide container, on databases of its own.
        Runs wide = run_three(
            engine, [&](const std::string& log, RunResults& results) { run_store_wide(size, "BENCH", log, results); },
            [&](RunResults& results) { run_memory_wide(size, results); });
        double calibration_us = synthetic.floor.results.times[Workload::kCalibration].microseconds_per_operation();
        for (Workload workload : kMeasured) {
          Runs& runs = workload == Workload::kContentsWide ? wide : synthetic;
          const WorkloadTime& time = runs.store.results.times[workload];
          double operations = static_cast<double>(time.operations);
          // The floors time the same operations without counting them.
          auto per_operation = [operations](double total) { return operations > 0 ? total / operations : 0; };
          const WorkloadTime& floor = runs.floor.results.times[workload];
          ResultRow row{engine, workload, size};
          row.store_us = time.microseconds_per_operation();
          row.floor_us = per_operation(floor.seconds * 1e6);
          row.read_floor_us = per_operation(runs.read_floor.results.times[workload].seconds * 1e6);
          row.store_round_trips = per_operation(static_cast<double>(time.round_trips));
          row.floor_round_trips = per_operation(static_cast<double>(floor.round_trips));
          row.calibration_us = calibration_us;
          row.memory_us = runs.memory.results.times[workload].microseconds_per_operation();
          row.peak_rss_kb = runs.store.peak_rss_kb;
          rows.push_back(row);
        }
      }
    }
  } catch (std::exception& e) {
    std::cerr << "irstore_bench: " << e.what() << "\n";
    return 1;
  }
  std::vector<std::string> targets = write_report(rows, options.output, machine_description());
  int missed = 0;
  for (const std::string& line : targets) missed += line.rfind("MISSED", 0) == 0;
  std::cout << targets.size() - static_cast<std::size_t>(missed) << " targets met, " << missed << " missed\n";
  return 0;
}

// irstore_serve_bench: the Interface Repository server over IIOP on
// localhost, beside a floor measured in the same run: lookup_id,
// describe_interface of an interface with 20 operations, contents of a
// module with 100 definitions and create_operation, from 1, 4 and 8
// clients at once, on each engine.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "../machine.h"
#include "clients.h"
#include "floor_server.h"
#include "report.h"
#include "setup.h"

namespace irstore::serve_bench {

namespace {

struct Options {
  std::vector<std::string> engines = {"sqlite"};
  std::vector<std::string> workloads;  // all when empty
  std::vector<int> clients = {1, 4, 8};
  std::string output = "bench/results";
  std::chrono::milliseconds time{1000};  // of each measurement
};

void usage() {
  std::cout << "usage: irstore_serve_bench [--engines sqlite,postgresql] [--out DIR] [--seconds S]\n"
               "                           [--workloads lookup_id,...] [--clients 1,4,8]\n"
               "\n"
               "Serves a repository made for it with irstore-serve and times lookup_id,\n"
               "describe_interface, contents and create_operation over IIOP on localhost from 1, 4\n"
               "and 8 clients, each beside an omniORB servant that answers the same call with a\n"
               "constant of the same size. Writes DIR/serve.csv, serve.md and serve.png (with\n"
               "gnuplot). PostgreSQL needs IRSTORE_BENCH_PGCONNINFO, the conninfo of a server to\n"
               "create a database on.\n";
}

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

std::string load_average() {
  std::ifstream loadavg("/proc/loadavg");
  double one = 0;
  loadavg >> one;
  std::ostringstream text;
  text.precision(2);
  text << std::fixed << one;
  return text.str();
}

int run(const Options& options, const std::string& self) {
  std::vector<std::string> arguments = {"irstore_serve_bench", "-ORBmaxGIOPConnectionPerServer", "16"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  int argc = static_cast<int>(argv.size());
  CORBA::ORB_var orb = CORBA::ORB_init(argc, argv.data());
  const char* pg = std::getenv("IRSTORE_BENCH_PGCONNINFO");
  std::string load_before = load_average();
  std::vector<Row> rows;
  for (const std::string& engine : options.engines) {
    std::cerr << "serve bench: " << engine << '\n';
    BenchRepository repository(engine, pg ? pg : "");
    Servers servers(repository, self);
    for (Workload workload : kWorkloads) {
      const std::vector<std::string>& only = options.workloads;
      if (!only.empty() && std::find(only.begin(), only.end(), workload_name(workload)) == only.end()) continue;
      for (int clients : options.clients) {
        Row row{engine, workload, clients, {}, {}};
        row.server = measure(orb, servers.server_ior, servers.floor_ior, false, workload, clients, options.time);
        row.floor = measure(orb, servers.server_ior, servers.floor_ior, true, workload, clients, options.time);
        std::cerr << "  " << workload_name(workload) << ", " << clients << " clients: " << row.server.us_per_call
                  << " us, floor " << row.floor.us_per_call << " us\n";
        rows.push_back(row);
      }
    }
  }
  orb->destroy();
  std::filesystem::create_directories(options.output);
  write_report(options.output, rows, machine_description(), load_before + " before, " + load_average() + " after");
  return 0;
}

}  // namespace

}  // namespace irstore::serve_bench

int main(int argc, char** argv) {
  using namespace irstore::serve_bench;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (arguments.size() == 3 && arguments[0] == "--floor") return run_floor(arguments[1], arguments[2]);
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      auto value = [&]() -> const std::string& {
        if (i + 1 == arguments.size()) throw std::invalid_argument(arguments[i] + " needs a value");
        return arguments[++i];
      };
      if (arguments[i] == "--engines") {
        options.engines = split(value());
      } else if (arguments[i] == "--out") {
        options.output = value();
      } else if (arguments[i] == "--workloads") {
        options.workloads = split(value());
      } else if (arguments[i] == "--clients") {
        options.clients.clear();
        for (const std::string& count : split(value())) options.clients.push_back(std::stoi(count));
      } else if (arguments[i] == "--seconds") {
        options.time = std::chrono::milliseconds(static_cast<long>(std::stod(value()) * 1000));
      } else if (arguments[i] == "--help" || arguments[i] == "-h") {
        usage();
        return 0;
      } else {
        throw std::invalid_argument("unknown argument " + arguments[i]);
      }
    }
    return run(options, std::filesystem::canonical("/proc/self/exe").string());
  } catch (const CORBA::Exception& e) {
    std::cerr << "serve bench: CORBA::" << e._name() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "serve bench: " << e.what() << '\n';
  }
  return 1;
}

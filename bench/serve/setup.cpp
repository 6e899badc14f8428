#include "setup.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace irstore::serve_bench {

namespace {

std::string read_file(const std::string& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& log) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> raw;
  for (const std::string& argument : argv) raw.push_back(const_cast<char*>(argument.c_str()));
  raw.push_back(nullptr);
  pid_t pid = 0;
  int error = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

int wait_for(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs SQL as the server's administrator; std::runtime_error with its message.
void administer(const std::string& conninfo, const std::string& sql) {
  std::unique_ptr<PGconn, decltype(&PQfinish)> connection(PQconnectdb(conninfo.c_str()), PQfinish);
  if (PQstatus(connection.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(connection.get()));
  std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(connection.get(), sql.c_str()), PQclear);
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) throw std::runtime_error(PQerrorMessage(connection.get()));
}

// The definitions the workloads ask for, as IDL.
std::string bench_idl() {
  std::ostringstream idl;
  idl << "module Bench {\n  struct Point { long x; long y; };\n  exception Failed { string why; };\n"
      << "  interface Big {\n";
  for (int i = 0; i < 20; ++i) {
    idl << "    Point op" << i << "(in long a, in string b, out Point c) raises (Failed);\n";
  }
  idl << "  };\n  module Hundred {\n";
  for (int i = 0; i < 25; ++i) {
    idl << "    typedef sequence<long> List" << i << ";\n    struct Pair" << i << " { long a; string b; };\n"
        << "    const long limit" << i << " = " << i << ";\n    interface Service" << i << " { void ping(); };\n";
  }
  idl << "  };\n  interface Grow {};\n};\n";
  return idl.str();
}

}  // namespace

Process::Process(const std::vector<std::string>& argv, const std::string& log) : pid_(spawn(argv, log)), log_(log) {}

Process::~Process() {
  kill(pid_, SIGTERM);
  wait_for(pid_);
}

std::string Process::wait_for_file(const std::string& file) {
  for (int waited = 0; !std::filesystem::exists(file); ++waited) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_ || waited == 6000) {
      throw std::runtime_error("a server of the benchmark did not start: " + read_file(log_));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::string text = read_file(file);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

BenchRepository::BenchRepository(const std::string& engine, const std::string& pg_conninfo) {
  std::string pattern = (std::filesystem::temp_directory_path() / "irstore-serve-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  home_ = pattern;
  setenv("TARN_HOME", home_.c_str(), 1);
  if (engine == "postgresql") {
    if (pg_conninfo.empty()) throw std::runtime_error("postgresql needs IRSTORE_BENCH_PGCONNINFO");
    pg_conninfo_ = pg_conninfo;
    database_ = "irstore_serve_bench_" + std::to_string(getpid());
    std::ofstream(home_ + "/catalog") << kAlias << " postgresql " << pg_conninfo << " dbname=" << database_ << '\n';
  } else if (engine != "sqlite") {
    throw std::runtime_error("no engine " + engine);
  }
  std::ofstream(home_ + "/bench.idl") << bench_idl();
  tool({"init", "--with-ir-idl"});
  tool({"load", home_ + "/bench.idl"});
}

BenchRepository::~BenchRepository() {
  if (!database_.empty()) {
    try {
      administer(pg_conninfo_ + " dbname=postgres", "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    } catch (const std::exception&) {
      // The throw-away server goes with its databases.
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(home_, ignored);
}

void BenchRepository::tool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {IRSTORE_BINARY, "--db", kAlias};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::string log = home_ + "/tool.log";
  if (wait_for(spawn(argv, log)) != 0) throw std::runtime_error("irstore " + arguments[0] + " failed: " + read_file(log));
}

Servers::Servers(const BenchRepository& repository, const std::string& self) {
  const std::string& home = repository.home();
  server_ = std::make_unique<Process>(
      std::vector<std::string>{SERVER_BINARY, "--db", BenchRepository::kAlias, "--writable", "--ior-file",
                               home + "/server.ior"},
      home + "/server.log");
  server_ior = server_->wait_for_file(home + "/server.ior");
  // The floor copies its answers from the server.
  floor_ = std::make_unique<Process>(std::vector<std::string>{self, "--floor", server_ior, home + "/floor.ior"},
                                     home + "/floor.log");
  floor_ior = floor_->wait_for_file(home + "/floor.ior");
}

}  // namespace irstore::serve_bench

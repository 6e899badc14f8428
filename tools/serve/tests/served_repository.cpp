#include "served_repository.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "pg_test_server.h"

namespace {

constexpr const char* kAlias = "SERVED";
const std::string kOmniIdl = "/usr/share/idl/omniORB";

std::unique_ptr<ServedRepository> shared_repository;

// A port that nothing listens on just now.
unsigned short free_port() {
  int probe = socket(AF_INET, SOCK_STREAM, 0);
  if (probe < 0) throw std::runtime_error("cannot make a socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bool found = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  close(probe);
  if (!found) throw std::runtime_error("cannot find a free port");
  return ntohs(address.sin_port);
}

std::string read_file(const std::string& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

ServedRepository& ServedRepository::shared(const Serving& serving) {
  if (!shared_repository) shared_repository.reset(new ServedRepository(serving));
  if (shared_repository->serving_.writable != serving.writable ||
      shared_repository->serving_.servers != serving.servers) {
    throw std::logic_error("the suite's repository is served otherwise already");
  }
  return *shared_repository;
}

ServedRepository& ServedRepository::shared() {
  if (!shared_repository) shared_repository.reset(new ServedRepository(Serving{}));
  return *shared_repository;
}

void ServedRepository::release_shared() { shared_repository.reset(); }

ServedRepository::ServedRepository(const Serving& serving) : serving_(serving) {
  std::string pattern = (std::filesystem::temp_directory_path() / "irstore-serve-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  home_ = pattern;
  setenv("TARN_HOME", home_.c_str(), 1);
  if (pg_test_server::repositories_on_postgresql()) {
    database_ = pg_test_server::unique_database_name();
    std::ofstream(home_ + "/catalog", std::ios::app)
        << kAlias << " postgresql " << pg_test_server::conninfo() << " dbname=" << database_ << '\n';
  }
  load();
  for (int server = 0; server < serving.servers; ++server) ports_.push_back(free_port());
  servers_.resize(ports_.size());
  for (int server = 0; server < serving.servers; ++server) start(server);

  std::string initial_reference =
      "InterfaceRepository=corbaloc::127.0.0.1:" + std::to_string(ports_[0]) + "/InterfaceRepository";
  std::vector<std::string> arguments = {"serve_tests", "-ORBInitRef", initial_reference,
                                        "-ORBmaxGIOPConnectionPerServer", "8"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  int argc = static_cast<int>(argv.size());
  orb_ = CORBA::ORB_init(argc, argv.data());
}

ServedRepository::~ServedRepository() {
  if (!CORBA::is_nil(orb_)) orb_->destroy();
  store_.reset();
  for (std::size_t server = 0; server < servers_.size(); ++server) {
    if (servers_[server]) stop(SIGTERM, static_cast<int>(server));
  }
  if (!database_.empty()) {
    try {
      pg_test_server::drop_database(database_);
    } catch (...) {
      // A server that went away took its databases with it.
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(home_, ignored);
}

void ServedRepository::load() {
  std::vector<std::vector<std::string>> steps = {
      {"init", "--with-ir-idl"},
      {"load", "-I", kOmniIdl, "-I", kOmniIdl + "/COS", SERVE_TEST_IDL, kOmniIdl + "/COS/CosNaming.idl",
       kOmniIdl + "/COS/CosEventChannelAdmin.idl", std::string(EXAMPLES_DIR) + "/bank.idl"}};
  for (const std::vector<std::string>& step : steps) {
    ProgramRun run = tool(step);
    if (run.status != 0) throw std::runtime_error("irstore " + step[0] + " failed: " + run.err);
  }
}

void ServedRepository::start(int server) {
  std::string tag = std::to_string(server);
  std::string ior_file = home_ + "/ior" + tag;
  std::filesystem::remove(ior_file);
  // irstore serve becomes irstore-serve, in the same process.
  std::vector<std::string> argv = {IRSTORE_BINARY, "--db", kAlias, "serve", "--port",
                                   std::to_string(ports_[server]), "--ior-file", ior_file};
  if (serving_.writable) argv.push_back("--writable");
  if (ports_.size() > 1) {
    // Its own address first, then the others'.
    std::string published = "giop:tcp:127.0.0.1:" + std::to_string(ports_[server]);
    for (unsigned short port : ports_) {
      if (port != ports_[server]) published += ",giop:tcp:127.0.0.1:" + std::to_string(port);
    }
    argv.insert(argv.end(), {"-ORBendPointPublish", published});
  }
  servers_[server] = std::make_unique<ChildProcess>(argv, home_ + "/server" + tag + ".log");
  // The server writes the file once it answers.
  for (int waited = 0; !std::filesystem::exists(ior_file); ++waited) {
    if (!servers_[server]->running() || waited == 6000) {
      throw std::runtime_error("irstore-serve did not start: " + log(server));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int ServedRepository::stop(int signal, int server) {
  servers_[server]->send(signal);
  return wait(server);
}

int ServedRepository::wait(int server) {
  int status = servers_[server]->wait();
  servers_[server].reset();
  return status;
}

std::string ServedRepository::log(int server) { return read_file(home_ + "/server" + std::to_string(server) + ".log"); }

CORBA::Repository_ptr ServedRepository::repository() {
  std::string corbaloc = "corbaloc::127.0.0.1:" + std::to_string(ports_[0]) + "/InterfaceRepository";
  CORBA::Object_var root = orb_->string_to_object(corbaloc.c_str());
  return CORBA::Repository::_narrow(root);
}

CORBA::Repository_ptr ServedRepository::published_repository(int server) {
  std::string ior = read_file(home_ + "/ior" + std::to_string(server));
  while (!ior.empty() && ior.back() == '\n') ior.pop_back();
  CORBA::Object_var root = orb_->string_to_object(ior.c_str());
  return CORBA::Repository::_narrow(root);
}

irstore::access::Store& ServedRepository::store() {
  if (!store_) store_ = std::make_unique<irstore::access::Store>(kAlias);
  return *store_;
}

ProgramRun ServedRepository::tool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {IRSTORE_BINARY, "--db", kAlias};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return run_program(argv);
}

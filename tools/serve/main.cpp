// irstore-serve: a repository of the store as a CORBA Interface Repository
// over IIOP. `irstore serve` runs it.
//
// It links omniORB and the access library only: the store's own runtime
// names the same C++ entities as omniORB, and lives hidden inside
// libirstore_access.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "adapters.h"
#include "context.h"
#include "database_loss.h"
#include "options.h"
#include "served_store.h"
#include "servants.h"
#include "signals.h"

namespace irstore::serve {
namespace {

// Writes the text to the file at once as a whole: whoever waits for the
// file never reads half of it.
void write_whole(const std::string& file, const std::string& text) {
  std::string partial = file + ".partial";
  {
    std::ofstream out(partial, std::ios::trunc);
    out << text << '\n';
    if (!out.flush()) throw std::runtime_error("cannot write " + partial);
  }
  std::filesystem::rename(partial, file);
}

DynamicAny::DynAnyFactory_ptr dyn_any_factory(CORBA::ORB_ptr orb) {
  CORBA::Object_var factory = orb->resolve_initial_references("DynAnyFactory");
  return DynamicAny::DynAnyFactory::_narrow(factory);
}

int serve(access::Store& repository, const ServerOptions& options, std::vector<std::string> orb_arguments) {
  std::vector<char*> argv;
  for (std::string& argument : orb_arguments) argv.push_back(argument.data());
  int argc = static_cast<int>(argv.size());
  CORBA::ORB_var orb = CORBA::ORB_init(argc, argv.data());
  std::string alias = options.database.empty() ? "VADIRIRI" : options.database;
  DatabaseLoss loss(orb, alias);
  {
    Adapters adapters(orb);
    ServedStore store(repository, [&loss](const std::string& why) { loss.report(why); });
    DynamicAny::DynAnyFactory_var dyn_any = dyn_any_factory(orb);
    ServeContext context{orb, store, adapters, dyn_any, options.writable};
    install_servants(context);
    adapters.activate();

    CORBA::Object_var root = adapters.root();
    CORBA::String_var ior = orb->object_to_string(root);
    if (!options.ior_file.empty()) write_whole(options.ior_file, ior.in());
    std::printf("irstore-serve: serving repository %s%s%s\n", alias.c_str(),
                options.port ? (" on port " + std::to_string(*options.port)).c_str() : "",
                options.writable ? ", writable" : "");
    std::fflush(stdout);
    {
      ShutdownOnSignal stop(orb);
      orb->run();
      // The requests still under way wait for the database, each for a
      // reconnect wait: the server leaves without them.
      if (loss.happened()) std::_Exit(DatabaseLoss::kStatus);
    }
    // The servants refer to what this block holds: they go with the ORB.
    orb->destroy();
  }
  return 0;
}

// The server's life, from its command line to its exit status.
int run(int argc, char** argv) {
  ServerOptions options;
  try {
    options = parse_server_options(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "irstore serve: %s (see irstore serve --help)\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(kServerUsage, stdout);
    return 0;
  }
  block_stop_signals();
  // What fails reaches the server as access::Error, which it reports itself.
  access::report_failures_as_they_happen(false);
  try {
    access::Store repository(options.database);
    std::vector<std::string> orb_arguments = {argv[0]};
    orb_arguments.insert(orb_arguments.end(), options.orb_arguments.begin(), options.orb_arguments.end());
    return serve(repository, options, orb_arguments);
  } catch (const access::Error& e) {
    std::fprintf(stderr, "irstore serve: %s\n", e.what());
  } catch (const CORBA::Exception& e) {
    std::fprintf(stderr, "irstore serve: the ORB failed: %s\n", e._name());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "irstore serve: %s\n", e.what());
  }
  return 1;
}

}  // namespace
}  // namespace irstore::serve

int main(int argc, char** argv) { return irstore::serve::run(argc, argv); }

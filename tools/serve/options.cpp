#include "options.h"

#include <charconv>
#include <stdexcept>

namespace irstore::serve {

const char* const kServerUsage =
    "usage: irstore-serve [--db ALIAS] [--port N] [--ior-file FILE] [--writable] [-ORBoption value]...\n"
    "\n"
    "Serves a repository as a CORBA Interface Repository over IIOP until\n"
    "SIGINT or SIGTERM. Run it as irstore serve; irstore serve --help says more.\n";

ServerOptions parse_server_options(const std::vector<std::string>& arguments) {
  ServerOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 == arguments.size()) throw std::invalid_argument(argument + " needs a value");
      return arguments[++i];
    };
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--db") {
      options.database = value();
    } else if (argument == "--port") {
      const std::string& text = value();
      unsigned short port = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
      if (error != std::errc() || end != text.data() + text.size() || port == 0) {
        throw std::invalid_argument("--port takes a port number from 1 to 65535, not " + text);
      }
      options.port = port;
    } else if (argument == "--ior-file") {
      options.ior_file = value();
    } else if (argument == "--writable") {
      options.writable = true;
    } else if (argument.rfind("-ORB", 0) == 0) {
      options.orb_arguments.push_back(argument);
      options.orb_arguments.push_back(value());
    } else {
      throw std::invalid_argument("unknown argument " + argument);
    }
  }
  if (options.port) {
    options.orb_arguments.push_back("-ORBendPoint");
    options.orb_arguments.push_back("giop:tcp::" + std::to_string(*options.port));
  }
  return options;
}

}  // namespace irstore::serve

// The server's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace irstore::serve {

struct ServerOptions {
  std::string database;                // the alias; empty for VADIRIRI
  std::optional<unsigned short> port;  // a fixed port, so that references outlive a restart
  std::string ior_file;                // where to write the root's IOR, if anywhere
  bool writable = false;               // requests may change the repository
  std::vector<std::string> orb_arguments;  // -ORB options with their values, for ORB_init
  bool help = false;
};

// std::invalid_argument says what is wrong with the arguments.
ServerOptions parse_server_options(const std::vector<std::string>& arguments);

extern const char* const kServerUsage;

}  // namespace irstore::serve

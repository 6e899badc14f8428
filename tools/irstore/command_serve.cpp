// irstore serve: runs the server, irstore-serve, in place of the tool. The
// server is a program of its own: it links omniORB, which the tool never
// loads beside the store's runtime.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "process.h"
#include "tool_error.h"

namespace {

// Beside the tool when installed, in its own folder of the build tree.
std::string server_binary() {
  std::string here = executable_directory();
  std::vector<std::string> candidates = {here + "/irstore-serve", here + "/../serve/irstore-serve"};
  for (const std::string& candidate : candidates) {
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  throw ToolError("cannot find the server irstore-serve (looked in " + here + " and " + here + "/../serve)");
}

}  // namespace

int run_serve(const ToolOptions& options, const Args& arguments) {
  std::vector<std::string> argv = {server_binary()};
  if (!options.database.empty()) argv.insert(argv.end(), {"--db", database_alias(options)});
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> raw;
  for (std::string& argument : argv) raw.push_back(argument.data());
  raw.push_back(nullptr);
  execv(raw[0], raw.data());
  throw ToolError("cannot run " + argv[0] + ": " + std::strerror(errno));
}

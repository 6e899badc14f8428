// The floor's process: copies the server's answers to the timed calls
// once, then answers every call with a copy of them until SIGTERM.
#pragma once

#include <string>

namespace irstore::serve_bench {

int run_floor(const std::string& server_ior, const std::string& ior_file);

}  // namespace irstore::serve_bench

// Runs a program without a shell, feeding its standard input and collecting
// its standard output and error; and where the running program lives.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ProcessResult {
  int exit_code = -1;  // -1 when a signal ended it
  std::string out;
  std::string err;
};

// Runs argv[0] (looked up in PATH) with the arguments. Nothing when the
// program cannot be found; ToolError for other failures to start it.
std::optional<ProcessResult> run_process(const std::vector<std::string>& argv,
                                         const std::string& input = "");

// The directory of the running program.
std::string executable_directory();

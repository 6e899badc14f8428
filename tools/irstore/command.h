// The tool's commands: each parses its own arguments and returns the exit
// status (0 done, 1 failed with one line on stderr, 2 misused).
#pragma once

#include <string>
#include <vector>

struct ToolOptions {
  std::string database;  // the alias; empty for the default, VADIRIRI
  bool verbose = false;  // failure reports of the runtime go to stderr too
};

struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // the command's --help text
  int (*run)(const ToolOptions& options, const std::vector<std::string>& arguments);
};

int run_init(const ToolOptions& options, const std::vector<std::string>& arguments);
int run_info(const ToolOptions& options, const std::vector<std::string>& arguments);

// The alias a command works on: its argument, --db, or VADIRIRI, upper-cased.
std::string alias_of(const ToolOptions& options, const std::vector<std::string>& arguments);
// Where an alias resolves ("sqlite /path"), or the reason it does not.
std::string describe_alias(const std::string& alias);
// Prints "irstore: <message>" on stderr and returns 1.
int fail(const std::string& message);

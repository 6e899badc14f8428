// The tool's commands: each parses its own arguments and returns the exit
// status (0 done); failures are thrown as ToolError (status 1) or
// UsageError (status 2) and reported by main in one line.
#pragma once

#include <string>
#include <vector>

struct ToolOptions {
  std::string database;  // the alias; empty for the default, VADIRIRI
  bool verbose = false;  // failure reports of the runtime go to stderr too
};

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // the command's --help text
  int (*run)(const ToolOptions& options, const Args& arguments);
};

int run_init(const ToolOptions& options, const Args& arguments);
int run_info(const ToolOptions& options, const Args& arguments);
int run_load(const ToolOptions& options, const Args& arguments);
int run_ls(const ToolOptions& options, const Args& arguments);
int run_show(const ToolOptions& options, const Args& arguments);
int run_find(const ToolOptions& options, const Args& arguments);
int run_bases(const ToolOptions& options, const Args& arguments);
int run_derived(const ToolOptions& options, const Args& arguments);
int run_refs(const ToolOptions& options, const Args& arguments);
int run_rm(const ToolOptions& options, const Args& arguments);
int run_mv(const ToolOptions& options, const Args& arguments);
int run_rename_id(const ToolOptions& options, const Args& arguments);
int run_stats(const ToolOptions& options, const Args& arguments);
int run_graph(const ToolOptions& options, const Args& arguments);
int run_dump(const ToolOptions& options, const Args& arguments);
// Never returns: the server takes the process over.
int run_serve(const ToolOptions& options, const Args& arguments);

// The alias a command works on: its argument, --db, or VADIRIRI, upper-cased.
std::string alias_of(const ToolOptions& options, const Args& arguments);
// The alias of --db, or VADIRIRI, upper-cased.
std::string database_alias(const ToolOptions& options);
// Where an alias resolves ("sqlite /path"), or the reason it does not.
std::string describe_alias(const std::string& alias);

// Runs the built irstore binary in the test's temporary Tarn home and
// collects what it says.
#pragma once

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "process.h"
#include "temp_repository.h"

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
  }
  // The second column of a table: the (scoped) names.
  std::set<std::string> names() const {
    std::set<std::string> result;
    for (const std::string& line : lines()) {
      std::istringstream fields(line);
      std::string kind, name;
      fields >> kind >> name;
      if (!name.empty()) result.insert(name);
    }
    return result;
  }
  // The scoped names among them.
  std::set<std::string> scoped_names() const {
    std::set<std::string> result;
    for (const std::string& name : names()) {
      if (name.rfind("::", 0) == 0) result.insert(name);
    }
    return result;
  }
};

inline ToolRun irstore(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), IRSTORE_BINARY);
  std::optional<ProcessResult> result = run_process(arguments);
  if (!result) {
    ADD_FAILURE() << "cannot run " << IRSTORE_BINARY;
    return {};
  }
  return {result->exit_code, result->out, result->err};
}

// Asserts success and gives the run.
inline ToolRun ok(const std::vector<std::string>& arguments) {
  ToolRun run = irstore(arguments);
  std::string command;
  for (const std::string& argument : arguments) command += argument + " ";
  EXPECT_EQ(run.status, 0) << command << "\n" << run.err;
  return run;
}

// A failure with exactly one line on stderr, which is returned.
inline std::string fails(const std::vector<std::string>& arguments, int status = 1) {
  ToolRun run = irstore(arguments);
  EXPECT_EQ(run.status, status) << run.out;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  return run.err;
}

inline std::string examples(const std::string& file) { return std::string(EXAMPLES_DIR) + "/" + file; }
inline const std::string kOmniIdl = "/usr/share/idl/omniORB";
inline const std::string kCos = kOmniIdl + "/COS";

// Writes an IDL file into the test's home and returns its path.
inline std::string write_idl(const TempRepository& repository, const std::string& name, const std::string& text) {
  std::string path = repository.home() + "/" + name;
  std::ofstream(path) << text;
  return path;
}

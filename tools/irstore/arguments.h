// A command's arguments: options (short and long, with or without a value,
// "--name=value" and "-Xvalue" forms) and the positional arguments.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tool_error.h"

// Misuse of a command: the tool exits with status 2.
class UsageError : public ToolError {
 public:
  using ToolError::ToolError;
};

struct OptionSpec {
  const char* short_name;  // "-r", or nullptr
  const char* long_name;   // "--recursive"
  bool takes_value;
};

class Arguments {
 public:
  // Where the options end: at "--" only, or also at the first positional
  // argument (the tool's own options come before the command, whose
  // arguments are its own: they are kept as positionals, unread).
  enum class OptionsEnd { kAtDoubleDash, kAtFirstPositional };

  // Throws UsageError for an unknown option or a missing value.
  Arguments(const std::vector<std::string>& arguments, const std::vector<OptionSpec>& specs,
            OptionsEnd end = OptionsEnd::kAtDoubleDash);

  bool flag(const std::string& long_name) const { return values_.count(long_name) != 0; }
  // The last value given for the option.
  std::optional<std::string> value(const std::string& long_name) const;
  std::vector<std::string> values(const std::string& long_name) const;
  const std::vector<std::string>& positionals() const { return positionals_; }
  // Throws UsageError unless there are between min and max positionals.
  void expect_positionals(std::size_t min, std::size_t max, const char* what) const;

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positionals_;
};

// The one failure type of the tool: its message is the line the user sees
// after "irstore: ".
#pragma once

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

// What the exception in flight says, as one line: store exceptions with
// their code and message, CORBA system exceptions by name. Call only
// inside a catch block.
std::string describe_current_exception();

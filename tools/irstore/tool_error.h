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

// Whether the exception in flight says that the unit of work lost a race to
// another writer of the repository: a key it wrote was written first by
// the other (found by the store's read before its insert, a duplicate of
// code 1, or by the database at the insert, SQL0803N), or the database
// rolled it back to end a deadlock or a lock wait (SQL0911N). Work that
// writes only what it finds missing, as a load does, succeeds when it is
// done again. Call only inside a catch block.
bool lost_race_to_another_writer();

// The engine floor for the engine behind an alias.
#include <cstring>
#include <stdexcept>
#include <string>

#include <tarn/tarn.h>

#include "runs.h"

void run_floor_sqlite(const char* alias, FloorReads reads, const std::string& log_path, RunResults& results);
void run_floor_postgresql(const std::string& conninfo, const std::string& log_path, RunResults& results);

void run_floor(const char* alias, FloorReads reads, const std::string& log_path, RunResults& results) {
  char description[1024];
  if (tarn_resolve_alias(alias, description, sizeof description) != 0) {
    throw std::runtime_error(std::string("cannot resolve ") + alias);
  }
  if (std::strncmp(description, "sqlite ", 7) == 0) return run_floor_sqlite(alias, reads, log_path, results);
  if (std::strncmp(description, "postgresql ", 11) == 0 && reads == FloorReads::kEachOnItsOwn) {
    return run_floor_postgresql(description + 11, log_path, results);
  }
  throw std::runtime_error(std::string("no engine floor for ") + description);
}

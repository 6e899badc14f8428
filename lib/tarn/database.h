// Opening the database an alias names, on the backend that serves it.
#ifndef TARN_DATABASE_H
#define TARN_DATABASE_H

#include <memory>
#include <optional>
#include <string_view>

#include "backend.h"
#include "catalog.h"

namespace tarn {

struct Credentials {
  std::optional<std::string_view> user;
  std::optional<std::string_view> password;
};

// Connects to the target. Throws EngineError: -30082 when the target's
// credentials (or the server) refuse the ones given, -1013 when the
// database is missing, -1224 when its server cannot be reached.
std::unique_ptr<Connection> open_database(const Target& target, const Credentials& credentials);

}  // namespace tarn

#endif  // TARN_DATABASE_H

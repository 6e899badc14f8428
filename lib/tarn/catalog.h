// The engine's catalog: what database an alias names.
#ifndef TARN_CATALOG_H
#define TARN_CATALOG_H

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

struct Target {
  enum class Engine { sqlite, postgresql };
  Engine engine;
  std::string location;  // the SQLite file, or the PostgreSQL connection string
  // Credentials CONNECT must present (SQLite entries only).
  std::optional<std::string> user;
  std::optional<std::string> password;

  // "sqlite /path/A.sqlite" or "postgresql ..." with any password hidden.
  std::string description() const;
};

// $TARN_HOME, or $HOME/.irstore.
std::string engine_home();

// The alias without its trailing blanks. Throws EngineError (-1013) for an
// alias that cannot name a database (empty, too long, odd characters).
std::string checked_alias(std::string_view alias);

// Resolves a checked alias through the catalog. Throws EngineError (-1013)
// for a malformed catalog entry of the alias.
Target resolve_alias(const std::string& alias);

}  // namespace tarn

#endif  // TARN_CATALOG_H

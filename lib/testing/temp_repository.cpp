#include "temp_repository.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <qeloridm/irdb_admin.h>
#include <qeloridm/irstore.h>

#include "pg_test_server.h"

TempRepository::TempRepository(const char* alias) : on_postgresql_(pg_test_server::repositories_on_postgresql()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "irstore-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  home_ = pattern;
  if (const char* old = std::getenv("TARN_HOME")) {
    had_home_ = true;
    saved_home_ = old;
  }
  setenv("TARN_HOME", home_.c_str(), 1);
  if (alias) {
    alias_ = alias;
    create_database(alias);
  }
}

TempRepository::~TempRepository() {
  if (had_home_) {
    setenv("TARN_HOME", saved_home_.c_str(), 1);
  } else {
    unsetenv("TARN_HOME");
  }
  std::error_code ignored;
  std::filesystem::remove_all(home_, ignored);
  for (const auto& [alias, database] : databases_) {
    try {
      pg_test_server::drop_database(database);
    } catch (...) {
      // A server that went away took its databases with it.
    }
  }
}

void TempRepository::map_alias(const std::string& alias) {
  if (!on_postgresql_ || databases_.contains(alias)) return;
  std::string database = pg_test_server::unique_database_name();
  add_catalog_line(alias + " postgresql " + pg_test_server::conninfo() + " dbname=" + database);
  databases_.emplace(alias, database);
}

void TempRepository::create_database(const char* alias, const char* user, const char* password) {
  map_alias(alias);
  try {
    IRDBAdmin::create_repository(alias, user, password);
  } catch (StoreErrorFields& e) {
    throw std::runtime_error(std::string("cannot create repository ") + alias + ": " +
                             (e.message ? e.message : "no message"));
  }
}

void TempRepository::create_secured_database(const std::string& alias, const std::string& user,
                                             const std::string& password) {
  if (on_postgresql_)
    pg_test_server::ensure_password_role(user, password);
  else
    add_catalog_line(alias + " sqlite " + alias + ".sqlite user=" + user + " password=" + password);
  create_database(alias.c_str(), user.c_str(), password.c_str());
}

bool TempRepository::database_exists(const std::string& alias) const {
  if (!on_postgresql_) return std::filesystem::exists(home_ + "/" + alias + ".sqlite");
  auto found = databases_.find(alias);
  return found != databases_.end() && pg_test_server::database_exists(found->second);
}

std::string TempRepository::database_name(const std::string& alias) const {
  auto found = databases_.find(alias);
  return found == databases_.end() ? std::string() : found->second;
}

void TempRepository::add_catalog_line(const std::string& line) const {
  std::ofstream catalog(home_ + "/catalog", std::ios::app);
  catalog << line << '\n';
}

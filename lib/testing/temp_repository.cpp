#include "temp_repository.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <tarn/tarn.h>

TempRepository::TempRepository(const char* alias) {
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
}

void TempRepository::create_database(const char* alias, const char* user,
                                     const char* password) const {
  sqlca ca{};
  tarn_create_database(alias, user, password, &ca);
  if (ca.sqlcode < 0) {
    throw std::runtime_error(std::string("cannot create database ") + alias + ": " + ca.sqlerrmc);
  }
}

void TempRepository::add_catalog_line(const std::string& line) const {
  std::ofstream catalog(home_ + "/catalog", std::ios::app);
  catalog << line << '\n';
}

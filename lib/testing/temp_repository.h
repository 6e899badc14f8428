// A Tarn home in a fresh temporary directory, for tests that need real
// databases. TARN_HOME points at it while the object lives; the directory
// and everything in it is removed afterwards.
#pragma once

#include <string>

class TempRepository {
 public:
  // Creates the home and, unless alias is null, the database of that alias.
  explicit TempRepository(const char* alias = "TESTIR");
  ~TempRepository();
  TempRepository(const TempRepository&) = delete;
  TempRepository& operator=(const TempRepository&) = delete;

  const std::string& home() const { return home_; }
  const std::string& alias() const { return alias_; }

  // Creates the database of an alias (a catalog entry may say where).
  void create_database(const char* alias, const char* user = nullptr,
                       const char* password = nullptr) const;
  // Appends one line to the home's catalog.
  void add_catalog_line(const std::string& line) const;

 private:
  std::string home_;
  std::string alias_;
  std::string saved_home_;
  bool had_home_ = false;
};

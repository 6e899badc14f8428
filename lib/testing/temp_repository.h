// A Tarn home in a fresh temporary directory, for tests that need real
// databases. TARN_HOME points at it while the object lives; the directory
// and everything in it is removed afterwards.
//
// With IRSTORE_TEST_ENGINE=postgresql the repositories live on the test
// server instead (see pg_test_server.h): each alias the repository maps is
// a fresh database of its own there, dropped afterwards.
#pragma once

#include <map>
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
  // Whether the repositories live on the PostgreSQL test server.
  bool on_postgresql() const { return on_postgresql_; }

  // Creates the database of an alias (a catalog entry may say where).
  void create_database(const char* alias, const char* user = nullptr,
                       const char* password = nullptr);
  // Makes alias name a database of its own on the test engine without
  // creating it (on SQLite, $TARN_HOME/ALIAS.sqlite needs no entry).
  void map_alias(const std::string& alias);
  // Creates the database of an alias that only this user id and password
  // may open: a catalog entry that demands them on SQLite, a role that logs
  // in with them on PostgreSQL.
  void create_secured_database(const std::string& alias, const std::string& user,
                               const std::string& password);
  // Whether the database of an alias exists.
  bool database_exists(const std::string& alias) const;
  // The server's name of an alias's database ("" on SQLite).
  std::string database_name(const std::string& alias) const;
  // Appends one line to the home's catalog.
  void add_catalog_line(const std::string& line) const;

 private:
  std::string home_;
  std::string alias_;
  std::string saved_home_;
  bool had_home_ = false;
  bool on_postgresql_ = false;
  std::map<std::string, std::string> databases_;  // alias -> server database
};

// The PostgreSQL server the tests may use. IRSTORE_TEST_PGCONNINFO names
// it, as a libpq conninfo of a superuser; IRSTORE_TEST_ENGINE=postgresql
// puts every temporary repository on it. Tests that need the server are
// skipped without it (SKIP_WITHOUT_POSTGRESQL).
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace pg_test_server {

// The administrator's conninfo, or null when no server is named.
const char* conninfo();
// Whether temporary repositories live on the server. Throws when the
// engine is postgresql but no server is named.
bool repositories_on_postgresql();

// A database name that no other test, process or run uses.
std::string unique_database_name();

using Rows = std::vector<std::vector<std::string>>;
// Runs SQL as the administrator in a database (by default the maintenance
// database) and returns the rows of its last statement, NULL as "".
// Throws std::runtime_error with the server's message.
Rows admin(const std::string& sql, const std::string& database = "postgres");

// The SQL literal and the quoted name of a text.
std::string literal(const std::string& text);
std::string identifier(const std::string& text);

bool database_exists(const std::string& name);
// Drops the database, ending whatever is still connected to it.
void drop_database(const std::string& name);
// Ends every connection to the database, waiting until each backend has
// exited, and returns how many it ended.
int terminate_connections(const std::string& database);

// A role that logs in with this password only (the server asks members of
// irstore_password_login for their password) and may create databases.
// Roles are the server's, shared by all tests: they are left in place.
void ensure_password_role(const std::string& user, const std::string& password);

}  // namespace pg_test_server

#define SKIP_WITHOUT_POSTGRESQL()                                                   \
  do {                                                                              \
    if (pg_test_server::conninfo() == nullptr)                                     \
      GTEST_SKIP() << "needs a PostgreSQL server: set IRSTORE_TEST_PGCONNINFO"; \
  } while (false)

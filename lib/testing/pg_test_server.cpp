#include "pg_test_server.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string_view>

namespace pg_test_server {
namespace {

struct FinishConnection {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ClearResult {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, FinishConnection>;
using Result = std::unique_ptr<PGresult, ClearResult>;

void discard_notice(void*, const char*) {}

Connection connect(const std::string& database) {
  const char* server = conninfo();
  if (server == nullptr) throw std::runtime_error("no PostgreSQL server: set IRSTORE_TEST_PGCONNINFO");
  const char* keywords[] = {"dbname", "dbname", nullptr};
  const char* values[] = {server, database.c_str(), nullptr};
  Connection connection(PQconnectdbParams(keywords, values, 1));
  if (!connection || PQstatus(connection.get()) != CONNECTION_OK)
    throw std::runtime_error(std::string("cannot connect to the test server: ") +
                             (connection ? PQerrorMessage(connection.get()) : "out of memory"));
  PQsetNoticeProcessor(connection.get(), discard_notice, nullptr);
  return connection;
}

}  // namespace

const char* conninfo() {
  const char* value = std::getenv("IRSTORE_TEST_PGCONNINFO");
  return value != nullptr && *value != '\0' ? value : nullptr;
}

bool repositories_on_postgresql() {
  const char* engine = std::getenv("IRSTORE_TEST_ENGINE");
  if (engine == nullptr || std::string_view(engine) != "postgresql") return false;
  if (conninfo() == nullptr)
    throw std::runtime_error("IRSTORE_TEST_ENGINE=postgresql needs IRSTORE_TEST_PGCONNINFO");
  return true;
}

std::string unique_database_name() {
  static std::atomic<unsigned> made{0};
  static const unsigned salt = std::random_device{}();
  return "irstore_test_" + std::to_string(getpid()) + "_" + std::to_string(salt % 100000) + "_" +
         std::to_string(++made);
}

Rows admin(const std::string& sql, const std::string& database) {
  Connection connection = connect(database);
  Result result(PQexec(connection.get(), sql.c_str()));
  ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw std::runtime_error("test server refused \"" + sql + "\": " + PQerrorMessage(connection.get()));
  Rows rows;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    rows.emplace_back();
    for (int column = 0; column < PQnfields(result.get()); ++column)
      rows.back().emplace_back(PQgetvalue(result.get(), row, column));
  }
  return rows;
}

std::string literal(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

std::string identifier(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

bool database_exists(const std::string& name) {
  return !admin("SELECT 1 FROM pg_database WHERE datname = " + literal(name)).empty();
}

void drop_database(const std::string& name) {
  admin("DROP DATABASE IF EXISTS " + identifier(name) + " WITH (FORCE)");
}

int terminate_connections(const std::string& database) {
  Rows rows = admin(
      "SELECT count(pg_terminate_backend(pid, 10000)) FROM pg_stat_activity WHERE datname = " + literal(database) +
      " AND pid <> pg_backend_pid()");
  return std::stoi(rows.at(0).at(0));
}

void ensure_password_role(const std::string& user, const std::string& password) {
  std::string role = identifier(user);
  // Tests running at once may create the same role: the loser of that race
  // just sets the password again.
  admin("DO $$ BEGIN CREATE ROLE " + role + "; EXCEPTION WHEN duplicate_object OR unique_violation "
        "THEN NULL; END $$");
  admin("ALTER ROLE " + role + " LOGIN CREATEDB PASSWORD " + literal(password));
  admin("DO $$ BEGIN IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'irstore_password_login') AND NOT "
        "pg_has_role(" + literal(user) + ", 'irstore_password_login', 'MEMBER') THEN GRANT "
        "irstore_password_login TO " + role + "; END IF; EXCEPTION WHEN OTHERS THEN NULL; END $$");
}

}  // namespace pg_test_server

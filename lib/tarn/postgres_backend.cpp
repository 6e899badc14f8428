// PostgreSQL behind the backend interface, through libpq. Statements are
// prepared on the server once and run by name; every round trip of a unit
// of work runs inside a savepoint (see pg_link.h).
#include "postgres_backend.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "codes.h"
#include "pg_columns.h"
#include "pg_connect.h"
#include "pg_dialect.h"
#include "pg_errors.h"
#include "pg_link.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

// PostgreSQL folds unquoted names to lower case, while the engine's callers
// and the store's schema name columns in upper case: a name without
// capitals is reported in capitals.
std::string column_name(const char* name) {
  std::string text(name ? name : "");
  if (std::any_of(text.begin(), text.end(), [](unsigned char c) { return std::isupper(c); })) return text;
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool only_reads(const std::string& keyword) {
  return keyword == "SELECT" || keyword == "VALUES" || keyword == "SHOW" || keyword == "EXPLAIN" ||
         keyword == "TABLE";
}

class PgStatement final : public Statement {
 public:
  PgStatement(std::shared_ptr<PgLink> link, std::string name, bool writes)
      : link_(std::move(link)), name_(std::move(name)), writes_(writes) {}
  ~PgStatement() override { link_->release_statement(std::move(name_)); }

  // Takes the columns and parameters from the server's description.
  void describe(const PGresult* description) {
    parameters_.assign(static_cast<size_t>(PQnparams(description)), std::nullopt);
    for (int i = 0; i < PQnfields(description); ++i) {
      auto [type, length] = engine_type(PQftype(description, i), PQfmod(description, i));
      Oid table = PQftable(description, i);
      int column = PQftablecol(description, i);
      bool nullable = table == InvalidOid || column <= 0 || !link_->not_null(table, column);
      columns_.push_back({column_name(PQfname(description, i)), type, length, nullable});
    }
  }

  const std::vector<ColumnDescription>& columns() const override { return columns_; }
  int parameter_count() const override { return static_cast<int>(parameters_.size()); }

  void bind(int index, std::optional<std::string_view> value) override {
    if (index < 0 || static_cast<size_t>(index) >= parameters_.size())
      throw engine_error(kBadCallParameters, "no parameter " + std::to_string(index + 1));
    // Values travel as C strings, and PostgreSQL stores no NUL in text:
    // refused, never cut short.
    if (value && value->find('\0') != std::string_view::npos)
      throw EngineError{TARN_SQL_ENGINE_ERROR, "22021", "a value holds a NUL character, which PostgreSQL cannot store"};
    parameters_[static_cast<size_t>(index)] = value ? std::optional<std::string>(*value) : std::nullopt;
  }

  bool writes() const override { return writes_; }

  bool step() override {
    if (!result_) {
      size_t index = 0;
      std::vector<PgResultPtr> results =
          link_->round_trip([&](Batch& batch) { index = batch.execute(name_, parameters_); }, true);
      result_ = std::move(results[index]);
      row_ = -1;
      changes_ = std::strtoll(PQcmdTuples(result_.get()), nullptr, 10);
    }
    if (row_ < PQntuples(result_.get())) ++row_;
    return row_ < PQntuples(result_.get());
  }

  std::optional<std::string_view> column_text(int index) override {
    if (!result_ || row_ < 0 || row_ >= PQntuples(result_.get()) || index < 0 ||
        index >= PQnfields(result_.get()))
      throw engine_error(kBadCallParameters, "no such column in the current row");
    if (PQgetisnull(result_.get(), row_, index)) return std::nullopt;
    return std::string_view(PQgetvalue(result_.get(), row_, index),
                            static_cast<size_t>(PQgetlength(result_.get(), row_, index)));
  }

  int64_t changes() const override { return changes_; }

  // The whole result came with the round trip: dropping it frees it all.
  void reset() override {
    result_.reset();
    row_ = -1;
  }

 private:
  std::shared_ptr<PgLink> link_;
  std::string name_;
  bool writes_;
  std::vector<ColumnDescription> columns_;
  std::vector<std::optional<std::string>> parameters_;
  PgResultPtr result_;
  int row_ = -1;
  int64_t changes_ = 0;
};

class PgConnection final : public Connection {
 public:
  explicit PgConnection(PgConnPtr connection) : link_(std::make_shared<PgLink>(std::move(connection))) {}

  const char* engine_name() const override { return "PGSQL"; }

  std::unique_ptr<Statement> prepare(std::string_view text) override {
    DialectText dialect = to_postgresql(text);
    if (dialect.empty) throw engine_error(TARN_SQL_SYNTAX_ERROR, "the statement text is empty");
    std::string name = link_->next_statement_name();
    size_t described = 0;
    std::vector<PgResultPtr> results = link_->round_trip(
        [&](Batch& batch) {
          batch.prepare(name, dialect.text);
          described = batch.describe(name);
        },
        false);
    // The server holds the statement now: its owner releases it.
    auto statement = std::make_unique<PgStatement>(link_, std::move(name), !only_reads(dialect.keyword));
    statement->describe(results[described].get());
    return statement;
  }

  bool in_transaction() const override { return link_->in_transaction(); }
  void begin() override { link_->begin(); }
  void commit() override { link_->commit(); }
  void rollback() override { link_->rollback(); }
  void run_script(std::string_view script) override { link_->run_script(std::string(script)); }
  void check_connection() override { link_->check_connection(); }

 private:
  std::shared_ptr<PgLink> link_;
};

// The database a conninfo names once libpq's defaults are applied.
std::string database_of(const std::string& conninfo, const Credentials& credentials) {
  PgConnPtr probe = start_connecting(conninfo, credentials);
  const char* name = probe ? PQdb(probe.get()) : nullptr;
  if (name == nullptr || *name == '\0')
    throw engine_error(TARN_SQL_ALIAS_NOT_FOUND, "no database name in " + conninfo);
  return name;
}

// Creates the database; false when another process just did.
bool create_database_on_server(const std::string& conninfo, const Credentials& credentials,
                               const std::string& name) {
  PgConnPtr maintenance = connect_to_server(conninfo, credentials, {"postgres", {}});
  char* quoted = PQescapeIdentifier(maintenance.get(), name.c_str(), name.size());
  if (quoted == nullptr) throw engine_error(TARN_SQL_ENGINE_ERROR, one_line(PQerrorMessage(maintenance.get())));
  // Bytes in, bytes out, compared as bytes: as in an SQLite database.
  std::string sql = std::string("CREATE DATABASE ") + quoted +
                    " TEMPLATE template0 ENCODING 'SQL_ASCII' LC_COLLATE 'C' LC_CTYPE 'C'";
  PQfreemem(quoted);
  PgResultPtr result(PQexec(maintenance.get(), sql.c_str()));
  if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) return true;
  const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
  // A creator at the same time wins with 42P04, or with 23505 while its
  // catalog row is not committed yet.
  if (state != nullptr && (std::string_view(state) == "42P04" || std::string_view(state) == "23505")) return false;
  throw result_error(maintenance.get(), result.get());
}

}  // namespace

std::unique_ptr<Connection> open_postgresql(const std::string& conninfo, const Credentials& credentials) {
  return std::make_unique<PgConnection>(connect_to_server(conninfo, credentials));
}

bool create_postgresql_database(const std::string& conninfo, const Credentials& credentials) {
  try {
    connect_to_server(conninfo, credentials);
    return false;
  } catch (const EngineError& error) {
    if (error.sqlcode != TARN_SQL_ALIAS_NOT_FOUND) throw;
  }
  return create_database_on_server(conninfo, credentials, database_of(conninfo, credentials));
}

}  // namespace tarn

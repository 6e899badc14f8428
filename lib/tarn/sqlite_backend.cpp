// SQLite behind the backend interface. SQLite has neither the fixed-width
// columns nor the case-sensitive LIKE and the UCASE function that the
// engine's callers need; the schema pads NAME, and every connection turns
// on case-sensitive LIKE and gets UCASE.
#include "sqlite_backend.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "codes.h"
#include "tarn/tarn.h"

namespace fs = std::filesystem;

namespace tarn {
namespace {

struct CloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using DatabasePtr = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

EngineError sqlite_error(int code, std::string message) {
  auto mentions = [&](const char* text) { return message.find(text) != std::string::npos; };
  switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
      if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE)
        return engine_error(TARN_SQL_DUPLICATE_KEY, std::move(message));
      return engine_error(TARN_SQL_CONSTRAINT, std::move(message));
    case SQLITE_FULL:
      return engine_error(TARN_SQL_DISK_FULL, std::move(message));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return engine_error(TARN_SQL_TIMEOUT, std::move(message));
    case SQLITE_ERROR:
      if (message.starts_with("no such table") || message.starts_with("no such column") ||
          message.starts_with("no such function"))
        return engine_error(TARN_SQL_UNDEFINED_NAME, std::move(message));
      if (mentions("syntax error") || mentions("incomplete input") || mentions("unrecognized token"))
        return engine_error(TARN_SQL_SYNTAX_ERROR, std::move(message));
      break;
  }
  return engine_error(TARN_SQL_ENGINE_ERROR, std::move(message));
}

[[noreturn]] void throw_last_error(sqlite3* db, int code) {
  throw sqlite_error(code, sqlite3_errmsg(db));
}

// UCASE(x): upper-cases ASCII letters only and keeps every other byte, the
// blank padding of a fixed-width column included.
void ucase(sqlite3_context* context, int /* argc */, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(context);
  const unsigned char* text = sqlite3_value_text(argv[0]);
  int size = sqlite3_value_bytes(argv[0]);
  char* upper = text ? static_cast<char*>(sqlite3_malloc(size + 1)) : nullptr;
  if (upper == nullptr) return sqlite3_result_error_nomem(context);
  for (int i = 0; i < size; ++i)
    upper[i] = (text[i] >= 'a' && text[i] <= 'z') ? static_cast<char>(text[i] - 'a' + 'A')
                                                  : static_cast<char>(text[i]);
  sqlite3_result_text(context, upper, size, sqlite3_free);
}

// Maps a declared column type ("CHAR(32)", "LONG VARCHAR", ...) to the
// engine's type code and length.
std::pair<int16_t, int16_t> type_of_declaration(const char* declared) {
  constexpr int16_t kLongLength = 32700;
  constexpr int16_t kUndeclaredLength = 254;
  if (declared == nullptr) return {TARN_VARCHAR, kUndeclaredLength};
  std::string type(declared);
  std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
  size_t open = type.find('(');
  std::string base = type.substr(0, open);
  base.erase(base.find_last_not_of(' ') + 1);
  long length = open == std::string::npos ? 0 : std::strtol(type.c_str() + open + 1, nullptr, 10);
  auto width = [&](long fallback) {
    return static_cast<int16_t>(std::clamp(length > 0 ? length : fallback, 1L, long{INT16_MAX}));
  };
  if (base == "CHAR" || base == "CHARACTER") return {TARN_CHAR, width(1)};
  if (base == "VARCHAR" || base == "CHARACTER VARYING" || base == "CHAR VARYING")
    return {TARN_VARCHAR, width(kUndeclaredLength)};
  if (base == "LONG VARCHAR" || base == "TEXT" || base == "CLOB") return {TARN_LONGVARCHAR, kLongLength};
  if (base == "BIGINT") return {TARN_BIGINT, 8};
  if (base == "SMALLINT") return {TARN_SMALLINT, 2};
  if (base.find("INT") != std::string::npos) return {TARN_INTEGER, 4};
  if (base == "REAL" || base == "DOUBLE" || base == "FLOAT") return {TARN_DOUBLE, 8};
  return {TARN_VARCHAR, kUndeclaredLength};
}

// Columns taken straight from a table report the table's NOT NULL;
// expressions may always be null.
bool is_nullable(sqlite3* db, sqlite3_stmt* statement, int index) {
  const char* database = sqlite3_column_database_name(statement, index);
  const char* table = sqlite3_column_table_name(statement, index);
  const char* column = sqlite3_column_origin_name(statement, index);
  int not_null = 0;
  if (database == nullptr || table == nullptr || column == nullptr ||
      sqlite3_table_column_metadata(db, database, table, column, nullptr, nullptr, &not_null,
                                    nullptr, nullptr) != SQLITE_OK)
    return true;
  return not_null == 0;
}

std::vector<ColumnDescription> describe_columns(sqlite3* db, sqlite3_stmt* statement) {
  std::vector<ColumnDescription> columns;
  int count = sqlite3_column_count(statement);
  for (int i = 0; i < count; ++i) {
    auto [type, length] = type_of_declaration(sqlite3_column_decltype(statement, i));
    const char* name = sqlite3_column_name(statement, i);
    columns.push_back({name ? name : "", type, length, is_nullable(db, statement, i)});
  }
  return columns;
}

class SqliteStatement final : public Statement {
 public:
  SqliteStatement(sqlite3* db, StatementPtr statement)
      : db_(db), statement_(std::move(statement)), columns_(describe_columns(db, statement_.get())) {}

  const std::vector<ColumnDescription>& columns() const override { return columns_; }
  int parameter_count() const override { return sqlite3_bind_parameter_count(statement_.get()); }

  void bind(int index, std::optional<std::string_view> value) override {
    // A null data pointer would bind NULL, not the empty text.
    int rc = value ? sqlite3_bind_text64(statement_.get(), index + 1, value->empty() ? "" : value->data(),
                                         value->size(), SQLITE_TRANSIENT, SQLITE_UTF8)
                   : sqlite3_bind_null(statement_.get(), index + 1);
    if (rc != SQLITE_OK) throw_last_error(db_, rc);
  }

  bool writes() const override { return sqlite3_stmt_readonly(statement_.get()) == 0; }

  bool step() override {
    int rc = sqlite3_step(statement_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) {
      changes_ = sqlite3_changes64(db_);
      return false;
    }
    EngineError error = sqlite_error(rc, sqlite3_errmsg(db_));
    sqlite3_reset(statement_.get());
    throw error;
  }

  std::optional<std::string_view> column_text(int index) override {
    if (sqlite3_column_type(statement_.get(), index) == SQLITE_NULL) return std::nullopt;
    const unsigned char* text = sqlite3_column_text(statement_.get(), index);
    if (text == nullptr) throw engine_error(TARN_SQL_ENGINE_ERROR, "out of memory");
    return std::string_view(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(sqlite3_column_bytes(statement_.get(), index)));
  }

  int64_t changes() const override { return changes_; }

  // The error a reset reports is the last step's, already thrown.
  void reset() override { sqlite3_reset(statement_.get()); }

 private:
  sqlite3* db_;
  StatementPtr statement_;
  std::vector<ColumnDescription> columns_;
  int64_t changes_ = 0;
};

class SqliteConnection final : public Connection {
 public:
  explicit SqliteConnection(DatabasePtr db) : db_(std::move(db)) {}

  const char* engine_name() const override { return "SQLITE"; }

  std::unique_ptr<Statement> prepare(std::string_view text) override {
    StatementPtr statement = compile(text, &text);
    if (!statement) throw engine_error(TARN_SQL_SYNTAX_ERROR, "the statement text is empty");
    // Whatever follows the first statement would be silently dropped.
    if (compile(text, nullptr))
      throw engine_error(TARN_SQL_SYNTAX_ERROR, "only one statement can be prepared at a time");
    return std::make_unique<SqliteStatement>(db_.get(), std::move(statement));
  }

  bool in_transaction() const override { return sqlite3_get_autocommit(db_.get()) == 0; }
  // IMMEDIATE takes the write lock now, so that a unit of work never fails
  // half-way for want of it.
  void begin() override { exec("BEGIN IMMEDIATE"); }
  // A deferred BEGIN takes no lock until the first query reads; it then
  // holds a snapshot of the database until the COMMIT. Both are prepared
  // once: they run around every operation that reads.
  bool begin_reads() override {
    run_kept(begin_reads_, "BEGIN");
    return true;
  }
  // A COMMIT that fails (a relation naming an object that is gone) leaves
  // SQLite's transaction open; it ends as on a server: rolled back.
  void commit() override {
    if (!in_transaction()) return;
    try {
      run_kept(commit_, "COMMIT");
    } catch (...) {
      if (in_transaction()) exec("ROLLBACK");
      throw;
    }
  }
  void rollback() override {
    if (in_transaction()) exec("ROLLBACK");
  }
  void run_script(std::string_view script) override { exec(std::string(script)); }

  void exec(const std::string& sql) {
    char* message = nullptr;
    int rc = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return;
    std::string text = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    throw sqlite_error(rc, std::move(text));
  }

 private:
  // Compiles the first statement of text; rest receives what follows it.
  StatementPtr compile(std::string_view text, std::string_view* rest) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v3(db_.get(), text.data(), static_cast<int>(text.size()), 0, &raw, &tail);
    StatementPtr statement(raw);
    if (rc != SQLITE_OK) throw_last_error(db_.get(), rc);
    if (rest != nullptr) *rest = text.substr(static_cast<size_t>(tail - text.data()));
    return statement;
  }

  // Runs a statement kept prepared in `kept` (prepared on first use).
  void run_kept(StatementPtr& kept, const char* sql) {
    if (!kept) kept = compile(sql, nullptr);
    int rc = sqlite3_step(kept.get());
    sqlite3_reset(kept.get());
    if (rc != SQLITE_DONE) throw_last_error(db_.get(), rc);
  }

  DatabasePtr db_;
  // Declared after the database, so that they are finalized before it closes.
  StatementPtr begin_reads_, commit_;
};

DatabasePtr open_handle(const std::string& path, int flags, const SqliteOptions& options) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  DatabasePtr db(raw);
  if (rc != SQLITE_OK) {
    std::string message = (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)) + (": " + path);
    if ((rc & 0xff) == SQLITE_CANTOPEN) throw engine_error(TARN_SQL_ALIAS_NOT_FOUND, std::move(message));
    throw sqlite_error(rc, std::move(message));
  }
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_busy_timeout(db.get(), static_cast<int>(options.busy_timeout.count()));
  configure_sqlite_connection(db.get());
  return db;
}

void run_setting(sqlite3* db, const char* sql) {
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw_last_error(db, rc);
}

}  // namespace

int sqlite_open_flags() { return SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX; }

void configure_sqlite_connection(sqlite3* db) {
  int rc = sqlite3_create_function_v2(db, "UCASE", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                      nullptr, ucase, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw_last_error(db, rc);
  run_setting(db, "PRAGMA case_sensitive_like = ON");
  run_setting(db, "PRAGMA foreign_keys = ON");  // the schema's relation checks
  // Room for the inner pages of every table and index of a large
  // repository, so that a lookup reads at most its leaf from the file.
  run_setting(db, "PRAGMA cache_size = -8192");
}

std::unique_ptr<Connection> open_sqlite(const std::string& path, const SqliteOptions& options) {
  std::error_code ignored;
  if (!fs::is_regular_file(path, ignored))
    throw engine_error(TARN_SQL_ALIAS_NOT_FOUND, "database file " + path + " does not exist");
  auto connection =
      std::make_unique<SqliteConnection>(open_handle(path, sqlite_open_flags(), options));
  // Reading the schema now makes a file that is no database fail CONNECT,
  // not the first statement.
  connection->exec("SELECT count(*) FROM sqlite_schema");
  return connection;
}

bool create_sqlite_database(const std::string& path) {
  fs::path file(path);
  std::error_code error;
  if (fs::exists(file, error)) return false;
  if (file.has_parent_path()) {
    fs::create_directories(file.parent_path(), error);
    if (error)
      throw engine_error(TARN_SQL_ENGINE_ERROR,
                         "cannot create directory " + file.parent_path().string() + ": " + error.message());
  }
  // The database is made whole under a name of its own and then linked
  // into place, so that it appears already in write-ahead logging (which
  // lets readers go on while a writer works; the mode is kept in the file)
  // or not at all: of several creators at once exactly one wins, and no
  // connection ever opens a file that another is still turning to WAL.
  static std::atomic<unsigned> made{0};
  struct TemporaryFile {
    std::string path;
    ~TemporaryFile() {
      std::error_code ignored;
      for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix, ignored);
    }
  } temporary{path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(made++)};
  int fd = ::open(temporary.path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) throw engine_error(TARN_SQL_ENGINE_ERROR, "cannot create " + temporary.path + ": " + std::strerror(errno));
  ::close(fd);
  {
    SqliteConnection connection(open_handle(temporary.path, sqlite_open_flags(), {}));
    connection.exec("PRAGMA journal_mode = WAL");
  }  // closed, so that the file is whole before it is linked
  int linked = ::link(temporary.path.c_str(), path.c_str());
  int link_error = errno;
  if (linked == 0) return true;
  if (link_error == EEXIST) return false;  // another creator's came first
  throw engine_error(TARN_SQL_ENGINE_ERROR, "cannot create database file " + path + ": " + std::strerror(link_error));
}

}  // namespace tarn

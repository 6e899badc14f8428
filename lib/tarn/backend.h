// The interface between the engine's statement calls and a database
// backend. Everything engine specific (SQLite, PostgreSQL) stays behind it;
// the statement calls only speak in SQLCODE terms.
#ifndef TARN_BACKEND_H
#define TARN_BACKEND_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// A failure of the engine, already in the engine's terms. Thrown by value.
struct EngineError {
  int32_t sqlcode;
  std::string sqlstate;  // five characters
  std::string message;
};

struct ColumnDescription {
  std::string name;
  int16_t sql_type;  // TARN_CHAR, TARN_VARCHAR, ... without the nullable bit
  int16_t length;    // declared width in bytes for character columns
  bool nullable;
};

// One prepared statement. Not thread-safe: a statement is used by the one
// thread attached to its context.
class Statement {
 public:
  virtual ~Statement() = default;

  // The result columns; empty for a statement that is not a query.
  virtual const std::vector<ColumnDescription>& columns() const = 0;
  virtual int parameter_count() const = 0;
  // Binds parameter index (0-based); nullopt binds NULL. The value is copied.
  virtual void bind(int index, std::optional<std::string_view> value) = 0;
  // Whether running the statement may change the database: such a
  // statement must run inside the unit of work.
  virtual bool writes() const = 0;

  // Advances the statement: true when a row is available, false when done.
  virtual bool step() = 0;
  // The current row's column as text; nullopt for NULL. Valid until the
  // next step or reset.
  virtual std::optional<std::string_view> column_text(int index) = 0;
  // Rows changed by the last completed run of an INSERT, UPDATE or DELETE.
  virtual int64_t changes() const = 0;
  // Makes the statement ready to run again (bindings are kept) and
  // releases what a partly read result holds.
  virtual void reset() = 0;
};

// One open connection. Nothing commits without commit().
class Connection {
 public:
  virtual ~Connection() = default;

  // The name reported in the SQLCA's sqlerrp ("SQLITE", "PGSQL").
  virtual const char* engine_name() const = 0;
  // Prepares exactly one statement; text after it is refused.
  virtual std::unique_ptr<Statement> prepare(std::string_view text) = 0;

  virtual bool in_transaction() const = 0;
  // Opens the unit of work for writing (waiting for other writers).
  virtual void begin() = 0;
  // Opens a transaction for queries to share, on an engine that otherwise
  // takes and releases its locks for every statement (SQLite); false,
  // having done nothing, where that would buy nothing. commit() ends it.
  virtual bool begin_reads() { return false; }
  virtual void commit() = 0;
  virtual void rollback() = 0;

  // Runs several statements separated by semicolons (a schema).
  virtual void run_script(std::string_view script) = 0;

  // Throws the loss of the connection (-1224) when the server has already
  // ended it, found without a round trip. Engines without a server have
  // nothing to check.
  virtual void check_connection() {}
};

}  // namespace tarn

#endif  // TARN_BACKEND_H

#include "pg_errors.h"

#include <cctype>

#include "codes.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

struct StateCode {
  std::string_view sqlstate;
  int32_t sqlcode;
};

// States the engine gives codes of their own. Class 23 beyond 23505 is
// any other constraint, as on SQLite; 22001 is a value wider than its
// column, which SQLite's CHECK constraints refuse the same way.
constexpr StateCode kStates[] = {
    {"23505", TARN_SQL_DUPLICATE_KEY}, {"23502", TARN_SQL_CONSTRAINT},
    {"23503", TARN_SQL_CONSTRAINT},    {"23514", TARN_SQL_CONSTRAINT},
    {"22001", TARN_SQL_CONSTRAINT},    {"42P01", TARN_SQL_UNDEFINED_NAME},
    {"42703", TARN_SQL_UNDEFINED_NAME}, {"42704", TARN_SQL_UNDEFINED_NAME},
    {"42883", TARN_SQL_UNDEFINED_NAME},
    {"42601", TARN_SQL_SYNTAX_ERROR},  {"40001", TARN_SQL_TIMEOUT},
    {"40P01", TARN_SQL_TIMEOUT},       {"55P03", TARN_SQL_TIMEOUT},
    {"57014", TARN_SQL_TIMEOUT},       {"53100", TARN_SQL_DISK_FULL},
    {"28P01", TARN_SQL_NOT_AUTHORIZED}, {"28000", TARN_SQL_NOT_AUTHORIZED},
    {"3D000", TARN_SQL_ALIAS_NOT_FOUND},
};

// The server shut the session down (administrator, crash, shutdown) or the
// connection failed: whatever the unit of work held is gone.
bool state_ends_connection(std::string_view sqlstate) {
  return sqlstate == "57P01" || sqlstate == "57P02" || sqlstate == "57P03" ||
         sqlstate.starts_with("08");
}

bool mentions(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

EngineError lost(std::string message) {
  if (message.empty()) message = "the connection to the server was lost";
  return engine_error(TARN_SQL_CONNECTION_LOST, std::move(message));
}

}  // namespace

int32_t sqlcode_of_state(std::string_view sqlstate) {
  if (state_ends_connection(sqlstate)) return TARN_SQL_CONNECTION_LOST;
  for (const StateCode& known : kStates)
    if (known.sqlstate == sqlstate) return known.sqlcode;
  return TARN_SQL_ENGINE_ERROR;
}

std::string one_line(std::string_view message) {
  std::string line;
  bool blank = false;
  for (char c : message) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = !line.empty();
      continue;
    }
    if (blank) line.push_back(' ');
    blank = false;
    line.push_back(c);
  }
  return line;
}

EngineError result_error(PGconn* connection, const PGresult* result) {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string message = one_line(primary ? primary : PQerrorMessage(connection));
  if (PQstatus(connection) == CONNECTION_BAD || state == nullptr) return lost(std::move(message));
  int32_t sqlcode = sqlcode_of_state(state);
  if (sqlcode == TARN_SQL_CONNECTION_LOST) return lost(std::move(message));
  // Unmapped failures keep the server's state: it is all the caller has.
  if (sqlcode == TARN_SQL_ENGINE_ERROR) return EngineError{sqlcode, state, std::move(message)};
  return engine_error(sqlcode, std::move(message));
}

EngineError connection_error(PGconn* connection) { return lost(one_line(PQerrorMessage(connection))); }

EngineError connect_error(PGconn* connection) {
  if (connection == nullptr) return engine_error(TARN_SQL_ENGINE_ERROR, "out of memory");
  std::string message = one_line(PQerrorMessage(connection));
  // libpq gives no SQLSTATE for a refused connection: its text tells.
  if (mentions(message, "database \"") && mentions(message, "does not exist"))
    return engine_error(TARN_SQL_ALIAS_NOT_FOUND, std::move(message));
  if (PQconnectionNeedsPassword(connection) || mentions(message, "authentication failed") ||
      mentions(message, "no password supplied") || mentions(message, "no pg_hba.conf entry") ||
      (mentions(message, "role \"") && mentions(message, "does not exist")) ||
      mentions(message, "not permitted to log in") || mentions(message, "permission denied for database"))
    return engine_error(TARN_SQL_NOT_AUTHORIZED, std::move(message));
  return lost(std::move(message));
}

}  // namespace tarn

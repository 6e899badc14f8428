// SQLCA contents and the formatted message line (message file "tarnsql.mo",
// whose texts are built in).
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codes.h"

namespace tarn {
namespace {

struct CodeInfo {
  int32_t sqlcode;
  const char* sqlstate;
  const char* text;
};

constexpr CodeInfo kCodes[] = {
    {TARN_SQL_OK, "00000", "The statement completed successfully."},
    {kDatabaseExists, "01000", "The database already exists; nothing was changed."},
    {TARN_SQL_NOT_FOUND, "02000", "No row was found, or the statement changed no row."},
    {TARN_SQL_SYNTAX_ERROR, "42601", "The statement text is not valid."},
    {TARN_SQL_UNDEFINED_NAME, "42704", "An undefined table, column or function was used."},
    {kValueTooLong, "22001", "A host variable value is longer than its declared length."},
    {kNullWithoutIndicator, "22002", "A null value was fetched into a variable without indicator."},
    {kHostVariableCount, "07004", "The number of host variables does not match the statement."},
    {TARN_SQL_CURSOR_NOT_OPEN, "24501", "The cursor is not open."},
    {TARN_SQL_CURSOR_ALREADY_OPEN, "24502", "The cursor is already open."},
    {TARN_SQL_NOT_PREPARED, "07003", "The statement is not prepared or is not of the right kind."},
    {TARN_SQL_CONSTRAINT, "23513", "A value violates a constraint of the table."},
    {TARN_SQL_DUPLICATE_KEY, "23505", "A row with the same key already exists."},
    {kBadCallParameters, "07002", "The parameters of the call are not valid."},
    {TARN_SQL_ENGINE_ERROR, "58004", "The engine failed."},
    {TARN_SQL_ROLLBACK_REQUIRED, "51021",
     "The unit of work was lost with the connection; it must be rolled back before anything is committed."},
    {TARN_SQL_TIMEOUT, "40001", "A lock wait timed out; the unit of work was rolled back."},
    {TARN_SQL_DISK_FULL, "57011", "The database is full."},
    {TARN_SQL_ALIAS_NOT_FOUND, "42705", "The database alias or the database was not found."},
    {TARN_SQL_NO_CONNECTION, "08003", "There is no connection."},
    {TARN_SQL_ALREADY_CONNECTED, "08002", "The context is already connected."},
    {TARN_SQL_NOT_STARTED, "57019", "No engine thread runs the request."},
    {TARN_SQL_LOST_CONNECTION_FIRST, "08001", "The connection was lost."},
    {TARN_SQL_CONNECTION_LOST, "08001", "The connection was lost."},
    {TARN_SQL_LOST_CONNECTION_LAST, "08001", "The connection was lost."},
    {TARN_SQL_BAD_CONTEXT, "55035", "The context handle or context type is not valid."},
    {TARN_SQL_NO_CONTEXT, "55034", "No context is attached to the thread."},
    {TARN_SQL_NOT_AUTHORIZED, "08001", "The user id or password was refused."},
};

const CodeInfo* find_code(int32_t sqlcode) {
  for (const CodeInfo& info : kCodes)
    if (info.sqlcode == sqlcode) return &info;
  return nullptr;
}

// Breaks text into lines of at most width characters, at blanks where it
// can (the blanks at a break are dropped), mid-word where it cannot.
std::string wrap(std::string_view text, size_t width) {
  std::string out;
  while (text.size() > width) {
    size_t cut = text.rfind(' ', width);
    size_t next = cut;
    if (cut == std::string_view::npos || cut == 0) {
      cut = next = width;
    } else {
      while (cut > 0 && text[cut - 1] == ' ') --cut;
      while (next < text.size() && text[next] == ' ') ++next;
    }
    out.append(text.substr(0, cut));
    out.push_back('\n');
    text.remove_prefix(next);
  }
  out.append(text);
  return out;
}

}  // namespace

std::string_view default_sqlstate(int32_t sqlcode) {
  const CodeInfo* info = find_code(sqlcode);
  return info ? info->sqlstate : "58004";
}

std::string_view builtin_text(int32_t sqlcode) {
  const CodeInfo* info = find_code(sqlcode);
  return info ? info->text : "The engine reported an error.";
}

EngineError engine_error(int32_t sqlcode, std::string message) {
  return EngineError{sqlcode, std::string(default_sqlstate(sqlcode)), std::move(message)};
}

void fill_sqlca(sqlca* ca, int32_t sqlcode, std::string_view sqlstate, std::string_view message,
                std::string_view engine) {
  if (ca == nullptr) return;
  // Every field is set whole but the message, which is set as far as its
  // end: every statement call begins here, and most carry no message.
  std::memcpy(ca->sqlcaid, "SQLCA   ", sizeof ca->sqlcaid);
  ca->sqlcabc = static_cast<int32_t>(sizeof *ca);
  ca->sqlcode = sqlcode;
  size_t length = std::min(message.size(), sizeof ca->sqlerrmc - 1);
  std::memcpy(ca->sqlerrmc, message.data(), length);
  ca->sqlerrmc[length] = '\0';
  ca->sqlerrml = static_cast<int16_t>(length);
  std::memset(ca->sqlerrp, 0, sizeof ca->sqlerrp);
  std::memcpy(ca->sqlerrp, engine.data(), std::min(engine.size(), sizeof ca->sqlerrp - 1));
  std::memset(ca->sqlerrd, 0, sizeof ca->sqlerrd);
  std::memset(ca->sqlwarn, ' ', sizeof ca->sqlwarn);
  if (sqlstate.empty() && sqlcode != TARN_SQL_OK) sqlstate = default_sqlstate(sqlcode);
  std::memset(ca->sqlstate, '0', sizeof ca->sqlstate);
  std::memcpy(ca->sqlstate, sqlstate.data(), std::min(sqlstate.size(), sizeof ca->sqlstate));
}

}  // namespace tarn

extern "C" void tarn_set_sqlca(sqlca* ca, int32_t sqlcode, const char* sqlstate,
                               const char* message) {
  tarn::fill_sqlca(ca, sqlcode, sqlstate ? sqlstate : "", message ? message : "",
                   tarn::kOwnEngineName);
}

extern "C" int tarn_format_message(char* buffer, int size, int width, const sqlca* ca,
                                   const char* /* msgfile: the texts are built in */) {
  constexpr std::string_view kLineEnd = "\r\n";
  if (buffer == nullptr || size <= 0) return -1;
  buffer[0] = '\0';
  if (ca == nullptr || size < static_cast<int>(kLineEnd.size()) + 1) return -1;
  try {
    size_t message_length = std::min<size_t>(std::max<int>(ca->sqlerrml, 0), sizeof ca->sqlerrmc);
    std::string_view message(ca->sqlerrmc, strnlen(ca->sqlerrmc, message_length));
    if (message.empty()) message = tarn::builtin_text(ca->sqlcode);

    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "SQL%04ld%c  ", std::labs(long{ca->sqlcode}),
                  ca->sqlcode < 0 ? 'N' : 'W');
    std::string text = prefix;
    text.append(message);
    text.append("  SQLSTATE=");
    text.append(ca->sqlstate, strnlen(ca->sqlstate, sizeof ca->sqlstate));
    if (width > 0 && text.size() > static_cast<size_t>(width))
      text = tarn::wrap(text, static_cast<size_t>(width));

    // Cut to fit, but keep the line end the caller relies on dropping.
    size_t room = static_cast<size_t>(size) - 1 - kLineEnd.size();
    if (text.size() > room) text.resize(room);
    text.append(kLineEnd);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
  } catch (...) {
    return -1;
  }
}

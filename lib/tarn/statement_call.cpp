#include "statement_call.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "codes.h"
#include "messages.h"
#include "test_hooks.h"

namespace tarn {
namespace {

const char* engine_name(const Context& context) {
  return context.session ? context.session->connection->engine_name() : kOwnEngineName;
}

// The first word of a statement text, after blanks, comments and '('.
std::string leading_keyword(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[pos])) || text[pos] == '(') {
      ++pos;
    } else if (text.substr(pos, 2) == "--") {
      pos = text.find('\n', pos);
    } else if (text.substr(pos, 2) == "/*") {
      pos = text.find("*/", pos + 2);
      if (pos != std::string_view::npos) pos += 2;
    } else {
      break;
    }
  }
  std::string word;
  for (; pos < text.size() && std::isalpha(static_cast<unsigned char>(text[pos])); ++pos)
    word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos]))));
  return word;
}

bool changes_rows(std::string_view text) {
  std::string keyword = leading_keyword(text);
  return keyword == "INSERT" || keyword == "UPDATE" || keyword == "DELETE" || keyword == "REPLACE";
}

// Resets a statement on every way out, so that no half-run statement
// holds locks or a snapshot.
class ResetOnExit {
 public:
  explicit ResetOnExit(Statement& statement) : statement_(statement) {}
  ~ResetOnExit() { statement_.reset(); }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

 private:
  Statement& statement_;
};

}  // namespace

bool begin_statement_call(sqlca* ca, Context* context, Needs needs) {
  if (std::optional<int32_t> injected = count_statement_call()) {
    if (is_connection_lost(*injected) && context != nullptr) drop_session(*context);
    fill_sqlca(ca, *injected, "", "injected failure", kOwnEngineName);
    return false;
  }
  if (context == nullptr) {
    fill_sqlca(ca, TARN_SQL_NO_CONTEXT, "", "no context is attached to the thread", kOwnEngineName);
    return false;
  }
  if (needs == Needs::connection && !context->session) {
    fill_sqlca(ca, TARN_SQL_NO_CONNECTION, "", "the context is not connected", kOwnEngineName);
    return false;
  }
  fill_sqlca(ca, TARN_SQL_OK, "", "", engine_name(*context));
  return true;
}

void report_failure(sqlca* ca, Context& context) {
  try {
    throw;
  } catch (const EngineError& error) {
    if (error.sqlcode == TARN_SQL_TIMEOUT && context.session) {
      try {
        close_cursors(*context.session);
        context.session->connection->rollback();
      } catch (...) {
        // The timeout is what the caller must hear about.
      }
    }
    fill_sqlca(ca, error.sqlcode, error.sqlstate, error.message, engine_name(context));
    // A connection the server lost is dropped as an injected loss is:
    // later statements fail with -1024 until a CONNECT.
    if (is_connection_lost(error.sqlcode)) drop_session(context);
  } catch (const std::bad_alloc&) {
    fill_sqlca(ca, TARN_SQL_ENGINE_ERROR, "", "out of memory", engine_name(context));
  } catch (const std::exception& error) {
    fill_sqlca(ca, TARN_SQL_ENGINE_ERROR, "", error.what(), engine_name(context));
  } catch (...) {
    fill_sqlca(ca, TARN_SQL_ENGINE_ERROR, "", "unexpected failure", engine_name(context));
  }
}

void run_to_completion(Session& session, Prepared& prepared, sqlca* ca) {
  Statement& statement = *prepared.statement;
  if (!statement.columns().empty())
    throw engine_error(TARN_SQL_NOT_PREPARED, "a query is read through a cursor, not executed");
  if (statement.writes() && session.reading) end_reads(session);
  if (statement.writes() && !session.connection->in_transaction()) session.connection->begin();
  ResetOnExit reset(statement);
  while (statement.step()) {
  }
  if (!changes_rows(prepared.text)) return;
  int64_t rows = statement.changes();
  if (rows == 0) fill_sqlca(ca, TARN_SQL_NOT_FOUND, "", "", session.connection->engine_name());
  ca->sqlerrd[2] = static_cast<int32_t>(std::min<int64_t>(rows, INT32_MAX));
}

void close_cursors(Session& session) {
  for (auto& [number, cursor] : session.cursors)
    if (auto slot = session.slots.find(cursor.slot); slot != session.slots.end())
      slot->second.statement->reset();
  session.cursors.clear();
}

}  // namespace tarn

// Cursors: OPEN, FETCH and CLOSE over a prepared query.
#include <string>

#include "codes.h"
#include "host_variables.h"
#include "messages.h"
#include "statement_call.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

Cursor& open_cursor(Session& session, int number) {
  auto found = session.cursors.find(number);
  if (found == session.cursors.end())
    throw engine_error(TARN_SQL_CURSOR_NOT_OPEN, "cursor " + std::to_string(number) + " is not open");
  return found->second;
}

void open(Session& session, int number, int slot) {
  if (number < 1) throw engine_error(kBadCallParameters, "cursor numbers start at 1");
  if (session.cursors.contains(number))
    throw engine_error(TARN_SQL_CURSOR_ALREADY_OPEN, "cursor " + std::to_string(number) + " is already open");
  auto prepared = session.slots.find(slot);
  if (prepared == session.slots.end())
    throw engine_error(TARN_SQL_NOT_PREPARED, "statement " + std::to_string(slot) + " is not prepared");
  if (prepared->second.statement->columns().empty())
    throw engine_error(TARN_SQL_NOT_PREPARED, "statement " + std::to_string(slot) + " is not a query");
  // One statement runs one result at a time.
  for (const auto& [other, cursor] : session.cursors)
    if (cursor.slot == slot)
      throw engine_error(TARN_SQL_CURSOR_ALREADY_OPEN,
                         "cursor " + std::to_string(other) + " is open over statement " + std::to_string(slot));
  prepared->second.statement->reset();
  if (session.share_reads && !session.reading && !session.connection->in_transaction())
    session.reading = session.connection->begin_reads();
  session.cursors.emplace(number, Cursor{slot, false});
}

// Returns false when no row is left.
bool fetch(Session& session, int number, sqlda* da, sqlca* ca) {
  Cursor& cursor = open_cursor(session, number);
  if (da == nullptr || da->sqln < 0) throw engine_error(kBadCallParameters, "no valid SQLDA");
  if (cursor.exhausted) return false;
  Statement& statement = *session.slots.at(cursor.slot).statement;
  bool row;
  try {
    row = statement.step();
  } catch (...) {
    // A failed step leaves no position to go on from.
    statement.reset();
    session.cursors.erase(number);
    throw;
  }
  if (!row) {
    // Release the result now; the cursor answers 100 until it is closed.
    statement.reset();
    cursor.exhausted = true;
    return false;
  }
  if (deliver_row(statement, da)) {
    ca->sqlwarn[0] = 'W';
    ca->sqlwarn[1] = 'W';
  }
  return true;
}

void close(Session& session, int number) {
  Cursor& cursor = open_cursor(session, number);
  session.slots.at(cursor.slot).statement->reset();
  session.cursors.erase(number);
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" void tarn_open(int cursor, int slot, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) { open(*context.session, cursor, slot); });
}

extern "C" void tarn_fetch(int cursor, sqlda* da, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca* out) {
    if (!fetch(*context.session, cursor, da, out))
      fill_sqlca(out, TARN_SQL_NOT_FOUND, "", "", context.session->connection->engine_name());
  });
}

extern "C" void tarn_close(int cursor, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) { close(*context.session, cursor); });
}

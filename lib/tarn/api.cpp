// The statement calls other than cursors: CONNECT, PREPARE, DESCRIBE,
// EXECUTE, the static statements, COMMIT and ROLLBACK.
#include <optional>
#include <string>

#include "catalog.h"
#include "codes.h"
#include "database.h"
#include "host_variables.h"
#include "messages.h"
#include "statement_call.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

Prepared& prepared_slot(Session& session, int slot) {
  auto found = session.slots.find(slot);
  if (found == session.slots.end())
    throw engine_error(TARN_SQL_NOT_PREPARED, "statement " + std::to_string(slot) + " is not prepared");
  return found->second;
}

void check_number(int number, const char* what) {
  if (number < 1)
    throw engine_error(kBadCallParameters, std::string(what) + " numbers start at 1");
}

std::string required_text(const tarn_input& vars, size_t index, const char* what) {
  std::optional<std::string_view> value = input_value(vars.entries[index]);
  if (!value) throw engine_error(kBadCallParameters, std::string(what) + " is null");
  return std::string(*value);
}

void connect(Context& context, const tarn_input* vars) {
  if (context.session) throw engine_error(TARN_SQL_ALREADY_CONNECTED, "the context is already connected");
  if (vars == nullptr || (vars->entries.size() != 1 && vars->entries.size() != 3))
    throw engine_error(kBadCallParameters, "CONNECT takes an alias, and a user and password");
  Target target = resolve_alias(checked_alias(required_text(*vars, 0, "the alias")));
  std::optional<std::string> user, password;
  if (vars->entries.size() == 3) {
    user = required_text(*vars, 1, "the user id");
    password = required_text(*vars, 2, "the password");
  }
  auto session = std::make_unique<Session>();
  session->connection = open_database(target, Credentials{user, password});
  context.session = std::move(session);
}

void prepare(Session& session, int slot, const char* text) {
  check_number(slot, "statement");
  if (text == nullptr) throw engine_error(kBadCallParameters, "no statement text");
  // The old statement and its cursor go first: a failed PREPARE leaves
  // the slot unprepared, never holding the previous statement.
  std::erase_if(session.cursors, [slot](const auto& entry) { return entry.second.slot == slot; });
  Shape shape = shape_of(text);
  Prepared& prepared = session.slots[slot];
  try {
    // The store prepares texts of one shape over and over into one slot:
    // the slot's own statement serves the new text as it is.
    if (prepared.statement && prepared.shape == shape.text) {
      prepared.statement->reset();
    } else if (prepared.statement) {
      session.cache.give_back(std::move(prepared.shape), std::move(prepared.statement));
    }
    prepared.text = text;
    if (!prepared.statement) {
      prepared.statement = session.cache.take(shape.text);
      if (!prepared.statement) prepared.statement = session.connection->prepare(shape.text);
      prepared.shape = std::move(shape.text);
    }
    Statement& statement = *prepared.statement;
    if (static_cast<size_t>(statement.parameter_count()) != shape.values.size())
      throw engine_error(kHostVariableCount, "the statement's values and its markers differ in number");
    for (size_t i = 0; i < shape.values.size(); ++i) statement.bind(static_cast<int>(i), shape.values[i]);
  } catch (...) {
    session.slots.erase(slot);
    throw;
  }
}

// The statement of a section, prepared on first use, with vars bound.
Prepared& bound_section(Session& session, int section, const char* text, const tarn_input* vars) {
  if (text == nullptr) throw engine_error(kBadCallParameters, "no statement text");
  Prepared& prepared = session.sections[section];
  // A section keeps its statement; a new text for it is prepared anew.
  if (!prepared.statement || prepared.text != text) {
    prepared.statement.reset();
    prepared.text = text;
    prepared.statement = session.connection->prepare(prepared.text);
  }
  Statement& statement = *prepared.statement;
  size_t given = vars ? vars->entries.size() : 0;
  if (given != static_cast<size_t>(statement.parameter_count()))
    throw engine_error(kHostVariableCount, std::to_string(given) + " host variables for " +
                                               std::to_string(statement.parameter_count()) +
                                               " parameter markers");
  for (size_t i = 0; i < given; ++i) statement.bind(static_cast<int>(i), input_value(vars->entries[i]));
  return prepared;
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" void tarn_connect(tarn_input* vars, sqlca* ca) {
  statement_call(ca, Needs::context, [&](Context& context, sqlca* out) {
    connect(context, vars);
    fill_sqlca(out, TARN_SQL_OK, "", "", context.session->connection->engine_name());
  });
}

extern "C" void tarn_disconnect(sqlca* ca) {
  Context* context = attached_context();
  if (context == nullptr)
    return fill_sqlca(ca, TARN_SQL_NO_CONTEXT, "", "no context is attached to the thread", kOwnEngineName);
  drop_session(*context);
  fill_sqlca(ca, TARN_SQL_OK, "", "", kOwnEngineName);
}

extern "C" void tarn_prepare(int slot, const char* text, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) {
    // A statement kept from before may never reach the server until FETCH:
    // a connection the server already ended is reported here, where
    // running the request again prepares it anew.
    context.session->connection->check_connection();
    prepare(*context.session, slot, text);
  });
}

extern "C" void tarn_describe(int slot, sqlda* da, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) {
    Prepared& prepared = prepared_slot(*context.session, slot);
    if (da == nullptr || da->sqln < 0) throw engine_error(kBadCallParameters, "no valid SQLDA");
    describe_into(prepared.statement->columns(), da);
  });
}

extern "C" void tarn_execute(int slot, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca* out) {
    Session& session = *context.session;
    run_to_completion(session, prepared_slot(session, slot), out);
  });
}

extern "C" void tarn_execute_static(int section, const char* text, tarn_input* vars, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca* out) {
    Session& session = *context.session;
    run_to_completion(session, bound_section(session, section, text, vars), out);
  });
}

extern "C" void tarn_commit(sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) {
    close_cursors(*context.session);
    context.session->reading = false;
    context.session->connection->commit();
  });
}

extern "C" void tarn_rollback(sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) {
    close_cursors(*context.session);
    context.session->reading = false;
    context.session->connection->rollback();
  });
}

extern "C" void tarn_run_script(const char* script, sqlca* ca) {
  statement_call(ca, Needs::connection, [&](Context& context, sqlca*) {
    if (script == nullptr) throw engine_error(kBadCallParameters, "no script");
    Session& session = *context.session;
    end_reads(session);
    if (!session.connection->in_transaction()) session.connection->begin();
    session.connection->run_script(script);
  });
}

extern "C" int tarn_share_reads(int on) {
  Context* context = attached_context();
  if (context == nullptr || !context->session) return 0;
  tarn::Session& session = *context->session;
  bool was_on = session.share_reads;
  session.share_reads = on != 0;
  if (was_on && !session.share_reads && session.reading) {
    tarn::close_cursors(session);
    tarn::end_reads(session);
  }
  return session.reading;
}

extern "C" int tarn_reading(void) {
  Context* context = attached_context();
  return context != nullptr && context->session && context->session->reading;
}

// What the session's worker runs: the handlers of the requests, and the
// building of the session's error. Everything here runs on the worker
// thread only, so the state behind it needs no lock of its own.
#pragma once

#include <memory>
#include <string>

#include <qeloridm/irstore.h>
#include <tarn/tarn.h>

class IRDataBase;
class Irrepdat;

// The error of a failed step: the SQLCA's code, SQLSTATE "99999" and the
// message "<context>,    Tarn Message: <engine text>", reported through
// vekdError before it is returned.
IRSError make_irs_error(const sqlca& ca, const char* context);

// An input host-variable list of the engine; IRStore::OutOfMemory when none
// can be had.
using InputList = std::unique_ptr<tarn_input, decltype(&tarn_input_free)>;
InputList make_input_list(int count);

// The completion of CONNECT and of every statement.
sqlca& statement_sqlca();

inline bool is_connection_lost(int code) {
  return code >= TARN_SQL_LOST_CONNECTION_FIRST && code <= TARN_SQL_LOST_CONNECTION_LAST;
}
// The connection was found lost after a request had its answer (a CLOSE
// said so) and with no change lost: the next request connects again.
void note_connection_lost();

void process_commit(IRDataBase* session);
void process_rollback(IRDataBase* session);
void process_execute(IRDataBase* session, const char* text);
int process_fetch(IRDataBase* session, int count, char** columns, int* lengths, int mode);
void process_insert(Irrepdat* row);
void process_update(Irrepdat* row);

// Whether the open unit of work holds changes: a lost connection took them
// with it, so the request must not be retried as if nothing happened.
bool unit_of_work_has_changes();
void forget_unit_of_work();

// The text last prepared as the session's query: a new connection has lost
// the prepared statement, and a cursor that it was to open needs it again.
const std::string& last_query_text();

// Every statement the session runs, as it runs it: for tools that replay
// the same work elsewhere (the benchmark's engine floor). The observer is
// called on the worker thread before the statement runs.
struct StatementEvent {
  enum Kind { kQuery, kStatement, kInsert, kUpdate, kCommit, kRollback } kind;
  const char* text;      // the statement text; the static ones with '?' markers
  const char* values[6]; // the static statements' values, in marker order
  int value_count;
};
using StatementObserver = void (*)(const StatementEvent& event, void* context);
// nullptr stops observing.
void set_statement_observer(StatementObserver observer, void* context);

// For the end of a session: the statement trace counters, and the result
// description of the last query.
void print_statement_counters();
void free_result_description();

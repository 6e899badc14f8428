// IRDataBase: the store's one connection to its Tarn database.
//
// Every SQL statement runs on a single worker thread that owns the database
// context. A caller hands the worker a numbered request through process-wide
// state and waits for it: take the request lock, store the code and
// arguments, post the request event, wait for the done event. An IRSError
// that the worker caught is thrown on the caller's thread.
//
// The state is process-wide: a process holds one session at a time.
#pragma once

#include "work_set.h"

class IRDataBase {
 public:
  // Starts the worker thread and connects to the database `name` (at most 31
  // characters; CONNECT uses the first eight, upper-cased). Throws IRSError
  // when the connection fails, and then leaves no worker behind.
  explicit IRDataBase(const char* name);
  // Rolls back what was not committed, ends the context and stops the
  // worker: a forgotten connection would hold its locks and block every
  // later writer of the database.
  ~IRDataBase();
  IRDataBase(const IRDataBase&) = delete;
  IRDataBase& operator=(const IRDataBase&) = delete;

  void commit();
  void rollback();
  // A text that begins with 'S' is prepared and described as the query of
  // the session's one cursor; any other text is executed at once.
  void execute(const char* text);
  // Delivers one row of the prepared query into columns[0..count): mode 0
  // opens the cursor, fetches and closes it; mode 1 opens and fetches; any
  // other mode fetches the next row. Returns 1 for a row, 0 for none.
  // lengths[i] holds the size of columns[i] (NUL included) on entry and the
  // delivered length on return. A column wider than its buffer, or a value
  // longer than its column, is an IRSError (SQLCODE -302), never an
  // overflow or a value cut short.
  int fetch(int count, char** columns, int* lengths, int mode);

  char* dbName = nullptr;          // the name as connected
  // Whether the last INSERT, UPDATE or DELETE that execute() ran changed no
  // row. A writer in another process may delete a row between our reading
  // it and our DELETE of it.
  bool changedNothing = false;
  WorkSet work_set;  // what the walk in progress has reached
};

// The session that connected last; the record classes reach it through this.
IRDataBase* current_session();
// The same; when no session is connected, IRStore::Unrecoverable with the
// SQL1032N failure that every request of a session without a worker gets.
IRDataBase& current_session_or_fail();

// At the end of a store operation (its outermost lock guard): ends the read
// transaction that its queries shared, if one is open, so that no snapshot
// outlives the operation and the next one sees what other processes
// committed meanwhile.
void end_shared_reads();
// Whether an operation's shared read transaction is open.
bool shared_reads_open();

// How many times the session has connected. A reconnect empties the work
// set, so a walk that sees this number change has lost what it reached.
unsigned long connection_count();

// Request codes of the worker.
enum RequestCode {
  kConnect = 0,
  kEndSession = 1,
  kCommit = 2,
  kRollback = 3,
  kExecute = 4,
  kFetch = 5,
  kInsert = 6,  // the static insert of an IRREPDAT row; arg0 = Irrepdat*
  kUpdate = 7,  // the static update of an IRREPDAT row; arg0 = Irrepdat*
  kStop = 8,    // ends the worker thread
  kEndReads = 9  // ends the read transaction the queries of an operation shared
};

// Runs one request through the worker and returns the request result
// (meaningful for kFetch). Throws the IRSError the worker caught.
int run_request(IRDataBase* session, RequestCode code, void* arg0 = nullptr,
                void* arg1 = nullptr, void* arg2 = nullptr, void* arg3 = nullptr);

// Contexts: what a thread's statement calls run on.
#ifndef TARN_CONTEXT_H
#define TARN_CONTEXT_H

#include <map>
#include <memory>
#include <string>
#include <thread>

#include "backend.h"
#include "statement_cache.h"

namespace tarn {

// A statement with the text it was prepared from and, for a dynamic
// statement, its shape (the text the engine prepared).
struct Prepared {
  std::string text;
  std::unique_ptr<Statement> statement;
  std::string shape;
};

struct Cursor {
  int slot = 0;
  bool exhausted = false;  // FETCH gave 100; the statement is already reset
};

// Everything that lives exactly as long as one connection. The statements
// are declared after the connection so that they are finalized first.
struct Session {
  std::unique_ptr<Connection> connection;
  StatementCache cache;              // dynamic statements not in a slot, by shape
  std::map<int, Prepared> slots;     // dynamic statements by slot
  std::map<int, Cursor> cursors;     // open cursors by number
  std::map<int, Prepared> sections;  // static statements by section
  // While share_reads is on, the first cursor opened outside a transaction
  // begins a read transaction that the queries after it share (`reading`);
  // a change ends it before it runs, so that the unit of work begins as
  // it would without it.
  bool share_reads = false;
  bool reading = false;
};

// Ends the read transaction the queries share, if one is open.
void end_reads(Session& session);

struct Context {
  std::unique_ptr<Session> session;  // null when not connected
  std::thread::id attached_thread;   // guarded by the context registry
};

// The context attached to the calling thread, or null.
Context* attached_context();

// Ends the context's connection: its unit of work is rolled back.
void drop_session(Context& context);

}  // namespace tarn

#endif  // TARN_CONTEXT_H

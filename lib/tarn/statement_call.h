// The frame every statement call runs in: count the call, apply an
// injected failure, find the thread's context and turn the outcome, or any
// exception, into the SQLCA. Nothing is thrown across the C interface.
#ifndef TARN_STATEMENT_CALL_H
#define TARN_STATEMENT_CALL_H

#include <string_view>

#include "context.h"
#include "tarn/tarn.h"

namespace tarn {

enum class Needs { context, connection };

// Checks what the call needs and fills ca for success; false when ca
// already holds the call's failure.
bool begin_statement_call(sqlca* ca, Context* context, Needs needs);
// Fills ca from the exception in flight. A lock timeout also rolls back
// the unit of work, as its SQLCODE promises; a lost connection is dropped.
void report_failure(sqlca* ca, Context& context);

// Runs body(Context&, sqlca*) as a statement call.
template <class Body>
void statement_call(sqlca* ca, Needs needs, Body&& body) {
  sqlca scratch;
  if (ca == nullptr) ca = &scratch;
  Context* context = attached_context();
  if (!begin_statement_call(ca, context, needs)) return;
  try {
    body(*context, ca);
  } catch (...) {
    report_failure(ca, *context);
  }
}

// Runs a prepared statement that is not a query to its end, inside the
// unit of work when it writes. INSERT, UPDATE and DELETE that change no
// row give SQLCODE 100; sqlerrd[2] counts the rows changed.
void run_to_completion(Session& session, Prepared& prepared, sqlca* ca);

// Closes every cursor of the session (COMMIT and ROLLBACK do).
void close_cursors(Session& session);

}  // namespace tarn

#endif  // TARN_STATEMENT_CALL_H

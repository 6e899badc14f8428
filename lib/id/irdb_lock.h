// CSGuard: holds an IRDB's store lock from its construction to its
// destruction, on normal return and on unwinding alike. With QELMutexTrace
// set it traces "Starting CS: " and "Ending CS: " with the lock's handle.
//
// The lock is re-entrant, because operations call other operations of the
// same store through the IRStore interface while they hold it.
#pragma once

// The outermost guard of a thread ends the operation's shared reads
// (end_shared_reads) before it releases the lock.
class CSGuard {
 public:
  explicit CSGuard(void* const* mutex);
  ~CSGuard();
  CSGuard(const CSGuard&) = delete;
  CSGuard& operator=(const CSGuard&) = delete;

 private:
  void* const* mutex_;
};

// Whether the calling thread holds a store lock through a guard: it is
// inside a store operation, whose queries may share one read transaction.
bool in_store_operation();

// Whether the query about to be opened shares the operation's read
// transaction: from the operation's second query on. One that runs a
// single query pays neither the transaction's BEGIN and COMMIT nor the
// request that ends it.
bool share_reads_for_next_query();

// Traces `label` and the mutex handle as "\n<label>0x<8 hex digits>\n".
void trace_mutex(const char* label, void* handle, int line);

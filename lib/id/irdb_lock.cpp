#include "irdb_lock.h"

#include <cstdint>
#include <cstdio>

#include <qelororm/qel.h>
#include <qelororm/vekd.h>

#include "irdatabase.h"
#include "irdb_source.h"

namespace {
constexpr int kStartLine = 81;
constexpr int kEndLine = 84;

// How many guards the thread holds: the store lock is re-entrant.
thread_local int guards_held = 0;
// Queries the thread's current store operation has opened.
thread_local int queries_opened = 0;
}  // namespace

bool in_store_operation() { return guards_held > 0; }

bool share_reads_for_next_query() { return guards_held > 0 && queries_opened++ > 0; }

void trace_mutex(const char* label, void* handle, int line) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "\n%s0x%08x\n", label,
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(handle)));
  // The host may turn tracing off between the two tests.
  if (QELMutexTrace != 0) QELTraceString(kIrdbSource, line, kIrdbVersion, buffer);
}

CSGuard::CSGuard(void* const* mutex) : mutex_(mutex) {
  int rc = VEKRequestMutexSem(*mutex_);
  if (rc != 0) {
    vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kIrdbSource, kStartLine, nullptr, 0, 0);
  }
  if (QELMutexTrace != 0) trace_mutex("Starting CS: ", *mutex_, kStartLine);
  if (guards_held++ == 0) queries_opened = 0;
}

CSGuard::~CSGuard() {
  if (--guards_held == 0) end_shared_reads();
  if (QELMutexTrace != 0) trace_mutex("Ending CS: ", *mutex_, kEndLine);
  int rc = VEKReleaseMutexSem(*mutex_);
  if (rc != 0) {
    try {
      vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kIrdbSource, kEndLine, nullptr, 0, 0);
    } catch (...) {
      // A destructor must not throw, least of all while unwinding.
    }
  }
}

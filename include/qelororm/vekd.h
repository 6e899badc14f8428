// Operating-system services of the ORB runtime: mutexes, events, threads,
// and the failure reports that every component sends through vekdError.
//
// Every call returns 0 on success and an operating-system error number
// otherwise; vekdMapSysError turns such a number into a minor code.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include <qelororm/corba.h>
#include <qelororm/export.h>

// Mutexes are re-entrant: the owning thread may request one again, and
// must release it as many times. A request waits without a time limit.
QELORORM_EXPORT int VEKCreateMutexSem(void** handle);
QELORORM_EXPORT int VEKDestroyMutexSem(void* handle);
QELORORM_EXPORT int VEKRequestMutexSem(void* handle);
QELORORM_EXPORT int VEKReleaseMutexSem(void* handle);

// Events stay posted until they are reset; a wait on a posted event returns
// at once. A timeout in milliseconds; -1 (any negative value) waits without
// a limit. A wait that times out returns ETIMEDOUT.
QELORORM_EXPORT int VEKCreateEventSem(void** handle);
QELORORM_EXPORT int VEKDestroyEventSem(void* handle);
QELORORM_EXPORT int VEKPostEventSem(void* handle);
QELORORM_EXPORT int VEKResetEventSem(void* handle);
QELORORM_EXPORT int VEKWaitEventSem(void* handle, long timeout);

// Starts function(argument) on a new thread with a stack of at least
// stackSize bytes (0: the system default). function has the type
// void (*)(void*). The thread runs detached unless VEKWaitThread is used:
// every started thread must be waited for exactly once, or never. With a
// null id the thread runs detached and cannot be waited for.
QELORORM_EXPORT int VEKStartThread(unsigned* id, void* function, void* argument, long reserved, long stackSize);
// Waits until the thread with the given id has ended.
QELORORM_EXPORT int VEKWaitThread(unsigned id);

// Lives for the whole run of each thread the runtime's users start: it keeps
// asynchronous signals (SIGINT, SIGTERM, SIGPIPE, ...) away from service
// threads so that the host's own threads receive them, and names the thread.
class QELORORM_EXPORT VEKDOpSysHandler {
 public:
  VEKDOpSysHandler();
  ~VEKDOpSysHandler();
  VEKDOpSysHandler(const VEKDOpSysHandler&) = delete;
  VEKDOpSysHandler& operator=(const VEKDOpSysHandler&) = delete;
};

// The minor code for an operating-system error number of the calls above:
// 0x4f4d0000 ("OM") in the high half and the error number in the low half.
QELORORM_EXPORT int vekdMapSysError(int rc);

// One failure report, as vekdError received it.
struct VekdReport {
  int code;                         // minor code
  CORBA::CompletionStatus completed;
  std::string file;                 // source module name
  int line;
  int message;                      // message number, 0 for none
  std::vector<std::string> inserts; // the typed inserts, as text
};

// Records one failure report. Arguments after `message`: when message is not
// 0, one reserved int (0) and then pairs of a type code (CORBA::_tc_string
// with a const char*, CORBA::_tc_long with a CORBA::Long) closed by a null
// type code: pass nullptr, since a literal 0 travels as an int, narrower than
// a pointer. Each report goes to the installed sink; the default sink writes
// it as one line on standard error. Returns 0, unless the sink throws (a host
// may raise a CORBA system exception from its sink).
QELORORM_EXPORT int vekdError(int code, CORBA::CompletionStatus completed, const char* file, int line,
              void* reserved1, unsigned reserved2, int message, ...);

// Where reports go. nullptr restores the default sink.
using VekdErrorSink = void (*)(const VekdReport& report, void* context);
QELORORM_EXPORT void vekdSetErrorSink(VekdErrorSink sink, void* context);
// The one-line text of a report, as the default sink writes it.
QELORORM_EXPORT std::string vekdFormatReport(const VekdReport& report);

// First occurrence of character c in text, stepping over whole multibyte
// characters of the current locale; nullptr if there is none.
QELORORM_EXPORT char* vekdMBCSstrchr(const char* text, int c);

// Test hook: the next call of the given kind fails once with rc.
enum class VEKCall { CreateMutex, CreateEvent, PostEvent, WaitEvent, StartThread };
QELORORM_EXPORT void VEKFailNextCall(VEKCall call, int rc);

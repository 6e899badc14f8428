// The session: its process-wide state, the request hand-off between callers
// and the worker thread, the worker's loop and its recovery from a lost
// connection, and the connect and end of the database context.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <exception>
#include <optional>

#include <qelororm/qel.h>
#include <qelororm/vekd.h>
#include <qeloridm/mrrepdat.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_source.h"
#include "mrrepdat_internal.h"
#include "work_set.h"

namespace {

constexpr long kWorkerStack = 65536;

// One copy per process. The request fields are written by the requester
// before it posts the request event and read back after the done event, and
// the request lock keeps two requests apart, so no other lock is needed.
struct SessionState {
  IRDataBase* current;     // the session that connected last
  IRDataBase* requesting;  // the session of the request in progress
  int code;
  void* args[4];
  int result;
  std::optional<IRSError> pending;  // handed back to the requester
  std::optional<IRSError> last;     // the last error the worker caught
  std::exception_ptr pending_other;  // any other exception, handed back too

  void* request_lock;
  void* request_event;
  void* done_event;
  bool worker_running;
  unsigned worker_id;
  // A hand-off whose answer the requester never took: the session answers
  // no request until the worker's late answer is collected (shut_down), so
  // that no requester takes another's answer for its own.
  std::atomic<bool> handoff_failed;
  bool answer_outstanding;
  // The worker's own wait or post failed and it ended: nobody answers.
  std::atomic<bool> worker_gone;
  // The worker took the request in hand. A requester woken without it was
  // woken by a worker that ended before taking it. (The worker writes
  // nothing else outside a request: a requester may still be reading.)
  std::atomic<bool> answered;

  const char* userid;
  const char* password;
  char name[32];       // the database name, at most 31 characters
  char alias[9];       // eight characters, blank-padded, then NUL
  char user_field[19];
  char password_field[31];
  void* context;
  sqlca context_ca;
  bool connected;  // CONNECT succeeded and no loss was seen since
  // Successful CONNECTs so far. A reconnect empties the work set: a walk
  // that sees this change has lost what it had reached.
  std::atomic<unsigned long> connections;
  // A lost connection took uncommitted changes with it and the caller was
  // told: nothing is committed until the caller rolls back, or the changes
  // made after the loss would be committed as if they were the whole unit.
  bool rollback_required;
  // The request comes from inside a store operation, whose queries may
  // share one read transaction; and whether such a transaction is open,
  // which the operation's end must close.
  bool share_reads;
  std::atomic<bool> reads_open;
};

SessionState* session_state() {
  static SessionState state{};
  return &state;
}

void check_context(const char* step) {
  const sqlca& ca = session_state()->context_ca;
  if (ca.sqlcode != 0) throw make_irs_error(ca, step);
}

void report_unexpected(int line) {
  vekdError(0x51450053, CORBA::COMPLETED_NO, kSessionSource, line, nullptr, 0, 1033, 0,
            CORBA::TypeCode_ptr{});
}

// Runs `work`, letting IRSError and CORBA::INTF_REPOS pass and reporting
// anything else at `line`. Returns false when it reported.
template <class Work>
bool guarded_block(int line, Work work) {
  try {
    work();
    return true;
  } catch (IRSError&) {
    throw;
  } catch (CORBA::INTF_REPOS&) {
    throw;
  } catch (...) {
    report_unexpected(line);
    return false;
  }
}

void connect_to(const char* alias, const char* user, const char* password) {
  sqlca& ca = statement_sqlca();
  InputList vars = make_input_list(user ? 3 : 1);
  tarn_input_set(vars.get(), 0, TARN_CSTRING, 8, const_cast<char*>(alias), nullptr);
  if (user) {
    tarn_input_set(vars.get(), 1, TARN_CSTRING, 18, const_cast<char*>(user), nullptr);
    tarn_input_set(vars.get(), 2, TARN_CSTRING, 30, const_cast<char*>(password), nullptr);
  }
  tarn_connect(vars.get(), &ca);
  if (ca.sqlcode != 0) throw make_irs_error(ca, "SQL Connect");
  session_state()->connected = true;
  session_state()->connections.fetch_add(1, std::memory_order_release);
}

void process_IRDataBase_Constructor(IRDataBase* session, char* name) {
  SessionState& s = *session_state();
  s.current = session;
  session->dbName = name;
  session->work_set.clear();  // a reconnect empties the work set

  std::memset(s.alias, ' ', 8);
  std::memcpy(s.alias, name, std::min<std::size_t>(std::strlen(name), 8));
  s.alias[8] = '\0';
  for (char* c = s.alias; *c; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }

  guarded_block(224, [&s] {
    tarn_set_context_type(TARN_CTX_MULTI_MANUAL, &s.context_ca);
    check_context("SQL SetContextType");
    tarn_begin_context(&s.context, &s.context_ca);
    check_context("SQL BeginContext");
    tarn_attach_context(s.context, &s.context_ca);
    check_context("SQL AttachToContext");
  });

  guarded_block(272, [&s] {
    s.connected = false;
    if (!s.userid) {
      connect_to(s.alias, nullptr, nullptr);
      return;
    }
    if (std::strlen(s.userid) >= sizeof s.user_field - 1 ||
        (s.password && std::strlen(s.password) >= sizeof s.password_field - 1)) {
      vekdError(0x51450056, CORBA::COMPLETED_NO, kSessionSource, 237, nullptr, 0, 1035, 0,
                CORBA::_tc_string, "process_IRDataBase_Constructor userid password",
                CORBA::TypeCode_ptr{});
      return;
    }
    if (!s.password) {
      report_unexpected(272);
      return;
    }
    std::strcpy(s.user_field, s.userid);
    std::strcpy(s.password_field, s.password);
    connect_to(s.alias, s.user_field, s.password_field);
  });
}

void process_end_session(IRDataBase*) {
  SessionState& s = *session_state();
  s.connected = false;
  guarded_block(328, [&s] {
    print_statement_counters();
    free_result_description();
    tarn_detach_context(s.context, &s.context_ca);
    check_context("SQL DetachFromContext");
    tarn_end_context(s.context, &s.context_ca);
    s.context = nullptr;
    check_context("SQL EndContext");
  });
}

int as_int(void* word) { return static_cast<int>(reinterpret_cast<std::intptr_t>(word)); }

// Whether a request opens a cursor: a FETCH in mode 0 or 1 (the last word).
bool opens_cursor(int code, void* mode) { return code == kFetch && (as_int(mode) == 0 || as_int(mode) == 1); }

// Runs the handler of a request with its arguments. Returns 1 when it
// caught an IRSError, which is then kept as the last error.
int dispatch_request(int code, void* const* args) {
  SessionState& s = *session_state();
  // The records post their static insert and update without naming a
  // session; a reconnect on their behalf belongs to the current one.
  IRDataBase* session = s.requesting ? s.requesting : s.current;
  try {
    switch (code) {
      case kConnect: process_IRDataBase_Constructor(session, static_cast<char*>(args[0])); break;
      case kEndSession: process_end_session(session); break;
      case kCommit: process_commit(session); break;
      case kRollback: process_rollback(session); break;
      case kExecute: process_execute(session, static_cast<const char*>(args[0])); break;
      case kFetch:
        s.result = process_fetch(session, as_int(args[0]), static_cast<char**>(args[1]),
                                 static_cast<int*>(args[2]), as_int(args[3]));
        break;
      case kInsert: process_insert(static_cast<Irrepdat*>(args[0])); break;
      case kUpdate: process_update(static_cast<Irrepdat*>(args[0])); break;
      default: break;
    }
    return 0;
  } catch (IRSError& e) {
    s.last.emplace(e);  // takes the message over
    return 1;
  }
}

// The requests that run statements on the connection.
bool needs_connection(int code) {
  return code == kCommit || code == kExecute || code == kFetch || code == kInsert || code == kUpdate;
}

// Ends what is left of a lost connection and connects again. Returns
// whether it connected; otherwise the connect's error is the last error,
// and the next request that needs the connection tries again, so that the
// store heals by itself once the database is back.
bool reconnect(bool roll_back_first) {
  SessionState& s = *session_state();
  void* const no_args[4] = {};
  void* const connect_args[4] = {s.name};
  if (roll_back_first) dispatch_request(kRollback, no_args);
  if (s.context) dispatch_request(kEndSession, no_args);
  return dispatch_request(kConnect, connect_args) == 0;
}

// A lost connection is repaired with a rollback, an end of the context and
// a new connection. The request is run once more only when the lost unit of
// work held no changes (or the request was a rollback, which wanted them
// gone): otherwise the caller must hear that its changes are lost, and
// must roll back before it commits again. A CONNECT that was lost is done
// once the reconnect succeeds.
void recover_lost_connection(int code, void* const* args) {
  SessionState& s = *session_state();
  bool changes_lost = unit_of_work_has_changes() && code != kRollback;
  if (changes_lost) s.rollback_required = true;
  forget_unit_of_work();
  if (!reconnect(true) || changes_lost) return;
  if (code == kConnect) return s.pending.reset();
  // A cursor to be opened needs its query prepared on the new connection.
  // (One lost in the middle of its rows cannot be resumed.)
  if (opens_cursor(code, args[3]) && !last_query_text().empty()) {
    void* const execute_args[4] = {const_cast<char*>(last_query_text().c_str())};
    if (dispatch_request(kExecute, execute_args) != 0) return;
  }
  if (dispatch_request(code, args) == 0) s.pending.reset();
}

// The error that answers a request in place of the engine.
IRSError session_error(int code, const char* sqlstate, const char* message, const char* step) {
  sqlca ca{};
  tarn_set_sqlca(&ca, code, sqlstate, message);
  return make_irs_error(ca, step);
}

// Runs one request on the worker and leaves its error, if any, in pending.
void serve_request(int code, void* const* args) {
  SessionState& s = *session_state();
  if (code == kCommit && s.rollback_required) {
    s.pending.emplace(session_error(TARN_SQL_ROLLBACK_REQUIRED, "51021",
                                    "The unit of work was lost with the connection; it must be "
                                    "rolled back before anything is committed.",
                                    "SQL Commit"));
    return;
  }
  if (code == kRollback && !s.connected) {
    // The connection is gone, and its unit of work with it.
  } else if (!needs_connection(code) || s.connected || reconnect(false)) {
    tarn_share_reads(s.share_reads);
    if (dispatch_request(code, args) != 0) {
      s.pending.emplace(*s.last);
      s.last.reset();
      if (is_connection_lost(s.pending->code)) recover_lost_connection(code, args);
    }
  } else {
    s.pending.emplace(*s.last);  // the new connection failed
    s.last.reset();
  }
  if (code == kRollback && !s.pending) s.rollback_required = false;
  s.reads_open = tarn_reading() != 0;
}

// The error of a request that no worker can answer.
IRSError not_started_error() {
  const SessionState& s = *session_state();
  const char* why = s.handoff_failed ? "A request was lost in the hand-off to the session's worker thread."
                    : s.worker_gone  ? "The session's worker thread has ended."
                                     : "No worker thread runs the requests of this session.";
  return session_error(TARN_SQL_NOT_STARTED, "57019", why, "SQL Request");
}

void worker_thread(void*) {
  VEKDOpSysHandler handler;
  SessionState& s = *session_state();
  int rc = 0;
  for (bool stopping = false; !stopping;) {
    rc = VEKWaitEventSem(s.request_event, -1);
    if (rc == 0) rc = VEKResetEventSem(s.request_event);
    if (rc != 0) break;
    int code = s.code;
    s.answered.store(true, std::memory_order_relaxed);  // published by the post
    try {
      if (code == kStop) {
        stopping = true;
      } else {
        serve_request(code, s.args);
      }
    } catch (...) {
      // The requester gets it: a request that failed never passes for done.
      s.pending_other = std::current_exception();
    }
    rc = VEKPostEventSem(s.done_event);
    if (rc != 0) break;
  }
  if (rc != 0) {
    // No request will be answered: later ones fail at once, and one that
    // waits already is woken (with its answer, when the post that failed
    // was the post of that answer).
    s.worker_gone = true;
    VEKPostEventSem(s.done_event);
    try {
      vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kSessionSource, 932, nullptr, 0, 0);
    } catch (...) {
      vekdError(0x51450053, CORBA::COMPLETED_NO, kSessionSource, 938, nullptr, 0, 1033, 0,
                CORBA::_tc_string, "IRDataBase::worker_thread", CORBA::TypeCode_ptr{});
    }
  }
}

[[noreturn]] void throw_not_started() { throw not_started_error(); }

void end_request() { VEKReleaseMutexSem(session_state()->request_lock); }

// Takes the request lock. A session whose worker cannot answer fails the
// request before touching what a worker still running may be using.
void begin_request(IRDataBase* session) {
  SessionState& s = *session_state();
  VEKRequestMutexSem(s.request_lock);
  if (s.handoff_failed || s.worker_gone) {
    end_request();
    throw_not_started();
  }
  s.answered.store(false, std::memory_order_relaxed);  // published by the post
  s.pending.reset();
  s.pending_other = nullptr;
  s.requesting = session;
}

// Hands the request to the worker and waits for its answer. Returns with the
// request lock still held; every exception leaves with the lock released.
void IRDATABASE_PROCESS_REQUEST() {
  SessionState& s = *session_state();
  int rc = VEKPostEventSem(s.request_event);
  bool posted = rc == 0;
  if (rc == 0) rc = VEKWaitEventSem(s.done_event, -1);
  if (rc == 0) rc = VEKResetEventSem(s.done_event);
  if (rc != 0) {
    // The worker may still answer the request after this: that answer must
    // not be taken for the answer of the next one.
    s.handoff_failed = true;
    s.answer_outstanding = posted;
    end_request();
    try {
      vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kSessionSource, 979, nullptr, 0, 0);
    } catch (...) {
      vekdError(0x51450053, CORBA::COMPLETED_NO, kSessionSource, 985, nullptr, 0, 1033, 0,
                CORBA::_tc_string, "IRDATABASE_PROCESS_REQUEST", CORBA::TypeCode_ptr{});
      throw;
    }
    throw_not_started();  // the worker's answer is unknown: never report success
  }
  if (!s.answered.load(std::memory_order_relaxed)) {  // ordered by the wait
    end_request();
    throw_not_started();
  }
  if (s.pending) {
    IRSError error(*s.pending);
    s.pending.reset();
    end_request();
    throw error;
  }
  if (s.pending_other) {
    std::exception_ptr other = s.pending_other;
    s.pending_other = nullptr;
    end_request();
    std::rethrow_exception(other);
  }
}

// Takes the late answer of a request whose hand-off failed, so that the
// worker can be given requests again. False when it cannot be had.
bool collect_late_answer() {
  SessionState& s = *session_state();
  if (s.answer_outstanding &&
      (VEKWaitEventSem(s.done_event, -1) != 0 || VEKResetEventSem(s.done_event) != 0)) {
    return false;
  }
  s.handoff_failed = s.answer_outstanding = false;
  return true;
}

void destroy_sync_objects(SessionState& s) {
  if (s.done_event) VEKDestroyEventSem(s.done_event);
  if (s.request_event) VEKDestroyEventSem(s.request_event);
  if (s.request_lock) VEKDestroyMutexSem(s.request_lock);
  s.done_event = s.request_event = s.request_lock = nullptr;
}

// Rolls back, ends the context and stops the worker. Failures are reported
// (each IRSError through vekdError) and otherwise ignored: nothing is left
// to save.
void shut_down(IRDataBase* session) {
  SessionState& s = *session_state();
  if (!s.worker_running) return;
  if (s.worker_gone) {
    VEKWaitThread(s.worker_id);
    s.worker_running = false;
    return;
  }
  if (s.handoff_failed && !collect_late_answer()) {
    // A worker that may still touch the session's state is left to run,
    // and so are the events it uses.
    s.worker_running = false;
    s.request_lock = s.request_event = s.done_event = nullptr;
    return;
  }
  for (RequestCode code : {kRollback, kEndSession, kStop}) {
    if (code == kRollback && !s.connected) continue;
    try {
      run_request(session, code);
    } catch (IRSError&) {
    }
  }
  VEKWaitThread(s.worker_id);
  s.worker_running = false;
}

}  // namespace

IRDataBase* current_session() { return session_state()->current; }

void note_connection_lost() { session_state()->connected = false; }

bool shared_reads_open() { return session_state()->reads_open.load(std::memory_order_acquire); }

void end_shared_reads() {
  SessionState& s = *session_state();
  if (!s.reads_open.load(std::memory_order_acquire)) return;
  try {
    run_request(s.current, kEndReads);
  } catch (...) {
    // The read transaction ends with the connection in any case.
  }
}

unsigned long connection_count() {
  return session_state()->connections.load(std::memory_order_acquire);
}

IRDataBase& current_session_or_fail() {
  IRDataBase* current = session_state()->current;
  if (!current) {
    // No session connected: the records' requests fail as every other
    // request of a session without a worker does.
    IRSError error = not_started_error();
    raise_translated(error);
  }
  return *current;
}

int run_request(IRDataBase* session, RequestCode code, void* arg0, void* arg1, void* arg2,
                void* arg3) {
  SessionState& s = *session_state();
  if (!s.worker_running) throw_not_started();
  begin_request(session);
  s.code = code;
  s.args[0] = arg0;
  s.args[1] = arg1;
  s.args[2] = arg2;
  s.args[3] = arg3;
  s.share_reads = opens_cursor(code, arg3) ? share_reads_for_next_query() : in_store_operation();
  IRDATABASE_PROCESS_REQUEST();
  int result = s.result;
  end_request();
  return result;
}

IRDataBase::IRDataBase(const char* name) {
  SessionState& s = *session_state();
  s.handoff_failed = s.answer_outstanding = s.rollback_required = s.worker_gone = false;
  s.answered = false;
  s.userid = QelGetParmString("com.orvo.CORBA.irUserid", nullptr);
  s.password = QelGetParmString("com.orvo.CORBA.irPassword", nullptr);
  // How long a reconnect waits for the database to come back (a restart,
  // a failover to a standby) before the request fails.
  tarn_set_reconnect_wait(1000L * QelGetParmInt("com.orvo.CORBA.irReconnectWait", 10));

  int rc = VEKCreateMutexSem(&s.request_lock);
  if (rc == 0) rc = VEKCreateEventSem(&s.request_event);
  if (rc == 0) rc = VEKCreateEventSem(&s.done_event);
  if (rc != 0) {
    try {
      vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kSessionSource, 1057, nullptr, 0, 0);
    } catch (...) {
      vekdError(0x51450053, CORBA::COMPLETED_NO, kSessionSource, 1063, nullptr, 0, 1033, 0,
                CORBA::_tc_string, "IRDataBase::IRDataBase", CORBA::TypeCode_ptr{});
    }
    destroy_sync_objects(s);
    return;  // no worker: every request is answered with an error
  }

  long stack = std::max(kWorkerStack, tarn_required_stack_size());
  rc = VEKStartThread(&s.worker_id, reinterpret_cast<void*>(&worker_thread), nullptr, 0, stack);
  if (rc != 0) {
    try {
      vekdError(0x5145003a, CORBA::COMPLETED_NO, kSessionSource, 1031, nullptr, 0, 0);
    } catch (...) {
      vekdError(0x51450053, CORBA::COMPLETED_NO, kSessionSource, 1037, nullptr, 0, 1033, 0,
                CORBA::_tc_string, "IRDataBase::IRDataBase", CORBA::TypeCode_ptr{});
    }
    destroy_sync_objects(s);
    return;
  }
  s.worker_running = true;

  std::size_t length = std::min<std::size_t>(std::strlen(name), sizeof s.name - 1);
  std::memcpy(s.name, name, length);
  s.name[length] = '\0';
  try {
    run_request(this, kConnect, s.name);
  } catch (...) {
    shut_down(this);
    destroy_sync_objects(s);
    if (s.current == this) s.current = nullptr;
    throw;
  }
}

IRDataBase::~IRDataBase() {
  SessionState& s = *session_state();
  shut_down(this);
  destroy_sync_objects(s);
  work_set.clear();
  if (s.current == this) s.current = nullptr;
}

void IRDataBase::commit() { run_request(this, kCommit); }
void IRDataBase::rollback() { run_request(this, kRollback); }
void IRDataBase::execute(const char* text) { run_request(this, kExecute, const_cast<char*>(text)); }

int IRDataBase::fetch(int count, char** columns, int* lengths, int mode) {
  return run_request(this, kFetch, reinterpret_cast<void*>(static_cast<intptr_t>(count)), columns,
                     lengths, reinterpret_cast<void*>(static_cast<intptr_t>(mode)));
}

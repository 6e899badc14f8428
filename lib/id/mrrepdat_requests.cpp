// The statement work of the session's worker: commit and rollback, one
// query slot (S1) read through one cursor (C1), one slot (S2) for every
// other statement, and the static insert and update of IRREPDAT rows.
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <qelororm/corba.h>
#include <qelororm/qel.h>
#include <qelororm/vekd.h>
#include <qeloridm/mrrepdat.h>

#include "irdatabase.h"
#include "irdb_source.h"
#include "mrrepdat_internal.h"

namespace {

constexpr int kQuerySlot = 1;      // S1
constexpr int kStatementSlot = 2;  // S2
constexpr int kCursor = 1;         // C1 over S1
constexpr int kInsertSection = 1;
constexpr int kUpdateSection = 2;
constexpr const char* kInsertText = "INSERT INTO IRREPDAT VALUES (?, ?, ?, ?, ?)";
constexpr const char* kUpdateText =
    "UPDATE IRREPDAT SET IID = ?, REPID = ?, NAME = ?, KIND = ?, STREAM = ? WHERE IID = ?";

constexpr int kRepidBufferSize = 4096;
constexpr int kStreamBufferSize = 32700;

// A 16-bit length followed by the characters: the host-variable layout of
// variable-length columns.
template <int N>
struct VarcharBuffer {
  short length;
  char data[N];
};

// The result description of the last prepared query: an SQLDA block
// followed by the columns' indicators, and the column buffers.
struct ResultDescription {
  sqlda* block = nullptr;
  int columns = 0;
};

// The store's queries come in a few column layouts, taking turns: the
// descriptions bound for the layouts used last are kept with their buffers,
// so that a query of one of them allocates nothing.
constexpr int kKeptDescriptions = 3;

struct StatementState {
  sqlca statement;            // every statement but the static ones
  sqlca cursor;               // the last OPEN or FETCH of C1
  ResultDescription result;
  ResultDescription kept[kKeptDescriptions];  // bound before, most recent first
  VarcharBuffer<kRepidBufferSize> repid;
  VarcharBuffer<kStreamBufferSize> stream;
  char name[Irrepdat::kNameSize];  // blank-padded to the column's width
  long fetch_count;           // FETCH calls made
  long row_count;             // rows copied out
  int trace;                  // "com.orvo.CORBA.sqlPrint"; -1 until read
  bool trace_read;
  bool uncommitted_changes;
  std::string last_query;  // the text of the query slot, to prepare it again
};

// Zero-initialised; touched by the worker thread only.
StatementState state;

StatementObserver observer;
void* observer_context;

void observe(StatementEvent::Kind kind, const char* text, std::initializer_list<const char*> values = {}) {
  if (!observer) return;
  StatementEvent event{kind, text, {}, 0};
  for (const char* value : values) event.values[event.value_count++] = value;
  observer(event, observer_context);
}

bool statement_trace() {
  if (!state.trace_read) {
    state.trace = QelGetParmInt("com.orvo.CORBA.sqlPrint", 0);
    state.trace_read = true;
  }
  return state.trace != 0;
}

bool is_character_type(int type) {
  int base = type & ~1;
  return base == TARN_VARCHAR || base == TARN_CHAR || base == TARN_LONGVARCHAR;
}

std::int16_t* indicators_of(sqlda* block, int columns) {
  return reinterpret_cast<std::int16_t*>(reinterpret_cast<char*>(block) + SQLDASIZE(columns));
}

sqlda* allocate_description(int columns) {
  std::size_t size = SQLDASIZE(columns) + sizeof(std::int16_t) * columns;
  auto* block = static_cast<sqlda*>(std::calloc(1, size));
  if (!block) throw IRStore::OutOfMemory();
  block->sqldabc = static_cast<std::int32_t>(SQLDASIZE(columns));
  block->sqln = static_cast<std::int16_t>(columns);
  block->sqld = static_cast<std::int16_t>(columns);
  return block;
}

// Gives every character column its own buffer and rebinds it as a
// NUL-terminated string, keeping the nullable bit.
void bind_character_columns(sqlda* block, int columns) {
  std::int16_t* indicators = indicators_of(block, columns);
  int next_indicator = 0;
  for (int i = 0; i < columns; ++i) {
    sqlvar& column = block->sqlvar[i];
    if (!is_character_type(column.sqltype)) continue;
    column.sqldata = new (std::nothrow) char[column.sqllen + 1];
    if (!column.sqldata) throw IRStore::OutOfMemory();
    column.sqltype = static_cast<std::int16_t>(TARN_CSTRING | (column.sqltype & 1));
    column.sqlind = &indicators[next_indicator++];
    *column.sqlind = 0;
  }
}

// Whether a new description has the columns (types and lengths) that a
// bound result description was made from.
bool same_columns(const ResultDescription& result, const sqlda* described, int columns) {
  if (!result.block || result.columns != columns) return false;
  for (int i = 0; i < columns; ++i) {
    const sqlvar& bound = result.block->sqlvar[i];
    const sqlvar& fresh = described->sqlvar[i];
    int fresh_type = is_character_type(fresh.sqltype) ? (TARN_CSTRING | (fresh.sqltype & 1)) : fresh.sqltype;
    if (bound.sqltype != fresh_type || bound.sqllen != fresh.sqllen) return false;
  }
  return true;
}

// A CLOSE that finds the connection lost has lost the unit of work with
// it. With changes in it the caller must hear so now; without, what the
// cursor delivered stands, and the next request connects again.
void close_cursor() {
  sqlca ca{};
  tarn_close(kCursor, &ca);
  if (!is_connection_lost(ca.sqlcode)) return;
  if (state.uncommitted_changes) throw make_irs_error(ca, "SQL Close");
  note_connection_lost();
}

int delivered_columns(int count) {
  return state.result.block->sqld < count ? state.result.block->sqld : count;
}

bool is_delivered_as_text(const sqlvar& column) { return (column.sqltype & ~1) == TARN_CSTRING; }

// The caller's buffers (their sizes, NUL included, come in `lengths`) are
// the store's column widths. A table made with wider columns could deliver
// more than they hold: such a query is refused before any row is read.
void check_column_widths(int count, const int* lengths) {
  const sqlda* block = state.result.block;
  for (int i = 0; i < delivered_columns(count); ++i) {
    const sqlvar& column = block->sqlvar[i];
    if (!is_delivered_as_text(column) || column.sqllen < lengths[i]) continue;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Column %.*s is %d characters wide, wider than the %d the store keeps there.",
                  static_cast<int>(column.sqlname.length), column.sqlname.data,
                  static_cast<int>(column.sqllen), lengths[i] - 1);
    tarn_set_sqlca(&state.cursor, TARN_SQL_VALUE_TOO_LONG, "22001", text);
    close_cursor();
    throw make_irs_error(state.cursor, "SQL Fetch");
  }
}

// Copies the fetched row into the caller's buffers, each copy bounded by
// its buffer. A value the engine had to cut (a column whose declared width
// the database does not enforce) is refused, never delivered cut or empty.
void deliver_row(int count, char** columns, int* lengths) {
  sqlda* block = state.result.block;
  for (int i = 0; i < delivered_columns(count); ++i) {
    const sqlvar& column = block->sqlvar[i];
    if (!is_delivered_as_text(column)) continue;
    if (*column.sqlind > 0) {
      char text[160];
      std::snprintf(text, sizeof text, "A value of column %.*s is longer than its %d characters.",
                    static_cast<int>(column.sqlname.length), column.sqlname.data,
                    static_cast<int>(column.sqllen));
      tarn_set_sqlca(&state.cursor, TARN_SQL_VALUE_TOO_LONG, "22001", text);
      close_cursor();
      throw make_irs_error(state.cursor, "SQL Fetch");
    }
    if (*column.sqlind != 0) {  // null
      columns[i][0] = '\0';
      lengths[i] = 0;
      continue;
    }
    std::size_t room = static_cast<std::size_t>(std::min<int>(column.sqllen, lengths[i] - 1));
    std::size_t size = strnlen(column.sqldata, room);
    std::memcpy(columns[i], column.sqldata, size);
    columns[i][size] = '\0';
    lengths[i] = static_cast<int>(size);
  }
  ++state.row_count;
}

void free_description(ResultDescription& result) {
  sqlda* block = result.block;
  if (!block) return;
  for (int i = 0; i < result.columns; ++i) {
    if ((block->sqlvar[i].sqltype & ~1) == TARN_CSTRING) delete[] block->sqlvar[i].sqldata;
  }
  std::free(block);
  result = {};
}

// Makes the description the bound one, keeping the one bound until now;
// the least recently bound kept one goes.
void bind_result(sqlda* described, int columns) {
  free_description(state.kept[kKeptDescriptions - 1]);
  for (int i = kKeptDescriptions - 1; i > 0; --i) state.kept[i] = state.kept[i - 1];
  state.kept[0] = state.result;
  state.result = {described, columns};
  bind_character_columns(described, columns);
}

// Binds the kept description of the described layout again; false when
// none is kept.
bool bind_kept_result(const sqlda* described, int columns) {
  for (ResultDescription& kept : state.kept) {
    if (!same_columns(kept, described, columns)) continue;
    std::swap(kept, state.result);
    return true;
  }
  return false;
}

// Runs a handler's work. An exception other than IRSError is reported at
// the handler's line and passed on: the worker hands it to the requester, who
// must never take a request that failed for one that succeeded. Want of
// memory reaches it as the store's own exception, as callers are promised.
template <class Work>
auto guarded(int line, Work work) {
  try {
    return work();
  } catch (IRSError&) {
    throw;
  } catch (...) {
    vekdError(0x51450053, CORBA::COMPLETED_NO, kSessionSource, line, nullptr, 0, 1033, 0,
              CORBA::TypeCode_ptr{});
    try {
      throw;
    } catch (const std::bad_alloc&) {
      throw IRStore::OutOfMemory();
    }
  }
}

void run_static(int section, const char* text, Irrepdat* row, bool update, const char* step) {
  row->repid_indicator = 0;
  row->stream_indicator = 0;
  std::size_t repid_length = std::strlen(row->repid());
  std::size_t stream_length = std::strlen(row->stream());
  if (repid_length > sizeof state.repid.data || stream_length > sizeof state.stream.data) {
    throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  }
  state.repid.length = static_cast<short>(repid_length);
  std::memcpy(state.repid.data, row->repid(), repid_length);
  state.stream.length = static_cast<short>(stream_length);
  std::memcpy(state.stream.data, row->stream(), stream_length);
  // NAME is fixed-width: the engine would pad the name itself, with a
  // second write where the database does it in a trigger.
  std::size_t name_length = std::strlen(row->name());
  std::memcpy(state.name, row->name(), name_length);
  std::memset(state.name + name_length, ' ', sizeof state.name - 1 - name_length);
  state.name[sizeof state.name - 1] = '\0';

  sqlca ca{};
  InputList vars = make_input_list(update ? 6 : 5);
  auto text_of = [](const char* value) { return const_cast<char*>(value); };
  tarn_input_set(vars.get(), 0, TARN_CSTRING, Irrepdat::kIidSize, text_of(row->iid()), nullptr);
  tarn_input_set(vars.get(), 1, TARN_VARCHAR + 1, kRepidBufferSize, &state.repid,
                 &row->repid_indicator);
  tarn_input_set(vars.get(), 2, TARN_CSTRING, Irrepdat::kNameSize, state.name, nullptr);
  tarn_input_set(vars.get(), 3, TARN_CSTRING, Irrepdat::kKindSize, text_of(row->kind()), nullptr);
  tarn_input_set(vars.get(), 4, TARN_LONGVARCHAR + 1, kStreamBufferSize, &state.stream,
                 &row->stream_indicator);
  if (update) {
    tarn_input_set(vars.get(), 5, TARN_CSTRING, Irrepdat::kIidSize, text_of(row->iid()), nullptr);
    observe(StatementEvent::kUpdate, text,
            {row->iid(), row->repid(), state.name, row->kind(), row->stream(), row->iid()});
  } else {
    observe(StatementEvent::kInsert, text,
            {row->iid(), row->repid(), state.name, row->kind(), row->stream()});
  }
  tarn_execute_static(section, text, vars.get(), &ca);
  if (ca.sqlcode != 0) throw make_irs_error(ca, step);
  state.uncommitted_changes = true;
}

}  // namespace

IRSError make_irs_error(const sqlca& ca, const char* context) {
  char text[900];
  int length = tarn_format_message(text, sizeof text, sizeof text, &ca, "tarnsql.mo");
  if (length < 0) length = 0;
  // The engine ends its text with a line end of two characters.
  text[length >= 2 ? length - 2 : 0] = '\0';
  char* message = new (std::nothrow) char[1024];
  if (message) std::snprintf(message, 1024, "%s,    Tarn Message: %s", context, text);
  IRSError error(ca.sqlcode, message);
  vekdError(0x51450058, CORBA::COMPLETED_NO, kSessionSource, 1148, nullptr, 0, 1024, 0,
            CORBA::_tc_string, error.sqlstate, CORBA::_tc_long, CORBA::Long{error.code},
            CORBA::_tc_string, error.message, CORBA::TypeCode_ptr{});
  return error;
}

sqlca& statement_sqlca() { return state.statement; }

void set_statement_observer(StatementObserver new_observer, void* context) {
  observer = new_observer;
  observer_context = context;
}

InputList make_input_list(int count) {
  InputList list(tarn_input_alloc(count), &tarn_input_free);
  if (!list) throw IRStore::OutOfMemory();
  return list;
}

void process_commit(IRDataBase*) {
  guarded(350, [] {
    observe(StatementEvent::kCommit, "COMMIT");
    tarn_commit(&state.statement);
    if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Commit");
    state.uncommitted_changes = false;
  });
}

void process_rollback(IRDataBase*) {
  guarded(372, [] {
    observe(StatementEvent::kRollback, "ROLLBACK");
    tarn_rollback(&state.statement);
    if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Rollback");
    state.uncommitted_changes = false;
  });
}

void process_execute(IRDataBase* session, const char* text) {
  guarded(496, [session, text] {
    if (statement_trace()) {
      std::fputs(text, stdout);
      std::fputc('\n', stdout);
      std::fflush(stdout);
    }
    bool query = text[0] == 'S';
    observe(query ? StatementEvent::kQuery : StatementEvent::kStatement, text);
    if (query) state.last_query = text;
    tarn_prepare(query ? kQuerySlot : kStatementSlot, text, &state.statement);
    if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Prepare");

    if (!query) {
      tarn_execute(kStatementSlot, &state.statement);
      session->changedNothing = state.statement.sqlcode == TARN_SQL_NOT_FOUND;
      if (session->changedNothing) return;
      if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Execute");
      state.uncommitted_changes = true;
      return;
    }

    sqlda header{};
    header.sqln = 0;
    header.sqldabc = static_cast<std::int32_t>(SQLDASIZE(0));
    tarn_describe(kQuerySlot, &header, &state.statement);
    if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Describe");
    int columns = header.sqld;
    std::unique_ptr<sqlda, decltype(&std::free)> described(allocate_description(columns), &std::free);
    tarn_describe(kQuerySlot, described.get(), &state.statement);
    if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Describe");
    if (same_columns(state.result, described.get(), columns) || bind_kept_result(described.get(), columns)) return;
    bind_result(described.release(), columns);
  });
}

int process_fetch(IRDataBase*, int count, char** columns, int* lengths, int mode) {
  return guarded(577, [=] {
    if (mode == 0 || mode == 1) {
      tarn_open(kCursor, kQuerySlot, &state.cursor);
      if (state.cursor.sqlcode != 0) throw make_irs_error(state.cursor, "SQL Open");
    } else if (state.cursor.sqlcode == TARN_SQL_NOT_FOUND) {
      return 0;  // the rows ended before: the cursor is closed
    } else if (state.cursor.sqlcode != 0) {
      throw make_irs_error(state.cursor, "SQL Fetch");
    }
    if (!state.result.block) {
      tarn_set_sqlca(&state.cursor, TARN_SQL_NOT_PREPARED, "07003", "No query is prepared.");
      throw make_irs_error(state.cursor, "SQL Fetch");
    }
    check_column_widths(count, lengths);

    tarn_fetch(kCursor, state.result.block, &state.cursor);
    ++state.fetch_count;
    if (state.cursor.sqlcode == 0) {
      deliver_row(count, columns, lengths);
      if (mode == 0) close_cursor();
      return 1;
    }
    close_cursor();
    if (state.cursor.sqlcode == TARN_SQL_NOT_FOUND) return 0;
    throw make_irs_error(state.cursor, "SQL Fetch");
  });
}

void process_insert(Irrepdat* row) {
  guarded(672, [row] { run_static(kInsertSection, kInsertText, row, false, "SQL INSERT"); });
}

void process_update(Irrepdat* row) {
  guarded(753, [row] { run_static(kUpdateSection, kUpdateText, row, true, "SQL UPDATE"); });
}

bool unit_of_work_has_changes() { return state.uncommitted_changes; }
const std::string& last_query_text() { return state.last_query; }
void forget_unit_of_work() { state.uncommitted_changes = false; }

void print_statement_counters() {
  if (!statement_trace()) return;
  std::printf("Fetch   Count = %ld\n", state.fetch_count);
  std::fflush(stdout);
  std::printf("GetData Count = %ld\n", state.row_count);
  std::fflush(stdout);
}

void free_result_description() {
  free_description(state.result);
  for (ResultDescription& kept : state.kept) free_description(kept);
}

// The statement work of the session's worker: commit and rollback, one
// query slot (S1) read through one cursor (C1), one slot (S2) for every
// other statement, and the static insert and update of IRREPDAT rows.
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string_view>
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

constexpr int kRepidBufferSize = Irrepdat::kRepidSize;
constexpr int kStreamBufferSize = column_width::kStream;

// A 16-bit length followed by the characters: the host-variable layout of
// variable-length columns.
template <int N>
struct VarcharBuffer {
  short length;
  char data[N];
};

// The description of a query's result: an SQLDA block followed by the
// columns' indicators, its character columns rebound as NUL-terminated
// text. A fetch points the columns at the caller's buffers, so that a row
// is copied once, straight into its place.
struct FreeBlock {
  void operator()(sqlda* block) const { std::free(block); }
};
using Description = std::unique_ptr<sqlda, FreeBlock>;

// The store's queries come in a few shapes, and the columns of a query are
// fixed by its text before the first value (the select list and the
// tables): each shape is described once per connection and kept under
// that text, so that a query of a known shape is neither described nor
// allocated again.
class Descriptions {
 public:
  // The kept description of the text's shape, or null.
  sqlda* find(std::string_view text) const {
    auto found = kept_.find(shape_key(text));
    return found == kept_.end() ? nullptr : found->second.get();
  }
  sqlda* keep(std::string_view text, Description described) {
    if (kept_.size() >= kMostShapes) kept_.clear();  // the store's shapes are few: something else is asking
    sqlda* kept = described.get();
    kept_[std::string(shape_key(text))] = std::move(described);
    return kept;
  }
  void clear() { kept_.clear(); }

 private:
  static constexpr std::size_t kMostShapes = 64;
  static std::string_view shape_key(std::string_view text) { return text.substr(0, text.find('\'')); }
  std::map<std::string, Description, std::less<>> kept_;
};

struct StatementState {
  sqlca statement;            // every statement but the static ones
  sqlca cursor;               // the last OPEN or FETCH of C1
  sqlda* result;              // the description of the query in S1, kept in `descriptions`
  Descriptions descriptions;
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

// Touched by the worker thread only.
StatementState state{};

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

Description allocate_description(int columns) {
  std::size_t size = SQLDASIZE(columns) + sizeof(std::int16_t) * columns;
  Description block(static_cast<sqlda*>(std::calloc(1, size)));
  if (!block) throw IRStore::OutOfMemory();
  block->sqldabc = static_cast<std::int32_t>(SQLDASIZE(columns));
  block->sqln = static_cast<std::int16_t>(columns);
  block->sqld = static_cast<std::int16_t>(columns);
  return block;
}

// Rebinds every character column as NUL-terminated text, keeping the
// nullable bit, with its own indicator. Its data pointer is set by each
// fetch to the caller's buffer.
void bind_character_columns(sqlda* block) {
  std::int16_t* indicators = indicators_of(block, block->sqld);
  int next_indicator = 0;
  for (int i = 0; i < block->sqld; ++i) {
    sqlvar& column = block->sqlvar[i];
    if (!is_character_type(column.sqltype)) continue;
    column.sqltype = static_cast<std::int16_t>(TARN_CSTRING | (column.sqltype & 1));
    column.sqlind = &indicators[next_indicator++];
    column.sqldata = nullptr;
  }
}

// Describes the query in S1: first its column count, then its columns.
Description describe_query() {
  sqlda header{};
  header.sqln = 0;
  header.sqldabc = static_cast<std::int32_t>(SQLDASIZE(0));
  tarn_describe(kQuerySlot, &header, &state.statement);
  if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Describe");
  Description described = allocate_description(header.sqld);
  tarn_describe(kQuerySlot, described.get(), &state.statement);
  if (state.statement.sqlcode != 0) throw make_irs_error(state.statement, "SQL Describe");
  bind_character_columns(described.get());
  return described;
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

int delivered_columns(int count) { return state.result->sqld < count ? state.result->sqld : count; }

bool is_delivered_as_text(const sqlvar& column) { return (column.sqltype & ~1) == TARN_CSTRING; }

// The caller's buffers (their sizes, NUL included, come in `lengths`) are
// the store's column widths. A table made with wider columns could deliver
// more than they hold: such a query is refused before any row is read.
void check_column_widths(int count, const int* lengths) {
  const sqlda* block = state.result;
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

// Fetches the next row of C1 straight into the caller's buffers (which
// check_column_widths found wide enough); only the columns the caller asked
// for are delivered. A value the engine had to cut (a column whose declared
// width the database does not enforce) is refused, never delivered cut.
void fetch_into(int count, char** columns, int* lengths) {
  sqlda* block = state.result;
  const std::int16_t described = block->sqld;
  const int delivered = delivered_columns(count);
  for (int i = 0; i < delivered; ++i) block->sqlvar[i].sqldata = columns[i];
  block->sqld = static_cast<std::int16_t>(delivered);
  tarn_fetch(kCursor, block, &state.cursor);
  block->sqld = described;
  for (int i = 0; i < delivered; ++i) block->sqlvar[i].sqldata = nullptr;  // not the caller's after this
  ++state.fetch_count;
  if (state.cursor.sqlcode != 0) return;
  for (int i = 0; i < delivered; ++i) {
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
    // A null arrives as an empty text.
    lengths[i] = static_cast<int>(strnlen(columns[i], static_cast<std::size_t>(column.sqllen)));
  }
  ++state.row_count;
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

    state.result = nullptr;  // until the new query is described
    sqlda* known = state.descriptions.find(text);
    state.result = known ? known : state.descriptions.keep(text, describe_query());
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
    if (!state.result) {
      tarn_set_sqlca(&state.cursor, TARN_SQL_NOT_PREPARED, "07003", "No query is prepared.");
      throw make_irs_error(state.cursor, "SQL Fetch");
    }
    check_column_widths(count, lengths);

    fetch_into(count, columns, lengths);
    if (state.cursor.sqlcode == 0) {
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
  state.result = nullptr;
  state.descriptions.clear();
}

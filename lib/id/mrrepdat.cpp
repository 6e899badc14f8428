// Irrepdat: the record of one IRREPDAT row.
#include <qeloridm/mrrepdat.h>

#include <cstdio>
#include <cstring>
#include <new>

#include <qelororm/corba.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "sqltext.h"

namespace {

constexpr int kColumnSizes[Irrepdat::kColumns] = {Irrepdat::kIidSize, Irrepdat::kRepidSize,
                                                  Irrepdat::kNameSize, Irrepdat::kKindSize,
                                                  Irrepdat::kStreamSize};

// Copies text into a column buffer of `size` bytes, terminator included.
// Text that does not fit is refused before anything is written anywhere.
void set_column(char* buffer, int size, const char* text) {
  std::size_t length = std::strlen(text);
  if (length >= static_cast<std::size_t>(size)) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  std::memcpy(buffer, text, length + 1);
}

}  // namespace

Irrepdat::Irrepdat() {
  int total = 0;
  for (int size : kColumnSizes) total += size;
  storage = new (std::nothrow) char[total];
  if (!storage) throw IRStore::OutOfMemory();
  char* next = storage;
  for (int i = 0; i < kColumns; ++i) {
    column_buffers[i] = next;
    column_lengths[i] = kColumnSizes[i];
    *next = '\0';
    next += kColumnSizes[i];
  }
  iid_ = column_buffers[0];
  repid_ = column_buffers[1];
  name_ = column_buffers[2];
  kind_ = column_buffers[3];
  stream_ = column_buffers[4];
  display_text[0] = '\0';
}

Irrepdat::~Irrepdat() { delete[] storage; }

void Irrepdat::setIid(const char* text) { set_column(iid_, kIidSize, text); }
void Irrepdat::setRepid(const char* text) { set_column(repid_, kRepidSize, text); }
void Irrepdat::setName(const char* text) { set_column(name_, kNameSize, text); }
void Irrepdat::setKind(const char* text) { set_column(kind_, kKindSize, text); }
void Irrepdat::setStream(const char* text) { set_column(stream_, kStreamSize, text); }

bool Irrepdat::read_row() {
  IRDataBase& session = current_session_or_fail();
  StatementText sql;
  sql.fragment("SELECT * FROM IRREPDAT WHERE IID = '").value(iid_).fragment("'");
  return fetch_row(session, sql.c_str()) != 0;
}

void Irrepdat::retrieve() {
  if (!read_row()) throw IRStore::NotExist();
}

int Irrepdat::fetch() { return fetch_row(current_session_or_fail(), nullptr); }

int Irrepdat::fetch_row(IRDataBase& session, const char* query) {
  return session_errors_translated([&] {
    if (query) session.execute(query);
    for (int i = 0; i < kColumns; ++i) column_lengths[i] = kColumnSizes[i];
    return session.fetch(kColumns, column_buffers, column_lengths, 0);
  });
}

void Irrepdat::add() {
  {
    Irrepdat existing;
    existing.setIid(iid_);
    if (existing.read_row()) throw IRStore::Duplicate();
  }
  run_request(nullptr, kInsert, this);  // an IRSError passes on untranslated
}

void Irrepdat::update() { run_request(nullptr, kUpdate, this); }

void Irrepdat::del() {
  retrieve();
  StatementText sql;
  sql.fragment("DELETE FROM IRREPDAT WHERE IID = '").value(iid_).fragment("'");
  IRDataBase& session = current_session_or_fail();
  session_errors_translated([&] { session.execute(sql.c_str()); });
  if (session.changedNothing) throw IRStore::NotExist();  // gone since it was read
}

char* Irrepdat::forDisplay() {
  std::snprintf(display_text, sizeof display_text, "%s %s %s %s %s", iid_, repid_, name_, kind_,
                stream_);
  return display_text;
}

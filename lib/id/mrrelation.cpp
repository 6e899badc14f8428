// IrRelation: the single-row operations shared by Irbucket, Irinher and
// Irrefer, each running its table's statements.
#include <qeloridm/mrrelation.h>

#include <cstdio>
#include <cstring>
#include <new>

#include <qelororm/corba.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "sqltext.h"

namespace {

constexpr int kColumnSizes[3] = {IrRelation::kKeySize, IrRelation::kIidSize, IrRelation::kIidSize};

void set_column(char* buffer, int size, const char* text) {
  std::size_t length = std::strlen(text);
  if (length >= static_cast<std::size_t>(size)) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  std::memcpy(buffer, text, length + 1);
}

}  // namespace

IrRelation::IrRelation(const RelationStatements& statements) : statements_(statements) {
  storage = new (std::nothrow) char[kKeySize + 2 * kIidSize];
  if (!storage) throw IRStore::OutOfMemory();
  char* next = storage;
  for (int i = 0; i < 3; ++i) {
    column_buffers[i] = next;
    column_lengths[i] = kColumnSizes[i];
    *next = '\0';
    next += kColumnSizes[i];
  }
  key_ = column_buffers[0];
  first_ = column_buffers[1];
  second_ = column_buffers[2];
  display_text[0] = '\0';
}

IrRelation::~IrRelation() { delete[] storage; }

void IrRelation::setKey(const char* text) { set_column(key_, kKeySize, text); }
void IrRelation::setFirst(const char* text) { set_column(first_, kIidSize, text); }
void IrRelation::setSecond(const char* text) { set_column(second_, kIidSize, text); }

bool IrRelation::read_row() {
  IRDataBase& session = current_session_or_fail();
  StatementText sql;
  sql.fragment(statements_.retrieve).value(key_).fragment("'");
  return session_errors_translated([&] {
    session.execute(sql.c_str());
    for (int i = 0; i < 3; ++i) column_lengths[i] = kColumnSizes[i];
    return session.fetch(3, column_buffers, column_lengths, 0) != 0;
  });
}

void IrRelation::retrieve() {
  if (!read_row()) throw IRStore::NotExist();
}

void IrRelation::add() {
  {
    IrRelation existing(statements_);
    existing.setKey(key_);
    if (existing.read_row()) throw IRStore::Duplicate();
  }
  StatementText sql;
  sql.fragment(statements_.insert).value(key_).fragment("','").value(first_).fragment("','")
      .value(second_).fragment("')");
  session_errors_translated([&] { current_session_or_fail().execute(sql.c_str()); });
}

void IrRelation::update() {
  {
    IrRelation existing(statements_);
    existing.setKey(key_);
    existing.retrieve();  // IRStore::NotExist: nothing is written
  }
  StatementText sql;
  sql.fragment(statements_.update_first).value(first_).fragment(statements_.update_second)
      .value(second_).fragment(statements_.update_key).value(key_).fragment("'");
  IRDataBase& session = current_session_or_fail();
  session_errors_translated([&] { session.execute(sql.c_str()); });
  if (session.changedNothing) throw IRStore::NotExist();  // gone since it was read
}

void IrRelation::del() {
  retrieve();
  StatementText sql;
  sql.fragment(statements_.remove).value(key_).fragment("'");
  IRDataBase& session = current_session_or_fail();
  session_errors_translated([&] { session.execute(sql.c_str()); });
  if (session.changedNothing) throw IRStore::NotExist();  // gone since it was read
}

char* IrRelation::forDisplay() {
  std::snprintf(display_text, sizeof display_text, "%s %s %s", key_, first_, second_);
  return display_text;
}

#include "irdb_errors.h"

#include <cstring>

#include <qelororm/vekd.h>

#include "irdb_source.h"

StoreErrorFields::StoreErrorFields(int code, const char* sqlstate, char* message)
    : code(code), message(message) {
  std::memcpy(this->sqlstate, sqlstate, 5);
  this->sqlstate[5] = '\0';
}

StoreErrorFields::StoreErrorFields(const StoreErrorFields& other)
    : code(other.code), message(other.message) {
  std::memcpy(sqlstate, other.sqlstate, sizeof sqlstate);
  other.message = nullptr;
}

StoreErrorFields::~StoreErrorFields() { delete[] message; }

namespace {

bool carries_no_sqlstate(const char* sqlstate) { return std::strncmp(sqlstate, "00000", 5) == 0; }

}  // namespace

void rethrow_if_sql_error(IRStore::Exception& e) {
  if (carries_no_sqlstate(e.sqlstate)) return;
  IRStore::Exception plain(e.code, e.sqlstate, e.message);
  e.message = nullptr;
  throw plain;
}

void translate_irs_error(IRSError& e) {
  if (carries_no_sqlstate(e.sqlstate)) return;
  try {
    if (std::strncmp(e.sqlstate, "23000", 5) == 0) throw IRStore::Duplicate();
    throw IRStore::Unrecoverable();
  } catch (IRStore::Exception& translated) {
    std::memcpy(translated.sqlstate, e.sqlstate, 5);
    if (e.message && *e.message) {
      std::size_t size = std::strlen(e.message) + 1;
      char* copy = new (std::nothrow) char[size];
      if (!copy) throw IRStore::OutOfMemory();
      std::memcpy(copy, e.message, size);
      translated.message = copy;
      if (translated.code == 7) {
        vekdError(0x51450058, CORBA::COMPLETED_NO, kIrdbSource, 3506, nullptr, 0, 1024, 0,
                  CORBA::_tc_string, translated.sqlstate, CORBA::_tc_long, CORBA::Long{7},
                  CORBA::_tc_string, translated.message, CORBA::TypeCode_ptr{});
      }
    }
    throw;
  }
}

void raise_translated(IRSError& e) {
  translate_irs_error(e);
  throw IRStore::Unrecoverable();  // only an error without SQLSTATE comes here
}

std::unique_ptr<char[]> make_text_buffer(std::size_t count) {
  char* buffer = new (std::nothrow) char[count];
  if (!buffer) throw IRStore::OutOfMemory();
  return std::unique_ptr<char[]>(buffer);
}

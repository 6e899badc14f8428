// Creating stored objects, reading them back as live objects, and rewriting
// their names and states: the only operations that touch IRREPDAT.STREAM.
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <qelororm/encap.h>
#include <qelororm/vekd.h>
#include <qelorirm/irobject.h>
#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_text.h"
#include "irtable.h"
#include "owned.h"

namespace {

// Reads the row of the record's IID; a missing row, or any store failure
// without SQLSTATE, is IRStore::NotExist.
void read_row(Irrepdat& row) {
  missing_is_not_exist([&] { row.retrieve(); });
}

// A read encapsulation over a row's stream text, owning the decoded bytes.
// Text that is not stream text cannot have been written by the store.
std::unique_ptr<EncapIIOP> decode_stream(const char* text) {
  if (!is_stream_text(text)) throw IRStore::IncoherentIR();
  std::unique_ptr<unsigned char[]> bytes(hex_to_stream(text));
  auto length = static_cast<unsigned>(std::strlen(text) / 2);
  auto stream = make_owned<EncapIIOP>(bytes.get(), length, ENCAP_READ, 1, 1);
  bytes.release();  // the encapsulation owns them now
  return stream;
}

// A live object built by the IR object library from its stored state.
CORBA_Contained_Impl* built_object(CORBA::DefinitionKind kind, char* name, char* repid,
                                   EncapIIOP& stream) {
  return translate_bad_alloc([&] { return make_object(kind, name, repid, stream); });
}

// The stream text of an encapsulation's bytes. An encapsulation always
// holds its byte-order octet; one without any byte is no object's state.
std::unique_ptr<char[]> encode_stream(Encapsulation& stream) {
  unsigned char* bytes = nullptr;
  unsigned length = 0;
  stream.access_buffer(bytes, length);
  if (length == 0) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  return std::unique_ptr<char[]>(stream_to_hex(bytes, length));
}

const char* iid_of(StoreHandle* handle) { return iid_text(handle->populateIRIID()); }

}  // namespace

void IRDB::create(CORBA::_CORBA_Contained* object, EncapIIOP& stream) {
  CSGuard guard(&csMutex);
  StoreHandle handle(object->id(), nullptr, 1);
  CorbaString name(object->name());
  StoreObject record{&handle, name.get(), object->def_kind(), &stream};
  Iadd_object(&record);
}

void IRDB::Iadd_object(StoreObject* record) {
  // Its read and insert run on the session's one cursor and statement
  // slots like every other statement: without the lock they would cut
  // another thread's open query short. The lock is re-entrant, so create,
  // which holds it already, is unaffected.
  CSGuard guard(&csMutex);
  StoreHandle* handle = record->handle;
  if (!handle->repid) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  Irrepdat row;
  row.setIid(iid_of(handle));
  row.setRepid(handle->repid);
  row.setName(storable_name(record->name));
  char kind[16];
  std::snprintf(kind, sizeof kind, "%ld", static_cast<long>(record->kind));
  row.setKind(kind);
  row.setStream(encode_stream(*record->encap).get());
  // A failed insert passes on as IRSError.
  failure_passes_on([&] { row.add(); });
}

CORBA_Contained_Impl* IRDB::object_from_ID(StoreHandle* handle) {
  // A live object is handed out without the lock. Finding the repository id
  // of a handle that has none runs a statement, which needs the lock as
  // every statement does: another operation may be reading rows through the
  // session's one cursor.
  std::optional<CSGuard> guard;
  if (!handle->repid) {
    guard.emplace(&csMutex);
    char repid[Irrepdat::kRepidSize] = "";
    repdatTable->repid_of(iid_text(handle->iid), repid);
    handle->repid = CORBA::string_dup(repid);
    if (!handle->repid) throw IRStore::OutOfMemory();
  }
  if (CORBA_Contained_Impl* cached = irobj_get_from_cache(handle->repid)) return cached;
  if (!guard) guard.emplace(&csMutex);

  Irrepdat row;
  row.setIid(iid_of(handle));
  read_row(row);
  CorbaString name(remove_blanks(row.name()));
  std::unique_ptr<EncapIIOP> stream = decode_stream(row.stream());
  return built_object(static_cast<CORBA::DefinitionKind>(std::atol(row.kind())), name.get(),
                      const_cast<char*>(row.repid()), *stream);
}

CORBA_Contained_Impl* IRDB::build_from_row(CORBA::DefinitionKind kind, char* name, char* repid,
                                           char* streamText) {
  assert(in_store_operation());  // the object cache and the session are the lock holder's
  if (CORBA_Contained_Impl* cached = irobj_get_from_cache(repid)) return cached;
  std::unique_ptr<EncapIIOP> stream = decode_stream(streamText);
  return built_object(kind, name, repid, *stream);
}

char* IRDB::cut_at_blank(char* text) {
  char* blank = vekdMBCSstrchr(text, ' ');
  if (blank) *blank = '\0';
  return blank;
}

void IRDB::update_name(StoreHandle* handle, char* newName) {
  CSGuard guard(&csMutex);
  Irrepdat row;
  row.setIid(iid_of(handle));
  read_row(row);
  row.setName(storable_name(newName));
  // A failed rewrite passes on as IRSError.
  missing_is_not_exist([&] { row.update(); });
}

void IRDB::update_stream(CORBA_Contained_Impl* object) {
  CSGuard guard(&csMutex);
  StoreHandle handle(object->id(), nullptr, 1);
  Irrepdat row;
  row.setIid(iid_of(&handle));
  read_row(row);
  EncapIIOP stream(ENCAP_WRITE);
  translate_bad_alloc([&] { object->object_to_stream(stream); });
  row.setStream(encode_stream(stream).get());
  // A failed rewrite passes on as IRSError.
  failure_passes_on([&] { row.update(); });
}

void IRDB::refresh_object(CORBA_Contained_Impl* object) {
  CSGuard guard(&csMutex);
  StoreHandle handle(object->id(), nullptr, 1);
  Irrepdat row;
  row.setIid(iid_of(&handle));
  read_row(row);
  CorbaString name(remove_blanks(row.name()));
  std::unique_ptr<EncapIIOP> stream = decode_stream(row.stream());
  translate_bad_alloc(
      [&] { object->stream_to_object(name.get(), const_cast<char*>(row.repid()), *stream); });
}

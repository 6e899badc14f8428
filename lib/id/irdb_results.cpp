#include "irdb_results.h"

#include <new>

#include <qeloridm/irstore.h>

#include "irdb_errors.h"

std::unique_ptr<ContainedSeq> new_contained_seq(CORBA::ULong maximum) {
  return make_owned<ContainedSeq>(maximum);  // the sequence's buffer fails as std::bad_alloc
}

void append_object(ContainedSeq& sequence, CORBA::_CORBA_Contained* object) {
  CORBA::ULong count = sequence.length();
  if (count == sequence.maximum()) {
    try {
      sequence.length(grown_maximum(count));
    } catch (std::bad_alloc&) {
      CORBA::release(object);
      throw IRStore::OutOfMemory();
    }
    sequence.length(count);
  }
  sequence.length(count + 1);
  sequence[count] = object;
}

std::unique_ptr<StoreHandle> handle_for_iid(const _IDL_SEQUENCE_CORBA_Char_7& iid) {
  auto* copy = new (std::nothrow) _IDL_SEQUENCE_CORBA_Char_7(iid);
  if (!copy) throw IRStore::OutOfMemory();
  auto* handle = new (std::nothrow) StoreHandle(nullptr, copy, 0);
  if (!handle) {
    delete copy;
    throw IRStore::OutOfMemory();
  }
  return std::unique_ptr<StoreHandle>(handle);
}

void StoreHandleSeqDelete::operator()(StoreHandleSeq* sequence) const {
  if (!sequence) return;
  for (unsigned i = 0; i < sequence->length; ++i) delete sequence->buffer[i];
  delete[] sequence->buffer;
  delete sequence;
}

OwnedHandleSeq new_handle_seq(unsigned maximum) {
  OwnedHandleSeq sequence(new (std::nothrow) StoreHandleSeq{maximum, 0, nullptr});
  if (!sequence) throw IRStore::OutOfMemory();
  if (maximum > 0) {
    sequence->buffer = new (std::nothrow) StoreHandle*[maximum];
    if (!sequence->buffer) throw IRStore::OutOfMemory();
  }
  return sequence;
}

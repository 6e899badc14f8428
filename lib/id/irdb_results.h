// What the query operations build for their callers: sequences of objects
// and of handles, held so that a failure part-way frees everything built.
#pragma once

#include <memory>

#include <qelororm/sequence.h>
#include <qelorirm/irobject.h>
#include <qeloridm/storehnd.h>

using ContainedSeq = CORBA::_IDL_SEQUENCE_CORBA_Contained_0;

// The maximum that a full result list grows to: doubled, and at least ten,
// so that a list of n elements is reallocated O(log n) times and each
// element moves O(1) times on average.
inline CORBA::ULong grown_maximum(CORBA::ULong maximum) { return maximum < 5 ? 10 : 2 * maximum; }

// A new sequence of objects with the given maximum; IRStore::OutOfMemory
// when it cannot be had.
std::unique_ptr<ContainedSeq> new_contained_seq(CORBA::ULong maximum);
// Appends an object (the sequence takes over the reference), growing the
// sequence (grown_maximum) when it is full.
void append_object(ContainedSeq& sequence, CORBA::_CORBA_Contained* object);

// A handle with a copy of the IID and no repository id.
std::unique_ptr<StoreHandle> handle_for_iid(const _IDL_SEQUENCE_CORBA_Char_7& iid);

struct StoreHandleSeqDelete {
  void operator()(StoreHandleSeq* sequence) const;
};
// A handle sequence, its array and every handle in it.
using OwnedHandleSeq = std::unique_ptr<StoreHandleSeq, StoreHandleSeqDelete>;
// A new, empty handle sequence with room for `maximum` handles.
OwnedHandleSeq new_handle_seq(unsigned maximum);

// Interface inheritance, kept in IRINHER: whether one interface inherits
// from another, and the direct bases and derivations of one.
#include <memory>

#include <qeloridm/irdb.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_results.h"
#include "irdb_walks.h"
#include "irtable.h"

namespace {

// Handles for the IIDs related to an interface in one direction of IRINHER,
// with their repository ids when asked for.
OwnedHandleSeq related_handles(IRInherTable& inher, IRRepdatTable& repdat, IIDOctets* iid,
                               bool towardsBases, bool withRepositoryIds) {
  std::unique_ptr<IIDList> iids(inher.related_iids(iid, towardsBases));
  OwnedHandleSeq handles = new_handle_seq(iids->length());
  for (CORBA::ULong i = 0; i < iids->length(); ++i) {
    handles->buffer[handles->length] = handle_for_iid((*iids)[i]).release();
    ++handles->length;
  }
  iids.reset();
  if (!withRepositoryIds) return handles;
  for (unsigned i = 0; i < handles->length; ++i) {
    StoreHandle* handle = handles->buffer[i];
    handle->repid = stored_repository_id(repdat, iid_text(handle->iid));
  }
  return handles;
}

}  // namespace

unsigned char IRDB::inherits_from(StoreHandle* derived, StoreHandle* base) {
  CSGuard guard(&csMutex);
  iid_text(derived->populateIRIID());
  iid_text(base->populateIRIID());  // the target, checked before the walk's first statement
  std::unique_ptr<IIDList> reached(walk(Walk::all_bases(), derived->iid, base->iid));
  return reached->length() == 1;
}

StoreHandleSeq* IRDB::parents(StoreHandle* interface) {
  CSGuard guard(&csMutex);
  interface->populateIRIID();
  repdatTable->exists_iid(interface->iid, 0);
  return related_handles(*inherTable, *repdatTable, interface->iid, true, true).release();
}

StoreHandleSeq* IRDB::children(StoreHandle* interface, unsigned char withRepositoryIds) {
  CSGuard guard(&csMutex);
  interface->populateIRIID();
  repdatTable->exists_iid(interface->iid, 0);
  return related_handles(*inherTable, *repdatTable, interface->iid, false, withRepositoryIds)
      .release();
}

CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::interface_children(StoreHandle* interface) {
  CSGuard guard(&csMutex);
  OwnedHandleSeq handles(children(interface, 0));
  std::unique_ptr<ContainedSeq> result = new_contained_seq(handles->length);
  for (unsigned i = 0; i < handles->length; ++i) {
    if (CORBA_Contained_Impl* object = object_from_ID(handles->buffer[i])) {
      append_object(*result, object);
    }
  }
  return result.release();
}

// Destroying an object with everything that depends on it, and the preview
// of what that would remove.
#include <cstdlib>
#include <cstring>
#include <memory>

#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_results.h"
#include "irdb_walks.h"
#include "irtable.h"
#include "owned.h"

namespace {

// Deletes an object's row; one that cannot be deleted makes the repository
// incoherent (or is a database failure).
void delete_object_row(const char* iid) {
  Irrepdat row;
  row.setIid(iid);
  failure_is_incoherent([&] { row.del(); });
}

}  // namespace

IIDList* IRDB::deletion_set(IIDOctets* iid) {
  return walk(Walk::deletion_set(), iid);
}

void IRDB::remove_relations(IIDOctets* iid) {
  // Its own references, base links and memberships; the rows in which it is
  // the other end belong to objects of the deletion set.
  referTable->remove_all(iid);
  inherTable->remove_all(iid);
  bucketTable->remove_all(iid);
}

void IRDB::destroy(StoreHandle* object) {
  CSGuard guard(&csMutex);
  object->populateIRIID();
  repdatTable->exists_iid(object->iid, 0);
  const char* own = iid_text(object->iid);

  // The object is in its own deletion set only when a cycle leads back to
  // it; then it is deleted there, once.
  bool found_self = false;
  {
    std::unique_ptr<IIDList> doomed(deletion_set(object->iid));
    for (CORBA::ULong i = 0; i < doomed->length(); ++i) {
      IIDOctets& x = (*doomed)[i];
      found_self = found_self || std::strcmp(iid_text(x), own) == 0;
      remove_relations(&x);
      delete_object_row(iid_text(x));
    }
  }
  remove_relations(object->iid);
  if (!found_self) delete_object_row(own);
}

CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::get_objects_2b_deleted(StoreHandle* object) {
  CSGuard guard(&csMutex);
  object->populateIRIID();
  repdatTable->exists_iid(object->iid, 0);
  std::unique_ptr<IIDList> doomed(deletion_set(object->iid));
  std::unique_ptr<ContainedSeq> result = new_contained_seq(doomed->length());
  for (CORBA::ULong i = 0; i < doomed->length(); ++i) {
    Irrepdat row;
    row.setIid(iid_text((*doomed)[i]));
    failure_is_incoherent([&] { row.retrieve(); });
    CorbaString name(remove_blanks(row.name()));
    CORBA_Contained_Impl* built =
        build_from_row(static_cast<CORBA::DefinitionKind>(std::atol(row.kind())), name.get(),
                       const_cast<char*>(row.repid()), const_cast<char*>(row.stream()));
    // Objects keep the positions of their IIDs; a null one leaves a gap.
    if (built) {
      result->length(i + 1);
      (*result)[i] = built;
    }
  }
  return result.release();
}

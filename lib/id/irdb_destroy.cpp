// Destroying an object with everything that depends on it, the preview of
// what that would remove, and moving an object to another container.
#include <cstdlib>
#include <cstring>
#include <memory>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrrepdat.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_results.h"
#include "irdb_text.h"
#include "irtable.h"
#include "owned.h"

namespace {

// Deletes an object's row; one that cannot be deleted makes the repository
// incoherent (or is a database failure).
void delete_object_row(const char* iid) {
  Irrepdat row;
  row.setIid(iid);
  try {
    row.del();
  } catch (IRStore::Exception& e) {
    rethrow_if_sql_error(e);
    throw IRStore::IncoherentIR();
  }
}

}  // namespace

IIDList* IRDB::deletion_set(IIDOctets* iid) {
  // Towards the objects that refer to it, the interfaces derived from it and
  // the objects it contains.
  return search_recursive(iid, -1, 1, 1, 1, 0, 0, 1, nullptr);
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
    try {
      row.retrieve();
    } catch (IRStore::Exception& e) {
      rethrow_if_sql_error(e);
      throw IRStore::IncoherentIR();
    }
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

void IRDB::move(StoreHandle* object, StoreHandle* newContainer, char* newName) {
  CSGuard guard(&csMutex);
  // Everything is checked before the first write: a move that is refused
  // leaves nothing behind for the unit of work to commit.
  const char* member = iid_text(object->populateIRIID());
  const char* container = iid_text(newContainer->populateIRIID());
  if (newName) storable_name(newName);
  repdatTable->exists_iid(object->iid, 0);
  repdatTable->exists_iid(newContainer->iid, 0);
  // Into itself or into what it contains, the object would leave the tree
  // of containers that hangs from the repository, and its subtree with it.
  // The walk goes up from the new container, so it costs the nesting depth
  // rather than the size of the object's subtree.
  std::unique_ptr<IIDList> above(search_recursive(newContainer->iid, -1, 0, 0, 1, 0, 0, 0, object->iid));
  if (std::strcmp(member, container) == 0 || above->length() != 0) {
    throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  }
  std::unique_ptr<StoreHandle> old(defined_in(object));

  std::unique_ptr<char[]> key(bucketTable->make_key(container, member));
  Irbucket new_row;
  new_row.setKey(key.get());
  new_row.setBucketiid(container);
  new_row.setIid(member);
  try {
    new_row.add();  // already in the new container: a plain code 1 exception
  } catch (IRStore::Exception& e) {
    rethrow_if_sql_error(e);
    throw;  // a failure without SQLSTATE is still a failure
  }

  std::unique_ptr<char[]> old_key(bucketTable->make_key(iid_text(old->iid), member));
  old.reset();
  Irbucket old_row;
  old_row.setKey(old_key.get());
  try {
    old_row.del();
  } catch (IRStore::Exception& e) {
    rethrow_if_sql_error(e);
    // The object left its old container meanwhile: another process on the
    // server moved or destroyed it. The new row goes again, so that the
    // object never stands in two containers.
    new_row.del();
    throw IRStore::NotExist();
  }
  if (newName) update_name(object, newName);
}

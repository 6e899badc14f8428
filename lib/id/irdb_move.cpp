// Moving an object to another container, under a new name if given: its
// membership row changes, its repository id and IID do not.
#include <cstring>
#include <memory>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/storehnd.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_text.h"
#include "irdb_walks.h"
#include "irtable.h"

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
  std::unique_ptr<IIDList> above(walk(Walk::containers_upward(), newContainer->iid, object->iid));
  if (std::strcmp(member, container) == 0 || above->length() != 0) {
    throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  }
  std::unique_ptr<StoreHandle> old(defined_in(object));

  std::unique_ptr<char[]> key(bucketTable->make_key(container, member));
  Irbucket new_row;
  new_row.setKey(key.get());
  new_row.setBucketiid(container);
  new_row.setIid(member);
  // Already in the new container: a plain code 1 exception.
  failure_passes_on([&] { new_row.add(); });

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

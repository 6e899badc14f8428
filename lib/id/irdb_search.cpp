// The repository search by name pattern and kind list, over the whole
// repository or within one container and everything nested in it.
#include <memory>

#include <qeloridm/irdb.h>

#include "irdb_lock.h"
#include "irdb_results.h"
#include "irdb_walks.h"
#include "irtable.h"

CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::find_objects(char* namePattern, char* kindList,
                                                           unsigned char caseSensitive,
                                                           StoreHandle* scope) {
  CSGuard guard(&csMutex);
  // Refused whether or not there are candidates to match them against.
  check_name_pattern(namePattern);
  check_kind_list(kindList);
  std::unique_ptr<IIDList> candidates;
  if (scope) {
    scope->populateIRIID();
    repdatTable->exists_iid(scope->iid, 0);
    candidates.reset(walk(Walk::members_within(-1), scope->iid));
  } else {
    // The database does all the filtering in one statement.
    candidates.reset(repdatTable->find_by_name(namePattern, kindList, caseSensitive));
  }
  std::unique_ptr<ContainedSeq> result = new_contained_seq(candidates->length());
  for (CORBA::ULong i = 0; i < candidates->length(); ++i) {
    if (scope && !repdatTable->match_name_and_kind(&(*candidates)[i], namePattern, kindList,
                                                   caseSensitive)) {
      continue;
    }
    std::unique_ptr<StoreHandle> handle = handle_for_iid((*candidates)[i]);
    if (CORBA_Contained_Impl* object = object_from_ID(handle.get())) append_object(*result, object);
  }
  return result.release();
}

// The objects that refer to an object, as IRREFER records them: as
// repository ids, or as objects filtered by kind. Only direct references.
#include <memory>

#include <qeloridm/irdb.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_results.h"
#include "irtable.h"

CORBA::_IDL_SEQUENCE_CORBA_String_0* IRDB::get_references(StoreHandle* object) {
  CSGuard guard(&csMutex);
  object->populateIRIID();
  repdatTable->exists_iid(object->iid, 0);
  std::unique_ptr<IIDList> referrers(referTable->related_iids(object->iid, false));
  auto result = make_owned<CORBA::_IDL_SEQUENCE_CORBA_String_0>(referrers->length());
  for (CORBA::ULong i = 0; i < referrers->length(); ++i) {
    // A reference row whose referrer is not stored contradicts the rows.
    char* copy = stored_repository_id(*repdatTable, iid_text((*referrers)[i]));
    result->length(i + 1);
    (*result)[i] = copy;
  }
  return result.release();
}

CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::get_refs_object(StoreHandle* object,
                                                              char* kindList) {
  CSGuard guard(&csMutex);
  check_kind_list(kindList);  // refused whether or not anything refers to the object
  object->populateIRIID();
  repdatTable->exists_iid(object->iid, 0);
  std::unique_ptr<IIDList> referrers(referTable->related_iids(object->iid, false));
  std::unique_ptr<ContainedSeq> result = new_contained_seq(referrers->length());
  for (CORBA::ULong i = 0; i < referrers->length(); ++i) {
    bool match;
    failure_is_incoherent([&] { match = repdatTable->match_kind(&(*referrers)[i], kindList); });
    if (!match) continue;
    std::unique_ptr<StoreHandle> handle = handle_for_iid((*referrers)[i]);
    if (CORBA_Contained_Impl* referrer = object_from_ID(handle.get())) {
      append_object(*result, referrer);
    }
  }
  return result.release();
}

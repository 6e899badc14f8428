// Giving a stored object a new repository id: its IID, the key of its row
// and of every relation row that names it, changes with it.
#include <memory>

#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irtable.h"
#include "relation_rows.h"

namespace {

// Rewrites the rows of one table in which the old IID stands in the first
// IID column (firstColumn) or in the second, one by one: read, insert under
// the new key, delete under the old one.
template <class Record>
void rewrite_rows(IRTable& table, const IIDList& others, const char* old_iid,
                  const char* new_iid, bool firstColumn) {
  for (CORBA::ULong i = 0; i < others.length(); ++i) {
    const char* x = iid_text(others[i]);
    std::unique_ptr<char[]> old_key(firstColumn ? table.make_key(old_iid, x)
                                                : table.make_key(x, old_iid));
    std::unique_ptr<char[]> new_key(firstColumn ? table.make_key(new_iid, x)
                                                : table.make_key(x, new_iid));
    Record row;
    row.setKey(old_key.get());
    failure_is_incoherent([&] { row.retrieve(); });
    row.setKey(new_key.get());
    if (firstColumn) {
      set_iids(row, new_iid, x);
    } else {
      set_iids(row, x, new_iid);
    }
    // The old row must not go when the new one is not there.
    failure_passes_on([&] { row.add(); });
    row.setKey(old_key.get());
    failure_is_incoherent([&] { row.del(); });
  }
}

}  // namespace

void IRDB::rewrite_relations(IIDOctets* old_iid, const char* new_iid, bool firstColumn) {
  // Every list is read before any row changes.
  std::unique_ptr<IIDList> refers(referTable->related_iids(old_iid, firstColumn));
  std::unique_ptr<IIDList> inherits(inherTable->related_iids(old_iid, firstColumn));
  std::unique_ptr<IIDList> contains(bucketTable->related_iids(old_iid, firstColumn));
  const char* old_text = iid_text(old_iid);
  rewrite_rows<Irrefer>(*referTable, *refers, old_text, new_iid, firstColumn);
  refers.reset();
  rewrite_rows<Irinher>(*inherTable, *inherits, old_text, new_iid, firstColumn);
  inherits.reset();
  rewrite_rows<Irbucket>(*bucketTable, *contains, old_text, new_iid, firstColumn);
}

void IRDB::update_repositoryID(StoreHandle* oldHandle, StoreHandle* newHandle) {
  CSGuard guard(&csMutex);
  // Both handles are checked before the first statement runs.
  const char* old_iid = iid_text(oldHandle->populateIRIID());
  const char* new_iid = iid_text(newHandle->populateIRIID());
  if (!newHandle->repid) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  Irrepdat row;
  row.setIid(old_iid);
  missing_is_not_exist([&] { row.retrieve(); });

  row.setIid(new_iid);
  row.setRepid(newHandle->repid);
  // A row under the new IID already is a plain code 1 exception; the old
  // row must not go when the new one is not there.
  failure_passes_on([&] { row.add(); });
  row.setIid(old_iid);
  failure_is_incoherent([&] { row.del(); });

  rewrite_relations(oldHandle->iid, new_iid, true);
  rewrite_relations(oldHandle->iid, new_iid, false);
}

// Adding and removing single relation rows: containment (IRBUCKET),
// inheritance (IRINHER) and references (IRREFER).
#include <memory>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrinher.h>
#include <qeloridm/mrrefer.h>
#include <qeloridm/storehnd.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irtable.h"
#include "relation_rows.h"

namespace {

// Writes the row (first, second), in the table's column order, keyed by the
// two IIDs end to end. A duplicate leaves as a plain code 1 exception.
template <class Record>
void add_row(IRTable& table, const char* first, const char* second) {
  std::unique_ptr<char[]> key(table.make_key(first, second));
  Record row;
  row.setKey(key.get());
  set_iids(row, first, second);
  failure_passes_on([&] { row.add(); });
}

// Deletes the row (first, second); IRStore::NotExist when there is none.
template <class Record>
void remove_row(IRTable& table, const char* first, const char* second) {
  std::unique_ptr<char[]> key(table.make_key(first, second));
  Record row;
  row.setKey(key.get());
  missing_is_not_exist([&] { row.del(); });
}

const char* iid_of(StoreHandle* handle) { return iid_text(handle->iid); }

}  // namespace

void IRDB::check_relation_ends(StoreHandle* first, StoreHandle* second) {
  // Both IIDs are checked before the first statement runs.
  iid_text(first->populateIRIID());
  iid_text(second->populateIRIID());
  repdatTable->exists_iid(first->iid, 1);
  repdatTable->exists_iid(second->iid, 1);
}

void IRDB::add_to_bucket(StoreHandle* member, StoreHandle* container) {
  CSGuard guard(&csMutex);
  check_relation_ends(member, container);
  add_row<Irbucket>(*bucketTable, iid_of(container), iid_of(member));
}

void IRDB::add_inheritance(StoreHandle* derived, StoreHandle* base) {
  CSGuard guard(&csMutex);
  check_relation_ends(derived, base);
  add_row<Irinher>(*inherTable, iid_of(derived), iid_of(base));
}

void IRDB::add_reference(StoreHandle* referrer, StoreHandle* referred) {
  CSGuard guard(&csMutex);
  check_relation_ends(referrer, referred);
  add_row<Irrefer>(*referTable, iid_of(referrer), iid_of(referred));
}

void IRDB::remove_from_bucket(StoreHandle* member, StoreHandle* container) {
  CSGuard guard(&csMutex);
  check_relation_ends(member, container);
  remove_row<Irbucket>(*bucketTable, iid_of(container), iid_of(member));
}

void IRDB::remove_inheritance(StoreHandle* derived, StoreHandle* base) {
  CSGuard guard(&csMutex);
  check_relation_ends(derived, base);
  remove_row<Irinher>(*inherTable, iid_of(derived), iid_of(base));
}

void IRDB::remove_reference(StoreHandle* referrer, StoreHandle* referred) {
  CSGuard guard(&csMutex);
  check_relation_ends(referrer, referred);
  remove_row<Irrefer>(*referTable, iid_of(referrer), iid_of(referred));
}

// Updates and user transactions. The database's unit of work begins by
// itself; an update commits at its end unless a user transaction is open,
// a user transaction commits once at its end, and a cancel rolls back the
// whole unit of work. The user-transaction operations call the update
// operations while they hold the (re-entrant) lock.
#include <qeloridm/irdb.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "irdb_lock.h"

void IRDB::beginUpdate() { CSGuard guard(&csMutex); }

void IRDB::endUpdate() {
  CSGuard guard(&csMutex);
  if (inUserTransaction) return;
  session_errors_translated([&] { database->commit(); });
}

void IRDB::cancelUpdate() {
  CSGuard guard(&csMutex);
  inUserTransaction = 0;
  session_errors_translated([&] { database->rollback(); });
}

void IRDB::beginUserTransaction() {
  CSGuard guard(&csMutex);
  if (inUserTransaction) return;
  beginUpdate();
  inUserTransaction = 1;
}

void IRDB::endUserTransaction() {
  CSGuard guard(&csMutex);
  if (!inUserTransaction) return;
  inUserTransaction = 0;
  endUpdate();
}

void IRDB::cancelUserTransaction() {
  CSGuard guard(&csMutex);
  if (!inUserTransaction) return;
  inUserTransaction = 0;
  cancelUpdate();
}

// IRDB: construction and destruction of the store's frame (the session, the
// five table objects and the store lock).
#include <qeloridm/irdb.h>

#include <cstring>

#include <qelororm/qel.h>
#include <qelororm/vekd.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_source.h"
#include "irtable.h"

namespace {

constexpr const char* kDefaultDatabase = "VADIRIRI";
constexpr std::size_t kMaxDatabaseName = 31;
constexpr int kMutexLine = 125;
constexpr int kDestroyLine = 157;

}  // namespace

IRStore& IRStore::operator=(const IRStore&) { return *this; }

IRDB::IRDB(const char* databaseName) {
  inUserTransaction = 0;
  const char* name = databaseName ? databaseName : kDefaultDatabase;
  if (std::strlen(name) > kMaxDatabaseName) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);

  // Everything is held by guards until the frame is complete, so that a
  // failing step leaves no session (and no worker thread) behind.
  std::unique_ptr<IRDataBase> session;
  try {
    session = make_owned<IRDataBase>(name);
  } catch (IRSError& e) {
    translate_irs_error(e);
    throw IRStore::Unrecoverable();
  }
  database = session.get();
  auto repdat = make_owned<IRRepdatTable>(name, this);
  auto bucket = make_owned<IRBucketTable>(name, this);
  auto inher = make_owned<IRInherTable>(name, this);
  auto refer = make_owned<IRReferTable>(name, this);
  auto work = make_owned<IRWorkTable>(name, this);

  int rc = VEKCreateMutexSem(&csMutex);
  if (rc != 0) {
    vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kIrdbSource, kMutexLine, nullptr, 0, 0);
  }
  if (QELMutexTrace != 0) trace_mutex("Creating CS Mutex: ", csMutex, kMutexLine);

  database = session.release();
  repdatTable = repdat.release();
  bucketTable = bucket.release();
  inherTable = inher.release();
  referTable = refer.release();
  workTable = work.release();
}

IRDB::~IRDB() {
  delete repdatTable;
  delete bucketTable;
  delete inherTable;
  delete referTable;
  delete workTable;
  delete database;
  void* old = csMutex;
  int rc = VEKDestroyMutexSem(csMutex);
  if (rc != 0) {
    try {
      vekdError(vekdMapSysError(rc), CORBA::COMPLETED_NO, kIrdbSource, kDestroyLine, nullptr, 0, 0);
    } catch (...) {
      // A destructor must not throw.
    }
  }
  if (QELMutexTrace != 0) trace_mutex("Destroying CS Mutex: ", old, kDestroyLine);
}

void IRDB::Iget_object(StoreObject*) {}

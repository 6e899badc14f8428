// Commits definitions through the store in a loop until a stop file
// appears, one unit of work each (the module created and put into the
// root), and says what became of each on standard output:
//   ack N          endUpdate returned: the unit is committed
//   fail N TEXT    a statement before the commit failed: nothing of it stays
//   doubt N TEXT   the commit itself failed: it may or may not have happened
// Usage: failover_writer ALIAS STOP-FILE
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>

namespace {

bool exists(const char* path) {
  struct stat status;
  return stat(path, &status) == 0;
}

StoreHandle handle_of(const std::string& repid) {
  return StoreHandle(CORBA::string_dup(repid.c_str()), nullptr, 0);
}

// One unit of work: the module for n, put into the root and committed.
// Sets committing once only the commit is left to do.
void commit_module(IRDB& store, long n, bool& committing) {
  std::string name = "M" + std::to_string(n);
  std::string repid = "IDL:Failover/" + name + ":1.0";
  auto* module = new CORBA_ModuleDef_Impl(name.c_str(), repid.c_str());
  try {
    EncapIIOP state(ENCAP_WRITE);
    module->object_to_stream(state);
    store.create(module, state);
  } catch (...) {
    CORBA::release(module);
    throw;
  }
  CORBA::release(module);
  StoreHandle member = handle_of(repid);
  StoreHandle root = handle_of(CORBA_Repository_Impl::kRepositoryId);
  store.add_to_bucket(&member, &root);
  committing = true;
  store.endUpdate();
}

// Ends what is left of a failed unit of work; the store refuses to commit
// again until it is cancelled.
void cancel(IRDB& store) {
  try {
    store.cancelUpdate();
  } catch (IRStore::Exception&) {
    // Without a connection there is nothing left to cancel.
  }
}

void report(const char* outcome, long n, const char* message) {
  std::printf("%s %ld %s\n", outcome, n, message ? message : "(no message)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: failover_writer ALIAS STOP-FILE\n");
    return 2;
  }
  try {
    IRDB store(argv[1]);
    for (long n = 1; !exists(argv[2]); ++n) {
      bool committing = false;
      try {
        commit_module(store, n, committing);
        std::printf("ack %ld\n", n);
      } catch (IRStore::Exception& e) {
        report(committing ? "doubt" : "fail", n, e.message);
        cancel(store);
      } catch (IRSError& e) {
        report(committing ? "doubt" : "fail", n, e.message);
        cancel(store);
      }
      std::fflush(stdout);
    }
  } catch (IRStore::Exception& e) {
    std::fprintf(stderr, "failover_writer: cannot open %s: %s\n", argv[1], e.message ? e.message : "");
    return 1;
  }
  return 0;
}

// Every allocation that a store call makes on the caller's thread failing in
// turn. Callers are promised the store's own exceptions: want of memory is
// IRStore::OutOfMemory where a statement is composed or a result is built,
// never std::bad_alloc, and the store works on afterwards.
#include <cxxabi.h>

#include <functional>
#include <memory>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrrepdat.h>

#include "captured_output.h"
#include "failing_allocations.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

// M holds I (with the operation op) and J, which derives from I; op refers
// to J. Handles and texts are made before a sweep, so that only the store's
// own allocations fail.
class OutOfMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!failing_allocations::available()) GTEST_SKIP() << "sanitized builds keep their own operator new";
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("I", "IDL:M/I:1.0", "IDL:M:1.0");
    build.define<CORBA_OperationDef_Impl>("op", "IDL:M/I/op:1.0", "IDL:M/I:1.0");
    build.define<CORBA_InterfaceDef_Impl>("J", "IDL:M/J:1.0", "IDL:M:1.0");
    build.inherit("IDL:M/J:1.0", "IDL:M/I:1.0");
    build.refer("IDL:M/I/op:1.0", "IDL:M/J:1.0");
    store.endUpdate();
  }

  enum class Expect { kOutOfMemory, kStoreException };

  // Runs the call with its first, second, ... allocation failing, until it
  // runs through without reaching the failure. Each failure must leave as
  // IRStore::OutOfMemory, or (kStoreException) as a store exception that an
  // operation documents for a failure without SQLSTATE.
  void sweep(const char* name, Expect expect, const std::function<void()>& call) {
    for (long n = 1;; ++n) {
      bool reached = true;
      failing_allocations::fail_nth(n);
      try {
        call();
        reached = failing_allocations::fired();
      } catch (IRStore::OutOfMemory& e) {
        failing_allocations::fired();
        EXPECT_EQ(e.code, 6);
      } catch (IRStore::Exception& e) {
        failing_allocations::fired();
        EXPECT_EQ(expect, Expect::kStoreException)
            << name << ": allocation " << n << " failed with code " << e.code;
      } catch (...) {
        failing_allocations::fired();
        ADD_FAILURE() << name << ": allocation " << n << " failed as "
                      << abi::__cxa_current_exception_type()->name();
      }
      store.cancelUpdate();  // nothing half done is kept
      if (!reached) return;
    }
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
  IRRepdatTable repdat{nullptr, &store};
  IRBucketTable bucket{nullptr, &store};
  const std::string m = iid_of("IDL:M:1.0"), i = iid_of("IDL:M/I:1.0"), j = iid_of("IDL:M/J:1.0");
};

TEST_F(OutOfMemory, AStatementThatCannotBeComposedFailsWithOutOfMemory) {
  IIDOctets oi = iid_octets(i), om = iid_octets(m);
  std::string key = m + i;
  sweep("find_by_name", Expect::kOutOfMemory, [&] { delete repdat.find_by_name("o%", ":5:7:8", false); });
  sweep("match_name_and_kind", Expect::kOutOfMemory, [&] { repdat.match_name_and_kind(&oi, "I", "5", false); });
  sweep("match_kind", Expect::kOutOfMemory, [&] { repdat.match_kind(&oi, "8:5"); });
  sweep("exists_iid", Expect::kOutOfMemory, [&] { repdat.exists_iid(&oi, 0); });
  sweep("related_iids", Expect::kOutOfMemory, [&] { delete bucket.related_iids(&om, true); });
  sweep("Irbucket::retrieve", Expect::kOutOfMemory, [&] {
    Irbucket row;
    row.setKey(key.c_str());
    row.retrieve();
  });
  sweep("Irrepdat::retrieve", Expect::kOutOfMemory, [&] {
    Irrepdat row;
    row.setIid(i.c_str());
    row.retrieve();
  });
}

TEST_F(OutOfMemory, OperationsNeverFailWithStdBadAlloc) {
  char pattern[] = "o%", kinds[] = ":5:7", name[] = "op";
  auto hm = handle_of("IDL:M:1.0"), hi = handle_of("IDL:M/I:1.0"), hj = handle_of("IDL:M/J:1.0");
  auto expect = Expect::kStoreException;
  sweep("find_objects", expect, [&] { delete store.find_objects(pattern, kinds, 0, nullptr); });
  sweep("scoped find_objects", expect, [&] { delete store.find_objects(pattern, kinds, 1, hm.get()); });
  sweep("get_refs_object", expect, [&] { delete store.get_refs_object(hj.get(), kinds); });
  sweep("lookup_name", expect, [&] { delete store.lookup_name(hj.get(), name, -1, CORBA::dk_all, 0); });
  sweep("contents", expect, [&] { delete store.contents(hm.get(), CORBA::dk_all, 0, -1); });
  sweep("names_in_bucket", expect, [&] { delete store.names_in_bucket(hm.get()); });
  sweep("get_references", expect, [&] { delete store.get_references(hj.get()); });
  sweep("is_duplicate_name", expect, [&] { store.is_duplicate_name(hi.get(), name); });
  sweep("add_to_bucket", expect, [&] { store.add_to_bucket(hi.get(), hj.get()); });
  sweep("move", expect, [&] { store.move(hj.get(), hi.get(), nullptr); });
  sweep("destroy", expect, [&] { store.destroy(hj.get()); });
  // What failed was taken back; the store works on.
  EXPECT_EQ(count_rows("IRREPDAT"), 5);
  EXPECT_EQ(count_rows("IRBUCKET"), 4);
  EXPECT_EQ(repids_of(store.contents(hm.get(), CORBA::dk_all, 1, -1)).size(), 2u);
}

}  // namespace

// An IID travels as octets that the store reads as text. Octets without
// their NUL, or with more than 32 characters before it, are refused with
// CORBA::BAD_PARAM before any statement runs, whichever handle of an
// operation holds them: they would be read past their end.
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class IidOctets : public ::testing::Test {
 protected:
  void SetUp() override {
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("I", "IDL:M/I:1.0", "IDL:M:1.0");
    store.endUpdate();
  }
  // A handle holding `length` octets of 'a' and no NUL.
  static std::unique_ptr<StoreHandle> unended(CORBA::ULong length) {
    auto* octets = new _IDL_SEQUENCE_CORBA_Char_7(length);
    octets->length(length);
    std::memset(octets->get_buffer(), 'a', length);
    return std::make_unique<StoreHandle>(nullptr, octets, 0);
  }
  // The action fails with BAD_PARAM and runs no statement.
  static void refused(const char* what, const std::function<void()>& action) {
    long before = tarn_statement_count();
    EXPECT_THROW(action(), CORBA::BAD_PARAM) << what;
    EXPECT_EQ(tarn_statement_count(), before) << what;
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
};

TEST_F(IidOctets, WithoutTheirNulAreRefusedBeforeAnyStatementRuns) {
  auto good = [] { return handle_of("IDL:M/I:1.0"); };
  char name[] = "I";
  for (CORBA::ULong length : {1u, 32u, 33u}) {
    SCOPED_TRACE(length);
    refused("kind_from_ID", [&] { store.kind_from_ID(unended(length).get()); });
    refused("name_from_ID", [&] { CORBA::string_free(store.name_from_ID(unended(length).get())); });
    refused("object_from_ID", [&] { CORBA::release(store.object_from_ID(unended(length).get())); });
    refused("contents", [&] { delete store.contents(unended(length).get(), CORBA::dk_all, 0, -1); });
    refused("lookup_name",
            [&] { delete store.lookup_name(unended(length).get(), name, 1, CORBA::dk_all, 0); });
    refused("is_name_in_bucket", [&] { delete store.is_name_in_bucket(name, unended(length).get()); });
    refused("destroy", [&] { store.destroy(unended(length).get()); });
    refused("find_objects", [&] {
      delete store.find_objects(name, const_cast<char*>("5"), 1, unended(length).get());
    });
    // Where an operation takes two handles, the second is checked before
    // the first one's statements run.
    refused("add_to_bucket", [&] { store.add_to_bucket(good().get(), unended(length).get()); });
    refused("remove_from_bucket", [&] { store.remove_from_bucket(good().get(), unended(length).get()); });
    refused("add_inheritance", [&] { store.add_inheritance(good().get(), unended(length).get()); });
    refused("add_reference", [&] { store.add_reference(good().get(), unended(length).get()); });
    refused("inherits_from", [&] { store.inherits_from(good().get(), unended(length).get()); });
    refused("move", [&] { store.move(good().get(), unended(length).get(), nullptr); });
    refused("update_repositoryID",
            [&] { store.update_repositoryID(good().get(), unended(length).get()); });
  }
}

}  // namespace

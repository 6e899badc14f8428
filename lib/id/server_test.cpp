// The store on a PostgreSQL server that ends its connection between two
// store operations (with IRSTORE_TEST_ENGINE=postgresql; skipped
// otherwise): the session's recovery reconnects and retries when nothing
// uncommitted was lost, and reports the loss when something was.
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "pg_test_server.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class ServerLoss : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!repository.on_postgresql())
      GTEST_SKIP() << "needs the repositories on PostgreSQL (IRSTORE_TEST_ENGINE=postgresql)";
  }

  // The server ends the store's connection, as an administrator would.
  void end_the_stores_connection() {
    ASSERT_EQ(pg_test_server::terminate_connections(repository.database_name("VADIRIRI")), 1);
  }
  // IRREPDAT's repository ids as the server holds them, read by another
  // connection.
  pg_test_server::Rows stored_repids() {
    return pg_test_server::admin("SELECT REPID FROM IRREPDAT ORDER BY REPID",
                                 repository.database_name("VADIRIRI"));
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
};

TEST_F(ServerLoss, WithNothingUncommittedTheNextOperationSucceeds) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("Kept", "IDL:Kept:1.0");
  store.endUpdate();

  end_the_stores_connection();
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:Kept:1.0").get()), CORBA::dk_Module);
  EXPECT_GE(reports.count(0x51450058), 1);  // the loss itself was reported

  end_the_stores_connection();
  build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0");
  store.endUpdate();
  EXPECT_EQ((pg_test_server::Rows{{"IDL:After:1.0"}, {"IDL:Kept:1.0"}, {CORBA_Repository_Impl::kRepositoryId}}),
            stored_repids());
}

// The lost unit of work took the caller's changes with it: the caller must
// hear it, and nothing of it may be in the database.
TEST_F(ServerLoss, WithSomethingUncommittedTheNextOperationFailsAndNothingOfItIsStored) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  store.endUpdate();
  build.define<CORBA_ModuleDef_Impl>("Lost", "IDL:Lost:1.0");  // not committed

  end_the_stores_connection();
  try {
    build.define<CORBA_ModuleDef_Impl>("Next", "IDL:Next:1.0");
    FAIL() << "the loss of an uncommitted change passed in silence";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 7);
    ASSERT_NE(e.message, nullptr);
    EXPECT_NE(std::string(e.message).find("SQL1224N"), std::string::npos) << e.message;
  }
  EXPECT_EQ((pg_test_server::Rows{{CORBA_Repository_Impl::kRepositoryId}}), stored_repids());

  // The store goes on with a new unit of work on the new connection.
  store.cancelUpdate();
  build.define<CORBA_ModuleDef_Impl>("Again", "IDL:Again:1.0");
  store.endUpdate();
  EXPECT_EQ((pg_test_server::Rows{{"IDL:Again:1.0"}, {CORBA_Repository_Impl::kRepositoryId}}), stored_repids());
}

}  // namespace

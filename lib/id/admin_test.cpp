// Creating repositories: the store's tables, made once, by any number of
// creators at once, and never over a database that holds only some of
// them. On SQLite and, with IRSTORE_TEST_ENGINE=postgresql, on the server.
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/irdb_admin.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class Admin : public ::testing::Test {
 protected:
  TempRepository repository{nullptr};
  CapturedReports reports;
};

TEST_F(Admin, CreatesTheTablesOnceAndFindsThemAfter) {
  repository.map_alias("FRESH");
  EXPECT_TRUE(IRDBAdmin::create_repository("FRESH"));
  {
    IRDB store("FRESH");
    RepositoryBuilder build(store);
    build.define<CORBA_ModuleDef_Impl>("Kept", "IDL:Kept:1.0");
    store.endUpdate();
  }
  EXPECT_FALSE(IRDBAdmin::create_repository("FRESH"));
  IRDB store("FRESH");
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:Kept:1.0").get()), CORBA::dk_Module);
  EXPECT_NE(IRDBAdmin::location("FRESH").find(repository.on_postgresql() ? "postgresql" : "sqlite"),
            std::string::npos);
}

TEST_F(Admin, ADatabaseWithOnlySomeOfTheTablesIsNoRepositoryAndIsLeftAlone) {
  repository.map_alias("PARTIAL");
  IRDBAdmin::create_repository("PARTIAL");
  {
    IRDB store("PARTIAL");
    test_session().execute("DROP TABLE IRREFER");
    store.endUpdate();
  }
  try {
    IRDBAdmin::create_repository("PARTIAL");
    FAIL() << "tables were made beside the ones a database holds";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 7);
    EXPECT_NE(std::string(e.message ? e.message : "").find("only some"), std::string::npos);
  }
  IRDB store("PARTIAL");
  EXPECT_THROW(query_rows("SELECT KEYFIELD FROM IRREFER", 1), IRSError);
  EXPECT_NO_THROW(query_rows("SELECT KEYFIELD FROM IRBUCKET", 1));
}

TEST_F(Admin, CreatorsOfOneRepositoryAtOnceAllSucceedAndOneMakesTheTables) {
  repository.map_alias("RACE");
  std::vector<int> made(4, -1);
  std::vector<std::string> failures(made.size());
  std::vector<std::thread> creators;
  for (std::size_t i = 0; i < made.size(); ++i) {
    creators.emplace_back([&made, &failures, i] {
      try {
        made[i] = IRDBAdmin::create_repository("RACE") ? 1 : 0;
      } catch (StoreErrorFields& e) {
        failures[i] = e.message ? e.message : "a store failure without a message";
      } catch (...) {
        failures[i] = "an exception that is no store failure";
      }
    });
  }
  for (std::thread& creator : creators) creator.join();
  for (const std::string& failure : failures) EXPECT_EQ(failure, "");
  EXPECT_EQ(std::count(made.begin(), made.end(), 1), 1);
  EXPECT_EQ(std::count(made.begin(), made.end(), 0), 3);
}

TEST_F(Admin, BadAliasesAreRefusedBeforeAnythingIsMade) {
  EXPECT_THROW(IRDBAdmin::create_repository(""), CORBA::BAD_PARAM);
  EXPECT_THROW(IRDBAdmin::create_repository("NINECHARS"), CORBA::BAD_PARAM);
  EXPECT_THROW(IRDBAdmin::create_repository(nullptr), CORBA::BAD_PARAM);
}

}  // namespace

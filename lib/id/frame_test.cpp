// What every store operation shares: the lock taken once from entry to exit
// (traced when asked), and database failures leaving as code 7 exceptions
// that carry the failed step and the engine's message.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qelororm/qel.h>
#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    build.define<CORBA_ModuleDef_Impl>("N", "IDL:N:1.0");
  }
  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
};

TEST_F(Frame, AnOperationTakesTheLockOnceAlsoWhenItFails) {
  CapturedTraces traces;
  QELMutexTrace = 1;
  store.kind_from_ID(handle_of("IDL:M:1.0").get());
  store.add_to_bucket(handle_of("IDL:N:1.0").get(), handle_of("IDL:M:1.0").get());
  EXPECT_THROW(store.add_to_bucket(handle_of("IDL:N:1.0").get(), handle_of("IDL:M:1.0").get()),
               IRStore::Exception);  // the same row again
  EXPECT_THROW(store.name_from_ID(handle_of("IDL:None:1.0").get()), IRStore::NotExist);
  QELMutexTrace = 0;
  EXPECT_EQ(traces.count_starting("\nStarting CS: 0x"), 4);
  EXPECT_EQ(traces.count_starting("\nEnding CS: 0x"), 4);
}

TEST_F(Frame, ADatabaseFailureLeavesAsCodeSevenWithTheStepAndTheEnginesMessage) {
  // name_from_ID prepares, describes twice, opens and fetches: fail the fetch.
  long before = tarn_statement_count();
  CorbaString name(store.name_from_ID(handle_of("IDL:M:1.0").get()));
  long calls = tarn_statement_count() - before;
  tarn_fail_statement(static_cast<int>(calls) - 1, TARN_SQL_DISK_FULL);
  try {
    store.name_from_ID(handle_of("IDL:M:1.0").get());
    FAIL() << "a failed fetch passed";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 7);
    EXPECT_STREQ(e.sqlstate, "99999");
    ASSERT_NE(e.message, nullptr);
    EXPECT_EQ(std::string(e.message).rfind("SQL Fetch,    Tarn Message: SQL0968N", 0), 0u) << e.message;
  }
  EXPECT_GE(reports.count(0x51450058), 2);  // by the session, and by the translation
}

}  // namespace

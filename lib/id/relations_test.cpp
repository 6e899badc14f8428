// Relation rows through the store: containment, inheritance and references
// added and removed between stored objects.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "owned.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class Relations : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* repid : {"IDL:A:1.0", "IDL:B:1.0", "IDL:K:1.0"}) add_object(repid, repid + 4, 5);
  }
  // A fresh handle with the repository id only.
  std::unique_ptr<StoreHandle> handle(const char* repid) {
    return std::make_unique<StoreHandle>(CORBA::string_dup(repid), nullptr, 0);
  }
  Rows rows_of(const std::string& table) { return query_rows("SELECT * FROM " + table, 3); }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  const std::string a = iid_of("IDL:A:1.0");
  const std::string b = iid_of("IDL:B:1.0");
  const std::string k = iid_of("IDL:K:1.0");
};

TEST_F(Relations, EachTableGetsItsRowsInColumnOrderKeyedByBothIids) {
  store.add_to_bucket(handle("IDL:A:1.0").get(), handle("IDL:K:1.0").get());  // A in K
  store.add_inheritance(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());  // A derives from B
  store.add_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());  // A refers to B
  EXPECT_EQ(rows_of("IRBUCKET"), (Rows{{k + a, k, a}}));
  EXPECT_EQ(rows_of("IRINHER"), (Rows{{a + b, a, b}}));
  EXPECT_EQ(rows_of("IRREFER"), (Rows{{a + b, a, b}}));

  store.remove_from_bucket(handle("IDL:A:1.0").get(), handle("IDL:K:1.0").get());
  store.remove_inheritance(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());
  store.remove_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());
  for (const char* table : {"IRBUCKET", "IRINHER", "IRREFER"}) EXPECT_EQ(count_rows(table), 0) << table;
  EXPECT_EQ(count_rows("IRREPDAT"), 3);  // no removal touches the objects
}

TEST_F(Relations, ThePairTwiceIsADuplicateButTheReversePairIsAnotherRow) {
  store.add_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());
  try {
    store.add_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());
    FAIL() << "the same reference was added twice";
  } catch (IRStore::Duplicate&) {
    FAIL() << "the duplicate must leave as a plain exception";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
  }
  EXPECT_EQ(count_rows("IRREFER"), 1);
  store.add_reference(handle("IDL:B:1.0").get(), handle("IDL:A:1.0").get());
  EXPECT_EQ(count_rows("IRREFER"), 2);
}

TEST_F(Relations, AnEndWithoutAnObjectMakesTheRepositoryIncoherentAndNothingIsWritten) {
  auto missing = [this] { return handle("IDL:Nothing:1.0"); };
  EXPECT_THROW(store.add_to_bucket(missing().get(), handle("IDL:K:1.0").get()), IRStore::IncoherentIR);
  EXPECT_THROW(store.add_inheritance(handle("IDL:A:1.0").get(), missing().get()), IRStore::IncoherentIR);
  EXPECT_THROW(store.add_reference(missing().get(), missing().get()), IRStore::IncoherentIR);
  EXPECT_THROW(store.remove_reference(handle("IDL:A:1.0").get(), missing().get()), IRStore::IncoherentIR);
  for (const char* table : {"IRBUCKET", "IRINHER", "IRREFER"}) EXPECT_EQ(count_rows(table), 0) << table;
}

TEST_F(Relations, RemovingWithAnEndWithoutAnObjectMakesTheRepositoryIncoherentAndDeletesNothing) {
  store.add_to_bucket(handle("IDL:A:1.0").get(), handle("IDL:K:1.0").get());
  store.add_inheritance(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());
  Rows buckets = rows_of("IRBUCKET"), bases = rows_of("IRINHER");
  auto missing = [this] { return handle("IDL:Nothing:1.0"); };
  EXPECT_THROW(store.remove_from_bucket(missing().get(), handle("IDL:K:1.0").get()), IRStore::IncoherentIR);
  EXPECT_THROW(store.remove_from_bucket(handle("IDL:A:1.0").get(), missing().get()), IRStore::IncoherentIR);
  EXPECT_THROW(store.remove_inheritance(missing().get(), handle("IDL:B:1.0").get()), IRStore::IncoherentIR);
  EXPECT_THROW(store.remove_inheritance(handle("IDL:A:1.0").get(), missing().get()), IRStore::IncoherentIR);
  EXPECT_EQ(rows_of("IRBUCKET"), buckets);
  EXPECT_EQ(rows_of("IRINHER"), bases);
}

TEST_F(Relations, RemovingARelationThatWasNeverAddedIsNotExist) {
  try {
    store.remove_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get());
    FAIL() << "removed a missing reference";
  } catch (IRStore::NotExist& e) {
    EXPECT_EQ(e.code, 2);
  }
  EXPECT_THROW(store.remove_from_bucket(handle("IDL:A:1.0").get(), handle("IDL:K:1.0").get()),
               IRStore::NotExist);
}

TEST_F(Relations, HandlesWithAnIidOnlyWork) {
  auto* iid = new _IDL_SEQUENCE_CORBA_Char_7(iid_octets(a));
  StoreHandle by_iid(nullptr, iid, 0);
  store.add_to_bucket(&by_iid, handle("IDL:K:1.0").get());
  EXPECT_EQ(rows_of("IRBUCKET"), (Rows{{k + a, k, a}}));
}

// A failure without SQLSTATE from the insert must not pass for success.
TEST_F(Relations, AFailureWithoutSqlStateFromTheInsertIsPassedOn) {
  vekdSetErrorSink([](const VekdReport& report, void*) {
    if (report.code == 0x51450058) throw IRStore::OutOfMemory();
  }, nullptr);
  // Both existence checks and the duplicate read run first.
  EXPECT_THROW(store.remove_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get()),
               IRStore::NotExist);  // each query shape described once
  long before = tarn_statement_count();
  EXPECT_THROW(store.remove_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get()),
               IRStore::NotExist);
  long checks = tarn_statement_count() - before;
  tarn_fail_statement(static_cast<int>(checks) + 1, TARN_SQL_DISK_FULL);
  EXPECT_THROW(store.add_reference(handle("IDL:A:1.0").get(), handle("IDL:B:1.0").get()),
               IRStore::OutOfMemory);
  vekdSetErrorSink(nullptr, nullptr);
  EXPECT_EQ(count_rows("IRREFER"), 0);
}

}  // namespace

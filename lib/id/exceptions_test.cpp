#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include <qeloridm/irdb_admin.h>

#include "captured_output.h"
#include "irdb_errors.h"

namespace {

char* owned_text(const char* text) {
  char* copy = new char[std::strlen(text) + 1];
  std::strcpy(copy, text);
  return copy;
}

TEST(StoreExceptions, SubclassesCarryTheirCodesAndStates) {
  EXPECT_EQ(IRStore::Duplicate().code, 1);
  EXPECT_STREQ(IRStore::Duplicate().sqlstate, "23000");
  EXPECT_EQ(IRStore::NotExist().code, 2);
  EXPECT_EQ(IRStore::IncoherentIR().code, 4);
  EXPECT_EQ(IRStore::OutOfMemory().code, 6);
  EXPECT_EQ(IRStore::Unrecoverable().code, 7);
  EXPECT_STREQ(IRStore::Unrecoverable().sqlstate, "00000");
  EXPECT_EQ(IRStore::Unrecoverable().message, nullptr);
  IRSError error(-204, nullptr);
  EXPECT_STREQ(error.sqlstate, "99999");
}

TEST(StoreExceptions, CopyMovesTheMessageSoTheCopySurvivesTheSource) {
  auto source = std::make_unique<IRStore::Exception>(7, "99999", owned_text("the message"));
  IRStore::Exception copy(*source);
  EXPECT_EQ(source->message, nullptr);
  source.reset();
  ASSERT_NE(copy.message, nullptr);
  EXPECT_STREQ(copy.message, "the message");
  EXPECT_EQ(copy.code, 7);
  EXPECT_STREQ(copy.sqlstate, "99999");
}

TEST(StoreExceptions, ThrownByValueTheMessageArrivesOnce) {
  try {
    IRSError error(-911, owned_text("SQL Fetch,    Tarn Message: x"));
    throw error;
  } catch (IRSError& caught) {
    ASSERT_NE(caught.message, nullptr);
    EXPECT_STREQ(caught.message, "SQL Fetch,    Tarn Message: x");
  }
}

TEST(RethrowIfSqlError, ReturnsForExceptionsWithoutSqlState) {
  IRStore::NotExist missing;
  EXPECT_NO_THROW(rethrow_if_sql_error(missing));
}

TEST(RethrowIfSqlError, ReplacesSqlFailuresByAPlainExceptionWithTheSameFields) {
  IRStore::Duplicate duplicate;
  try {
    rethrow_if_sql_error(duplicate);
    FAIL() << "returned";
  } catch (IRStore::Duplicate&) {
    FAIL() << "the subclass must not be kept";
  } catch (IRStore::Exception& plain) {
    EXPECT_EQ(plain.code, 1);
    EXPECT_STREQ(plain.sqlstate, "23000");
  }

  IRStore::Exception failure(7, "99999", owned_text("SQL Fetch,    Tarn Message: gone"));
  try {
    rethrow_if_sql_error(failure);
    FAIL() << "returned";
  } catch (IRStore::Exception& plain) {
    EXPECT_EQ(plain.code, 7);
    EXPECT_STREQ(plain.message, "SQL Fetch,    Tarn Message: gone");
    EXPECT_EQ(failure.message, nullptr);  // moved, not shared
  }
}

TEST(TranslateIrsError, DatabaseFailuresBecomeUnrecoverableWithTheMessageAndAReport) {
  CapturedReports reports;
  IRSError error(-204, owned_text("SQL Prepare,    Tarn Message: no such table"));
  try {
    translate_irs_error(error);
    FAIL() << "returned";
  } catch (IRStore::Unrecoverable& e) {
    EXPECT_EQ(e.code, 7);
    EXPECT_STREQ(e.sqlstate, "99999");
    EXPECT_STREQ(e.message, "SQL Prepare,    Tarn Message: no such table");
  }
  EXPECT_STREQ(error.message, "SQL Prepare,    Tarn Message: no such table");  // copied
  ASSERT_EQ(reports.count(0x51450058), 1);
  const VekdReport report = reports.reports().front();
  EXPECT_EQ(report.file, "lib/id/irdb");
  EXPECT_EQ(report.line, 3506);
  EXPECT_EQ(report.message, 1024);
  EXPECT_EQ(report.inserts,
            (std::vector<std::string>{"99999", "7", "SQL Prepare,    Tarn Message: no such table"}));
}

TEST(TranslateIrsError, WithoutAMessageNothingIsReported) {
  CapturedReports reports;
  IRSError error(-204, nullptr);
  EXPECT_THROW(translate_irs_error(error), IRStore::Unrecoverable);
  EXPECT_EQ(reports.reports().size(), 0u);
}

TEST(StoreExceptions, ALostRaceIsADuplicateKeyOrALockWaitThatTimedOut) {
  EXPECT_TRUE(IRDBAdmin::lost_to_another_writer(IRStore::Duplicate()));
  EXPECT_TRUE(IRDBAdmin::lost_to_another_writer(IRSError(-803, nullptr)));
  EXPECT_TRUE(IRDBAdmin::lost_to_another_writer(IRSError(-911, nullptr)));
  // Translated by the store, the engine's code lives on in its message.
  EXPECT_TRUE(IRDBAdmin::lost_to_another_writer(IRStore::Exception(-1, "40001", owned_text("SQL0911N"))));
  EXPECT_FALSE(IRDBAdmin::lost_to_another_writer(IRStore::NotExist()));
  EXPECT_FALSE(IRDBAdmin::lost_to_another_writer(IRSError(-1225, owned_text("SQL30081N lost"))));
}

}  // namespace

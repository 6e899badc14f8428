// The record classes against real SQLite databases: one row at a time of
// IRREPDAT, IRBUCKET, IRINHER and IRREFER, and the in-memory work set.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrinher.h>
#include <qeloridm/mrrefer.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/mrwork.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class Records : public ::testing::Test {
 protected:
  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  const std::string a = iid_of("IDL:A:1.0");
  const std::string b = iid_of("IDL:B:1.0");
  const std::string c = iid_of("IDL:C:1.0");
};

template <class Record>
void fill(Record& record, const std::string& first, const std::string& second) {
  record.setKey((first + second).c_str());
  if constexpr (std::is_same_v<Record, Irbucket>) {
    record.setBucketiid(first.c_str());
    record.setIid(second.c_str());
  } else if constexpr (std::is_same_v<Record, Irinher>) {
    record.setIid(first.c_str());
    record.setParentiid(second.c_str());
  } else {
    record.setIid(first.c_str());
    record.setRefertoiid(second.c_str());
  }
}

// ---- Relation records -------------------------------------------------------------

template <class Record>
class RelationRecords : public Records {};
using RelationRecordTypes = ::testing::Types<Irbucket, Irinher, Irrefer>;
TYPED_TEST_SUITE(RelationRecords, RelationRecordTypes);

std::string table_of(const Irbucket*) { return "IRBUCKET"; }
std::string table_of(const Irinher*) { return "IRINHER"; }
std::string table_of(const Irrefer*) { return "IRREFER"; }

TYPED_TEST(RelationRecords, RowsAreStoredInColumnOrderAndReadBackByKey) {
  TypeParam record;
  fill(record, this->a, this->b);
  record.add();
  std::string table = table_of(&record);
  Rows rows = query_rows("SELECT * FROM " + table, 3);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{this->a + this->b, this->a, this->b}));

  TypeParam back;
  back.setKey((this->a + this->b).c_str());
  back.retrieve();
  EXPECT_EQ(std::string(back.forDisplay()), this->a + this->b + " " + this->a + " " + this->b);
}

TYPED_TEST(RelationRecords, AddingTheSameKeyTwiceLeavesOneRow) {
  TypeParam first, second;
  fill(first, this->a, this->b);
  first.add();
  fill(second, this->a, this->b);
  try {
    second.add();
    FAIL() << "a duplicate key was added";
  } catch (IRStore::Duplicate& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
    EXPECT_EQ(e.message, nullptr);
  }
  EXPECT_EQ(count_rows(table_of(&first)), 1);
  // (B, A) is another row.
  TypeParam reverse;
  fill(reverse, this->b, this->a);
  EXPECT_NO_THROW(reverse.add());
  EXPECT_EQ(count_rows(table_of(&first)), 2);
}

TYPED_TEST(RelationRecords, DeletingAMissingKeyReadsButDeletesNothing) {
  TypeParam probe;
  probe.setKey((this->a + this->b).c_str());
  EXPECT_THROW(probe.retrieve(), IRStore::NotExist);  // the query's shape described once
  long before = tarn_statement_count();
  EXPECT_THROW(probe.retrieve(), IRStore::NotExist);
  long read_calls = tarn_statement_count() - before;

  TypeParam record;
  record.setKey((this->a + this->b).c_str());
  before = tarn_statement_count();
  try {
    record.del();
    FAIL() << "deleted a missing row";
  } catch (IRStore::NotExist& e) {
    EXPECT_EQ(e.code, 2);
  }
  EXPECT_EQ(tarn_statement_count() - before, read_calls);  // no DELETE ran
}

TYPED_TEST(RelationRecords, DeleteFillsTheRecordWithTheDeletedRow) {
  TypeParam stored;
  fill(stored, this->a, this->b);
  stored.add();
  TypeParam keyed;
  keyed.setKey((this->a + this->b).c_str());
  keyed.del();
  EXPECT_EQ(std::string(keyed.forDisplay()), this->a + this->b + " " + this->a + " " + this->b);
  EXPECT_EQ(count_rows(table_of(&stored)), 0);
}

TYPED_TEST(RelationRecords, UpdateRewritesAnExistingRowOnly) {
  TypeParam missing;
  fill(missing, this->a, this->b);
  EXPECT_THROW(missing.update(), IRStore::NotExist);
  EXPECT_EQ(count_rows(table_of(&missing)), 0);

  TypeParam stored;
  fill(stored, this->a, this->b);
  stored.add();
  TypeParam changed;
  fill(changed, this->a, this->b);
  changed.setKey((this->a + this->b).c_str());
  if constexpr (std::is_same_v<TypeParam, Irbucket>) {
    changed.setIid(this->c.c_str());
  } else if constexpr (std::is_same_v<TypeParam, Irinher>) {
    changed.setParentiid(this->c.c_str());
  } else {
    changed.setRefertoiid(this->c.c_str());
  }
  changed.update();
  Rows rows = query_rows("SELECT * FROM " + table_of(&stored), 3);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][2], this->c);
}

// Another process may delete the row between the update's read of it and
// its UPDATE, which then changes nothing: that is NotExist, not an update.
TYPED_TEST(RelationRecords, AnUpdateWhoseRowWentMeanwhileIsNotExist) {
  TypeParam stored;
  fill(stored, this->a, this->b);
  stored.add();
  TypeParam changed;
  fill(changed, this->a, this->b);
  long before = tarn_statement_count();
  changed.update();
  int calls = static_cast<int>(tarn_statement_count() - before);  // the last: the UPDATE

  tarn_fail_statement(calls, TARN_SQL_NOT_FOUND);
  EXPECT_THROW(changed.update(), IRStore::NotExist);
  tarn_fail_statement(0, 0);
}

TYPED_TEST(RelationRecords, KeysAndIidsWiderThanTheirColumnsAreRefused) {
  TypeParam record;
  EXPECT_THROW(record.setKey(std::string(65, 'k').c_str()), CORBA::BAD_PARAM);
  EXPECT_NO_THROW(record.setKey(std::string(64, 'k').c_str()));
}

TYPED_TEST(RelationRecords, QuotesInKeysAreData) {
  TypeParam other;
  fill(other, this->a, this->b);
  other.add();
  // A key that would end its literal early would match that row.
  TypeParam record;
  record.setKey("k' OR '1' = '1");
  EXPECT_THROW(record.retrieve(), IRStore::NotExist);
  // Full-width values, as the store always writes them.
  std::string first = "it's" + std::string(28, 'a'), second = "x'y" + std::string(29, 'b');
  fill(record, first, second);
  record.add();
  TypeParam back;
  back.setKey((first + second).c_str());
  back.retrieve();
  EXPECT_EQ(std::string(back.forDisplay()), first + second + " " + first + " " + second);
  back.del();
  EXPECT_EQ(count_rows(table_of(&record)), 1);  // the other row only
}

// ---- IRREPDAT rows ----------------------------------------------------------------

TEST_F(Records, AnIrrepdatDuplicateIsRefusedAndLeavesTheRowUnchanged) {
  add_object("IDL:A:1.0", "First", 5, "0a0b");
  Irrepdat again;
  again.setIid(a.c_str());
  again.setRepid("IDL:A:1.0");
  again.setName("Second");
  again.setKind("7");
  again.setStream("ffff");
  try {
    again.add();
    FAIL() << "a duplicate IID was added";
  } catch (IRStore::Duplicate& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
  }
  Irrepdat stored;
  stored.setIid(a.c_str());
  stored.retrieve();
  EXPECT_EQ(std::string(stored.name()).substr(0, 6), "First ");
  EXPECT_STREQ(stored.kind(), "5");
  EXPECT_STREQ(stored.stream(), "0a0b");
}

TEST_F(Records, AnIrrepdatDeleteFillsTheRecordAndAMissingRowIsNotDeleted) {
  add_object("IDL:A:1.0", "Foo", 5, "0a0b");
  Irrepdat keyed;
  keyed.setIid(a.c_str());
  keyed.del();
  EXPECT_STREQ(keyed.repid(), "IDL:A:1.0");
  EXPECT_EQ(std::string(keyed.name()), "Foo" + std::string(251, ' '));
  EXPECT_EQ(count_rows("IRREPDAT"), 0);
  EXPECT_THROW(keyed.del(), IRStore::NotExist);
}

TEST_F(Records, IrrepdatFetchDeliversTheFirstRowOfTheLastQuery) {
  add_object("IDL:A:1.0", "Foo", 5);
  test_session().execute("SELECT * FROM IRREPDAT");
  Irrepdat row;
  EXPECT_EQ(row.fetch(), 1);
  EXPECT_STREQ(row.iid(), a.c_str());
  EXPECT_EQ(row.fetch(), 1);  // mode 0 reopens: the first row again
  test_session().execute("SELECT * FROM IRREPDAT WHERE IID = 'none'");
  EXPECT_EQ(row.fetch(), 0);
}

// ---- The work set -------------------------------------------------------------------

class WorkSet : public Records {
 protected:
  void add(const std::string& iid) {
    Irwork entry;
    entry.setIid(iid.c_str());
    entry.add();
  }
  std::vector<std::string> listed() {
    IRWorkTable table(nullptr, &store);
    std::unique_ptr<IIDList> list(table.list_all(nullptr, false));
    std::vector<std::string> iids;
    for (CORBA::ULong i = 0; i < list->length(); ++i) {
      iids.emplace_back(reinterpret_cast<const char*>((*list)[i].get_buffer()));
    }
    return iids;
  }
  const std::string ia = "a" + std::string(31, '0');
  const std::string ib = "b" + std::string(31, '0');
  const std::string ic = "c" + std::string(31, '0');
};

TEST_F(WorkSet, KeepsIidsInAscendingOrderWithoutRepeats) {
  add(ib);
  add(ia);
  add(ic);
  EXPECT_EQ(listed(), (std::vector<std::string>{ia, ib, ic}));
  Irwork again;
  again.setIid(ib.c_str());
  try {
    again.add();
    FAIL() << "an IID was added twice";
  } catch (IRStore::Duplicate& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
  }
  EXPECT_NO_THROW(again.retrieve());
  EXPECT_NO_THROW(again.update());

  Irwork first;
  first.setIid(ia.c_str());
  first.del();  // the head of the list
  EXPECT_EQ(listed(), (std::vector<std::string>{ib, ic}));
  EXPECT_THROW(first.retrieve(), IRStore::NotExist);
  EXPECT_THROW(first.del(), IRStore::NotExist);
  EXPECT_THROW(first.update(), IRStore::NotExist);
  EXPECT_EQ(first.fetch(), 1);
  EXPECT_STREQ(first.forDisplay(), ia.c_str());

  IRWorkTable table(nullptr, &store);
  table.clear_all();
  EXPECT_TRUE(listed().empty());
  EXPECT_THROW(again.retrieve(), IRStore::NotExist);
}

TEST_F(WorkSet, ListsGrowByTenWithoutLosingAnEntry) {
  for (int i = 22; i >= 0; --i) add(std::string(30, '0') + (i < 10 ? "0" : "") + std::to_string(i));
  std::vector<std::string> iids = listed();
  ASSERT_EQ(iids.size(), 23u);
  for (int i = 0; i < 23; ++i) {
    EXPECT_EQ(iids[i], std::string(30, '0') + (i < 10 ? "0" : "") + std::to_string(i));
  }
}

}  // namespace

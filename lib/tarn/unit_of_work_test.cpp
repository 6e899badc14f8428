// The unit of work: nothing is committed without COMMIT, and what a unit
// of work holds is released by COMMIT, ROLLBACK, CONNECT RESET and the end
// of its context.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "test_support.h"

namespace tarn_test {
namespace {

class UnitOfWorkTest : public TarnTest {
 protected:
  // The objects that the tests' relation rows name: the schema refuses to
  // commit a relation to an object that is not stored.
  void SetUp() override {
    connect_test_database();
    for (const char* iid : {"b", "i", "p", "r"}) {
      ASSERT_SQLCODE(0, execute(std::string("INSERT INTO IRREPDAT VALUES ('") + iid + "', NULL, 'N', '5', NULL)"));
    }
    ASSERT_SQLCODE(0, commit());
  }

  // Runs steps on another thread, in a context of its own connected to the
  // test database, the way a second session would.
  static void in_other_context(const std::function<void()>& steps) {
    std::thread([&] {
      Context context;
      context.attach();
      sqlca ca = connect("TESTDB");
      EXPECT_SQLCODE(0, ca);
      if (ca.sqlcode == 0) steps();
    }).join();
  }

  static size_t count(const char* table) {
    sqlca ca{};
    auto rows = query(std::string("SELECT KEYFIELD FROM ") + table, &ca);
    EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, ca);
    return rows.size();
  }
};

TEST_F(UnitOfWorkTest, ChangesAreSeenByOthersOnlyAfterCommit) {
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  EXPECT_EQ(1u, count("IRBUCKET"));  // its own changes are visible to the writer
  in_other_context([] { EXPECT_EQ(0u, count("IRBUCKET")); });
  ASSERT_SQLCODE(0, commit());
  in_other_context([] { EXPECT_EQ(1u, count("IRBUCKET")); });
}

TEST_F(UnitOfWorkTest, ReadsOutsideAUnitOfWorkSeeTheLatestCommit) {
  EXPECT_EQ(0u, count("IRINHER"));
  in_other_context([] {
    ASSERT_SQLCODE(0, execute("INSERT INTO IRINHER VALUES ('k1', 'i', 'p')"));
    ASSERT_SQLCODE(0, commit());
  });
  EXPECT_EQ(1u, count("IRINHER"));
}

TEST_F(UnitOfWorkTest, RollbackDiscardsAndEmptyEndsSucceed) {
  EXPECT_SQLCODE(0, commit());
  EXPECT_SQLCODE(0, rollback());
  ASSERT_SQLCODE(0, execute("INSERT INTO IRREFER VALUES ('k1', 'i', 'r')"));
  EXPECT_SQLCODE(0, rollback());
  EXPECT_EQ(0u, count("IRREFER"));
  EXPECT_SQLCODE(0, rollback());
}

TEST_F(UnitOfWorkTest, EndingAContextOrConnectionRollsBackAndFreesTheLock) {
  using Clock = std::chrono::steady_clock;
  in_other_context([] { ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')")); });
  in_other_context([] {
    ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k2', 'b', 'i')"));
    sqlca ca{};
    tarn_disconnect(&ca);
    EXPECT_SQLCODE(0, ca);
  });
  // A writer left behind would hold the lock for the whole busy timeout.
  auto start = Clock::now();
  EXPECT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k3', 'b', 'i')"));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_SQLCODE(0, commit());
  EXPECT_EQ(1u, count("IRBUCKET"));
}

TEST_F(UnitOfWorkTest, SecondWriterWaitsForTheFirstToCommit) {
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  std::atomic<bool> second_written{false};
  sqlca second{};
  std::thread writer([&] {
    Context context;
    context.attach();
    if (connect("TESTDB").sqlcode != 0) return;
    second = execute("INSERT INTO IRBUCKET VALUES ('k2', 'b', 'i')");
    second_written = true;
    commit();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(second_written);
  ASSERT_SQLCODE(0, commit());
  writer.join();
  EXPECT_SQLCODE(0, second);
  EXPECT_EQ(2u, count("IRBUCKET"));
}

// A second writer (another process, on a server) may destroy an object
// while this unit of work relates something to it: the commit is refused
// and nothing of the unit of work stays.
TEST_F(UnitOfWorkTest, ACommitThatWouldLeaveARelationToAMissingObjectIsRefusedWhole) {
  ASSERT_SQLCODE(0, execute("INSERT INTO IRREPDAT VALUES ('n', NULL, 'N', '5', NULL)"));
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'gone')"));
  EXPECT_SQLCODE(TARN_SQL_CONSTRAINT, commit());
  EXPECT_EQ(0u, count("IRBUCKET"));
  sqlca ca{};
  EXPECT_EQ(0u, query("SELECT IID FROM IRREPDAT WHERE IID = 'n'", &ca).size());

  ASSERT_SQLCODE(0, execute("INSERT INTO IRREFER VALUES ('k1', 'i', 'r')"));
  ASSERT_SQLCODE(0, commit());
  ASSERT_SQLCODE(0, execute("DELETE FROM IRREPDAT WHERE IID = 'r'"));
  EXPECT_SQLCODE(TARN_SQL_CONSTRAINT, commit());
  EXPECT_EQ(1u, query("SELECT IID FROM IRREPDAT WHERE IID = 'r'", &ca).size());
  // The next unit of work starts clean.
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k2', 'b', 'i')"));
  EXPECT_SQLCODE(0, commit());
  EXPECT_EQ(1u, count("IRBUCKET"));
}

}  // namespace
}  // namespace tarn_test

namespace tarn_test {
namespace {

// Queries may share one read transaction while the caller asks for it:
// on SQLite (where these tests run) that spares each query its own taking
// and releasing of locks.
class SharedReadsTest : public UnitOfWorkTest {
 protected:
  void TearDown() override { tarn_share_reads(0); }
};

TEST_F(SharedReadsTest, QueriesShareOneTransactionUntilSharingEnds) {
  EXPECT_EQ(0, tarn_share_reads(1));
  EXPECT_EQ(0u, count("IRINHER"));
  EXPECT_EQ(1, tarn_reading());
  // What another connection commits meanwhile is not seen by the shared
  // reads (one snapshot), and is seen once sharing has ended.
  in_other_context([] {
    ASSERT_SQLCODE(0, execute("INSERT INTO IRINHER VALUES ('k1', 'i', 'p')"));
    ASSERT_SQLCODE(0, commit());
  });
  EXPECT_EQ(0u, count("IRINHER"));
  EXPECT_EQ(0, tarn_share_reads(0));
  EXPECT_EQ(0, tarn_reading());
  EXPECT_EQ(1u, count("IRINHER"));
}

// A change ends the shared reads before it runs: the unit of work begins
// as it would have, so a commit another connection made meanwhile is no
// obstacle, and the change waits for its COMMIT.
TEST_F(SharedReadsTest, AChangeBeginsTheUnitOfWorkAfresh) {
  tarn_share_reads(1);
  EXPECT_EQ(0u, count("IRREFER"));
  in_other_context([] {
    ASSERT_SQLCODE(0, execute("INSERT INTO IRREFER VALUES ('k1', 'i', 'r')"));
    ASSERT_SQLCODE(0, commit());
  });
  ASSERT_SQLCODE(0, execute("INSERT INTO IRREFER VALUES ('k2', 'r', 'i')"));
  EXPECT_EQ(0, tarn_reading());
  EXPECT_EQ(2u, count("IRREFER"));
  in_other_context([] { EXPECT_EQ(1u, count("IRREFER")); });
  ASSERT_SQLCODE(0, rollback());
  EXPECT_EQ(1u, count("IRREFER"));
}

TEST_F(SharedReadsTest, ACommitOrRollbackEndsThem) {
  for (auto end : {&commit, &rollback}) {
    tarn_share_reads(1);
    count("IRBUCKET");
    ASSERT_SQLCODE(0, end());
    EXPECT_EQ(0, tarn_reading());
    tarn_share_reads(0);
  }
}

}  // namespace
}  // namespace tarn_test

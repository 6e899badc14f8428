// The SQLite backend and the schema, through the backend interface.
#include "sqlite_backend.h"

#include <pthread.h>

#include <fstream>

#include "codes.h"
#include "test_support.h"

namespace tarn_test {
namespace {

using tarn::Connection;
using tarn::EngineError;

class SqliteBackendTest : public ::testing::Test {
 protected:
  SqliteBackendTest() : path_((home_.path() / "db.sqlite").string()) {}

  // A new database with the store's tables.
  std::unique_ptr<Connection> created() {
    EXPECT_TRUE(tarn::create_sqlite_database(path_));
    auto connection = tarn::open_sqlite(path_);
    connection->run_script(store_schema("sqlite"));
    return connection;
  }

  // The first column of the first row of a query.
  static std::optional<std::string> value(Connection& connection, const std::string& text) {
    auto statement = connection.prepare(text);
    if (!statement->step()) return std::nullopt;
    std::optional<std::string_view> text_value = statement->column_text(0);
    return text_value ? std::optional<std::string>(*text_value) : std::nullopt;
  }

  // The SQLCODE a statement fails with (0 when it runs).
  static int32_t failure_of(Connection& connection, const std::string& text) {
    try {
      auto statement = connection.prepare(text);
      while (statement->step()) {
      }
      return 0;
    } catch (const EngineError& error) {
      EXPECT_EQ(5u, error.sqlstate.size());
      EXPECT_FALSE(error.message.empty());
      return error.sqlcode;
    }
  }

  TempHome home_;
  std::string path_;
};

TEST_F(SqliteBackendTest, CreatesOnceAndNeverOnOpen) {
  EXPECT_THROW(
      try { tarn::open_sqlite(path_); } catch (const EngineError& error) {
        EXPECT_EQ(TARN_SQL_ALIAS_NOT_FOUND, error.sqlcode);
        EXPECT_NE(std::string::npos, error.message.find(path_));
        throw;
      },
      EngineError);
  EXPECT_FALSE(fs::exists(path_));

  std::string nested = (home_.path() / "a" / "b" / "db.sqlite").string();
  EXPECT_TRUE(tarn::create_sqlite_database(nested));
  auto connection = tarn::open_sqlite(nested);
  EXPECT_EQ("0", value(*connection, "SELECT count(*) FROM sqlite_schema"));  // empty: no tables of its own
  connection->run_script("CREATE TABLE T (X CHAR(1)); INSERT INTO T VALUES ('x')");
  EXPECT_FALSE(tarn::create_sqlite_database(nested));
  EXPECT_EQ("1", value(*connection, "SELECT count(*) FROM T"));
  EXPECT_EQ("wal", value(*connection, "PRAGMA journal_mode"));
}

TEST_F(SqliteBackendTest, EveryLookupColumnHasAnIndex) {
  auto connection = created();
  for (const char* lookup : {"IRREPDAT WHERE IID", "IRBUCKET WHERE KEYFIELD", "IRBUCKET WHERE BUCKETIID",
                             "IRBUCKET WHERE IID", "IRINHER WHERE KEYFIELD", "IRINHER WHERE IID",
                             "IRINHER WHERE PARENTIID", "IRREFER WHERE KEYFIELD", "IRREFER WHERE IID",
                             "IRREFER WHERE REFERTOIID"}) {
    auto plan = connection->prepare(std::string("EXPLAIN QUERY PLAN SELECT * FROM ") + lookup + " = 'x'");
    ASSERT_TRUE(plan->step());
    std::string detail(*plan->column_text(3));
    EXPECT_EQ(0u, detail.find("SEARCH")) << lookup << ": " << detail;
  }
}

TEST_F(SqliteBackendTest, FileThatIsNoDatabaseFailsToOpen) {
  std::ofstream(path_) << "this is not a database, not even close to one............................";
  EXPECT_THROW(tarn::open_sqlite(path_), EngineError);
}

TEST_F(SqliteBackendTest, NameIsPaddedToItsWidthByEveryWriter) {
  auto connection = created();
  connection->run_script("INSERT INTO IRREPDAT VALUES ('i1', NULL, 'Foo', '5', NULL)");
  EXPECT_EQ("Foo" + std::string(251, ' '), value(*connection, "SELECT NAME FROM IRREPDAT"));
  connection->run_script("UPDATE IRREPDAT SET NAME = 'Quux' WHERE IID = 'i1'");
  EXPECT_EQ("Quux" + std::string(250, ' '), value(*connection, "SELECT NAME FROM IRREPDAT"));
  // Padding counts bytes: a two-byte character leaves 252 blanks.
  connection->run_script("UPDATE IRREPDAT SET NAME = 'é' WHERE IID = 'i1'");
  EXPECT_EQ("254", value(*connection, "SELECT length(CAST(NAME AS BLOB)) FROM IRREPDAT"));
}

TEST_F(SqliteBackendTest, DeclaredWidthsAreEnforced) {
  auto connection = created();
  std::string long_name(255, 'n');
  EXPECT_EQ(TARN_SQL_CONSTRAINT,
            failure_of(*connection, "INSERT INTO IRREPDAT VALUES ('i', NULL, '" + long_name + "', '5', NULL)"));
  EXPECT_EQ(TARN_SQL_CONSTRAINT,
            failure_of(*connection, "INSERT INTO IRREPDAT VALUES ('i', NULL, 'n', '1234567890123', NULL)"));
  EXPECT_EQ(TARN_SQL_CONSTRAINT,
            failure_of(*connection, "INSERT INTO IRBUCKET VALUES ('" + std::string(65, 'k') + "', 'b', 'i')"));
  EXPECT_EQ(0, failure_of(*connection, "INSERT INTO IRREPDAT VALUES ('" + std::string(32, 'i') +
                                           "', NULL, '" + std::string(254, 'n') + "', '123456789012', NULL)"));
}

TEST_F(SqliteBackendTest, UcaseChangesOnlyAsciiLetters) {
  auto connection = created();
  EXPECT_EQ("ABC_Z 9 \xc3\xa9  ", value(*connection, "SELECT UCASE('abc_z 9 \xc3\xa9  ')"));
  EXPECT_EQ(std::nullopt, value(*connection, "SELECT UCASE(NULL)"));
  EXPECT_EQ("12", value(*connection, "SELECT UCASE(12)"));
}

TEST_F(SqliteBackendTest, ErrorsCarryTheirSqlcodes) {
  auto connection = created();
  connection->run_script(
      "INSERT INTO IRREPDAT VALUES ('b', NULL, 'B', '5', NULL), ('i', NULL, 'I', '5', NULL);"
      "INSERT INTO IRBUCKET VALUES ('k', 'b', 'i')");
  EXPECT_EQ(TARN_SQL_DUPLICATE_KEY, failure_of(*connection, "INSERT INTO IRBUCKET VALUES ('k', 'x', 'y')"));
  EXPECT_EQ(TARN_SQL_CONSTRAINT, failure_of(*connection, "INSERT INTO IRBUCKET VALUES ('k2', NULL, 'y')"));
  EXPECT_EQ(TARN_SQL_UNDEFINED_NAME, failure_of(*connection, "SELECT * FROM NOTHERE"));
  EXPECT_EQ(TARN_SQL_UNDEFINED_NAME, failure_of(*connection, "SELECT NOCOLUMN FROM IRBUCKET"));
  EXPECT_EQ(TARN_SQL_SYNTAX_ERROR, failure_of(*connection, "SELEC * FROM IRBUCKET"));
  EXPECT_EQ(TARN_SQL_SYNTAX_ERROR, failure_of(*connection, "   "));
  // A second statement would run unseen; it is refused whole.
  EXPECT_EQ(TARN_SQL_SYNTAX_ERROR, failure_of(*connection, "DELETE FROM IRBUCKET; DROP TABLE IRREPDAT"));
  EXPECT_EQ("1", value(*connection, "SELECT count(*) FROM IRBUCKET"));
  EXPECT_EQ(0, failure_of(*connection, "DELETE FROM IRINHER; -- comment only"));
}

TEST_F(SqliteBackendTest, WriterThatWaitsTooLongTimesOut) {
  created();
  auto first = tarn::open_sqlite(path_);
  auto second = tarn::open_sqlite(path_, tarn::SqliteOptions{std::chrono::milliseconds(50)});
  first->begin();
  try {
    second->begin();
    ADD_FAILURE() << "the second writer got the lock";
  } catch (const EngineError& error) {
    EXPECT_EQ(TARN_SQL_TIMEOUT, error.sqlcode);
    EXPECT_EQ("40001", error.sqlstate);
  }
  first->rollback();
  second->begin();
  EXPECT_TRUE(second->in_transaction());
}

// The stack tarn_required_stack_size asks for carries an expression as deep
// as SQLite allows.
TEST_F(SqliteBackendTest, RequiredStackRunsDeepStatements) {
  created();
  struct Job {
    std::string path;
    std::optional<std::string> result;
  } job{path_, std::nullopt};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, static_cast<size_t>(tarn_required_stack_size()));
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    auto* job = static_cast<Job*>(argument);
    std::string text = "SELECT 0";
    for (int i = 0; i < 990; ++i) text += " + 1";
    try {
      auto connection = tarn::open_sqlite(job->path);
      job->result = value(*connection, text);
    } catch (const EngineError& error) {
      job->result = error.message;
    }
    return nullptr;
  };
  ASSERT_EQ(0, pthread_create(&thread, &attributes, run, &job));
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ("990", job.result);
}

}  // namespace
}  // namespace tarn_test

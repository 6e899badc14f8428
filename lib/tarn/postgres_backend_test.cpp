// The PostgreSQL backend through the engine's calls, on the test server
// (skipped without one): creating databases, the schema, the unit of work
// and statement-level atomicity, errors, and lost connections. Where
// SQLite is the reference, the same statements run on both engines.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "pg_test_server.h"
#include "test_support.h"

namespace tarn_test {
namespace {

class PgBackendTest : public TarnTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_POSTGRESQL();
    database_ = pg_test_server::unique_database_name();
    home_.write_catalog("TESTDB postgresql " + std::string(pg_test_server::conninfo()) +
                        " dbname=" + database_ + "\nLITE sqlite lite.sqlite\n");
  }
  void TearDown() override {
    sqlca ca{};
    tarn_disconnect(&ca);
    if (!database_.empty()) pg_test_server::drop_database(database_);
  }

  void connect_created(const std::string& alias = "TESTDB") {
    ASSERT_SQLCODE(0, create_database(alias));
    ASSERT_SQLCODE(0, connect(alias));
  }
  void reconnect(const std::string& alias) {
    sqlca ca{};
    tarn_disconnect(&ca);
    ASSERT_SQLCODE(0, connect(alias));
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

  static std::vector<Row> rows(const std::string& text) {
    sqlca ca{};
    std::vector<Row> found = query(text, &ca);
    EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, ca) << text;
    return found;
  }
  static size_t count(const std::string& table) { return rows("SELECT KEYFIELD FROM " + table).size(); }
  // Relation rows must name stored objects when they are committed.
  static void insert_objects(std::initializer_list<const char*> iids) {
    for (const char* iid : iids)
      ASSERT_SQLCODE(0, execute("INSERT INTO IRREPDAT VALUES ('" + std::string(iid) + "', NULL, 'N', '5', NULL)"));
  }

  std::string database_;
};

// ---- Creating a database -----------------------------------------------------

TEST_F(PgBackendTest, CreatesTheDatabaseAndItsTablesOnceAndNothingOnConnect) {
  EXPECT_SQLCODE(TARN_SQL_ALIAS_NOT_FOUND, connect("TESTDB"));
  EXPECT_FALSE(pg_test_server::database_exists(database_));
  sqlca created = create_database("TESTDB");
  EXPECT_SQLCODE(0, created);
  EXPECT_EQ("PGSQL", std::string(created.sqlerrp));
  EXPECT_TRUE(pg_test_server::database_exists(database_));
  ASSERT_SQLCODE(0, connect("TESTDB"));
  insert_objects({"i", "p"});
  ASSERT_SQLCODE(0, execute("INSERT INTO IRINHER VALUES ('k', 'i', 'p')"));
  ASSERT_SQLCODE(0, commit());
  EXPECT_SQLCODE(1, create_database("TESTDB"));
  EXPECT_EQ(1u, count("IRINHER"));
  // Databases are made byte-transparent and byte-ordered, as SQLite files are.
  EXPECT_EQ((pg_test_server::Rows{{"SQL_ASCII", "C"}}),
            pg_test_server::admin("SELECT pg_encoding_to_char(encoding), datcollate FROM pg_database "
                                  "WHERE datname = " + pg_test_server::literal(database_)));
}

TEST_F(PgBackendTest, CreatorsOfOneDatabaseAtOnceAllSucceed) {
  std::vector<sqlca> results(4);
  std::vector<std::thread> creators;
  for (sqlca& result : results) creators.emplace_back([&result] { result = create_database("TESTDB"); });
  for (std::thread& creator : creators) creator.join();
  EXPECT_EQ(1, std::count_if(results.begin(), results.end(), [](const sqlca& ca) { return ca.sqlcode == 0; }));
  for (const sqlca& ca : results) EXPECT_TRUE(ca.sqlcode == 0 || ca.sqlcode == 1) << message_of(ca);
}

// Every lookup column is indexed: a lookup costs O(log n) however large the
// repository grows.
TEST_F(PgBackendTest, EveryKeyAndIidColumnHasAnIndex) {
  ASSERT_SQLCODE(0, create_database("TESTDB"));
  pg_test_server::Rows indexed = pg_test_server::admin(
      "SELECT upper(t.relname) || '.' || upper(a.attname) FROM pg_index i "
      "JOIN pg_class t ON t.oid = i.indrelid JOIN pg_attribute a ON a.attrelid = t.oid "
      "AND a.attnum = i.indkey[0] ORDER BY 1",
      database_);
  for (const char* column : {"IRREPDAT.IID", "IRBUCKET.KEYFIELD", "IRBUCKET.BUCKETIID", "IRBUCKET.IID",
                             "IRINHER.KEYFIELD", "IRINHER.IID", "IRINHER.PARENTIID", "IRREFER.KEYFIELD",
                             "IRREFER.IID", "IRREFER.REFERTOIID"})
    EXPECT_NE(indexed.end(), std::find(indexed.begin(), indexed.end(), std::vector<std::string>{column}))
        << column;
}

// ---- The same answers as SQLite ------------------------------------------------

class PgParityTest : public PgBackendTest {
 protected:
  void SetUp() override {
    PgBackendTest::SetUp();
    if (IsSkipped()) return;
    for (const char* alias : {"LITE", "TESTDB"}) {
      reconnect_created(alias);
      for (const char* name : {"Foo", "FooBar", "foo", "FOO", "a\\b", "a_b", "axb", "it's"}) {
        std::string letter(1, static_cast<char>('a' + names_++ % 26));
        ASSERT_SQLCODE(0, insert_object({iid(letter[0]), "IDL:" + std::string(name) + ":1.0", name, "5", "00"}));
      }
      ASSERT_SQLCODE(0, commit());
    }
  }
  void reconnect_created(const char* alias) {
    sqlca ca{};
    tarn_disconnect(&ca);
    connect_created(alias);
  }

  // The names a WHERE clause finds on an engine, in name order.
  std::vector<Row> names(const char* alias, const std::string& where) {
    reconnect(alias);
    return rows("SELECT NAME FROM IRREPDAT WHERE " + where + " ORDER BY NAME");
  }
  // What a query answers on both engines, which must agree.
  std::vector<Row> both(const std::string& where) {
    std::vector<Row> lite = names("LITE", where);
    std::vector<Row> pg = names("TESTDB", where);
    EXPECT_EQ(lite, pg) << where;
    return pg;
  }
  static Row padded(const std::string& name) { return {name + std::string(254 - name.size(), ' ')}; }
  static std::string pattern(const std::string& text) { return "'" + text + std::string(254 - text.size(), ' ') + "'"; }

  int names_ = 0;
};

TEST_F(PgParityTest, NamesArePaddedAndLikeMatchesThePaddedName) {
  EXPECT_EQ((std::vector<Row>{padded("Foo")}), both("NAME LIKE " + pattern("Foo")));
  EXPECT_EQ((std::vector<Row>{padded("Foo"), padded("FooBar")}), both("NAME LIKE 'Foo%'"));
  EXPECT_EQ(std::vector<Row>{}, both("NAME LIKE '%o'"));
  EXPECT_EQ(std::vector<Row>{}, both("NAME LIKE 'Foo'"));
  EXPECT_EQ((std::vector<Row>{padded("FOO"), padded("Foo"), padded("foo")}),
            both("UCASE(NAME) LIKE " + pattern("FOO")));
  EXPECT_EQ((std::vector<Row>{padded("FOO"), padded("Foo"), padded("FooBar"), padded("foo")}),
            both("UCASE(NAME) LIKE 'FOO%'"));
}

// A backslash is an ordinary character and '_' any one character, on both.
TEST_F(PgParityTest, LikeHasNoEscapeCharacter) {
  EXPECT_EQ((std::vector<Row>{padded("a\\b")}), both("NAME LIKE " + pattern("a\\b")));
  EXPECT_EQ((std::vector<Row>{padded("a\\b"), padded("a_b"), padded("axb")}), both("NAME LIKE " + pattern("a_b")));
  EXPECT_EQ(std::vector<Row>{}, both("NAME LIKE " + pattern("a\\_b")));
  EXPECT_EQ((std::vector<Row>{padded("a\\b")}), both("NAME LIKE 'a\\%'"));
  EXPECT_EQ((std::vector<Row>{padded("it's")}), both("NAME LIKE 'it''s%'"));
}

TEST_F(PgParityTest, BoundPatternsMatchAsLiteralsDo) {
  for (const char* alias : {"LITE", "TESTDB"}) {
    reconnect(alias);
    // A static statement binds the pattern as a host variable.
    std::string value = "Foo" + std::string(251, ' ');
    std::vector<char> field(value.begin(), value.end());
    field.push_back('\0');
    tarn_input* vars = tarn_input_alloc(1);
    tarn_input_set(vars, 0, TARN_CSTRING, 255, field.data(), nullptr);
    sqlca ca{};
    tarn_execute_static(7, "UPDATE IRREPDAT SET KIND = '9' WHERE NAME LIKE ?", vars, &ca);
    tarn_input_free(vars);
    EXPECT_SQLCODE(0, ca) << alias;
    EXPECT_EQ(1, ca.sqlerrd[2]) << alias;
    ASSERT_SQLCODE(0, rollback());
  }
}

TEST_F(PgParityTest, UcaseKeepsThePaddingAndChangesOnlyAsciiLetters) {
  reconnect("TESTDB");
  EXPECT_EQ((std::vector<Row>{{"FOOBAR" + std::string(248, ' ')}}),
            rows("SELECT UCASE(NAME) FROM IRREPDAT WHERE NAME LIKE 'FooB%'"));
  EXPECT_EQ((std::vector<Row>{{"ABC_Z 9 \xc3\xa9  "}}), rows("SELECT UCASE('abc_z 9 \xc3\xa9  ')"));
  EXPECT_EQ((std::vector<Row>{{std::nullopt}}), rows("SELECT UCASE(NULL)"));
}

TEST_F(PgParityTest, DescribeGivesTheSameTypesWidthsNullabilityAndNames) {
  for (const char* table : {"IRREPDAT", "IRBUCKET", "IRINHER", "IRREFER"}) {
    std::string text = std::string("SELECT * FROM ") + table;
    std::vector<std::vector<int>> described[2];
    std::vector<std::string> names[2];
    for (int engine = 0; engine < 2; ++engine) {
      reconnect(engine == 0 ? "LITE" : "TESTDB");
      sqlca ca{};
      tarn_prepare(1, text.c_str(), &ca);
      ASSERT_SQLCODE(0, ca);
      BoundSqlda da(1);
      ASSERT_SQLCODE(0, da.describe_result());
      for (int i = 0; i < da.get()->sqld; ++i) {
        const sqlvar& var = da.get()->sqlvar[i];
        described[engine].push_back({var.sqltype, var.sqllen});
        names[engine].emplace_back(var.sqlname.data, static_cast<size_t>(var.sqlname.length));
      }
    }
    EXPECT_EQ(described[0], described[1]) << table;
    EXPECT_EQ(names[0], names[1]) << table;
  }
}

// ---- Statements and their errors ------------------------------------------------

TEST_F(PgBackendTest, ErrorsCarryTheirSqlcodesAndTheServersText) {
  connect_created();
  insert_objects({"b", "i"});
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k', 'b', 'i')"));
  ASSERT_SQLCODE(0, commit());
  sqlca duplicate = execute("INSERT INTO IRBUCKET VALUES ('k', 'x', 'y')");
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, duplicate);
  EXPECT_EQ("23505", std::string(duplicate.sqlstate, 5));
  EXPECT_NE(nullptr, std::strstr(duplicate.sqlerrmc, "duplicate key")) << duplicate.sqlerrmc;
  EXPECT_SQLCODE(TARN_SQL_CONSTRAINT, execute("INSERT INTO IRBUCKET VALUES ('k2', NULL, 'y')"));
  EXPECT_SQLCODE(TARN_SQL_CONSTRAINT, execute("INSERT INTO IRBUCKET VALUES ('" + std::string(65, 'k') + "', 'b', 'i')"));
  EXPECT_SQLCODE(TARN_SQL_CONSTRAINT,
                 execute("INSERT INTO IRREPDAT VALUES ('i', NULL, '" + std::string(255, 'n') + "', '5', NULL)"));
  EXPECT_SQLCODE(TARN_SQL_UNDEFINED_NAME, execute("SELECT * FROM NOTHERE"));
  EXPECT_SQLCODE(TARN_SQL_UNDEFINED_NAME, execute("SELECT NOCOLUMN FROM IRBUCKET"));
  EXPECT_SQLCODE(TARN_SQL_UNDEFINED_NAME, execute("SELECT NOFUNCTION(IID) FROM IRBUCKET"));
  EXPECT_SQLCODE(TARN_SQL_SYNTAX_ERROR, execute("SELEC * FROM IRBUCKET"));
  EXPECT_SQLCODE(TARN_SQL_SYNTAX_ERROR, execute("   "));
  // A second statement would run unseen; it is refused whole.
  EXPECT_SQLCODE(TARN_SQL_SYNTAX_ERROR, execute("DELETE FROM IRBUCKET; DROP TABLE IRREPDAT"));
  EXPECT_SQLCODE(0, commit());
  EXPECT_EQ(1u, count("IRBUCKET"));
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, execute("DELETE FROM IRINHER; -- comment only"));
}

TEST_F(PgBackendTest, ChangingNoRowIsOneHundredAndRowsAreCounted) {
  connect_created();
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, execute("UPDATE IRBUCKET SET IID = 'x' WHERE KEYFIELD = 'none'"));
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, execute("DELETE FROM IRBUCKET"));
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k2', 'b', 'i')"));
  sqlca deleted = execute("DELETE FROM IRBUCKET WHERE BUCKETIID = 'b'");
  EXPECT_SQLCODE(0, deleted);
  EXPECT_EQ(2, deleted.sqlerrd[2]);
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, update_object({iid('z'), "IDL:Z:1.0", "Z", "5", "00"}));
}

TEST_F(PgBackendTest, StaticStatementsWriteEveryColumnAndNulls) {
  connect_created();
  ASSERT_SQLCODE(0, insert_object({iid('a'), "IDL:Foo:1.0", "Foo", "5", std::string(32700, 'f')}));
  ASSERT_SQLCODE(0, update_object({iid('a'), "IDL:Foo:1.1", "Bar", "7", "00ff"}));
  EXPECT_EQ((std::vector<Row>{{iid('a'), "IDL:Foo:1.1", "Bar" + std::string(251, ' '), "7", "00ff"}}),
            rows("SELECT * FROM IRREPDAT"));
  ASSERT_SQLCODE(0, execute("INSERT INTO IRREPDAT VALUES ('" + iid('b') + "', NULL, 'N', '5', NULL)"));
  EXPECT_EQ((std::vector<Row>{{std::nullopt, std::nullopt}}),
            rows("SELECT REPID, STREAM FROM IRREPDAT WHERE IID = '" + iid('b') + "'"));
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, insert_object({iid('a'), "IDL:Foo:1.0", "Foo", "5", "00"}));
  // A value PostgreSQL cannot hold is refused, not stored cut short.
  sqlca with_nul = insert_object({iid('c'), std::string("IDL:A\0B:1.0", 11), "A", "5", "00"});
  EXPECT_SQLCODE(TARN_SQL_ENGINE_ERROR, with_nul);
  EXPECT_EQ(0u, rows("SELECT IID FROM IRREPDAT WHERE IID = '" + iid('c') + "'").size());
}

// ---- The unit of work ------------------------------------------------------------

TEST_F(PgBackendTest, ChangesAreSeenByOthersOnlyAfterCommitAndReadsSeeTheLatestCommit) {
  connect_created();
  insert_objects({"b", "i", "p"});
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  EXPECT_EQ(1u, count("IRBUCKET"));
  in_other_context([] { EXPECT_EQ(0u, count("IRBUCKET")); });
  ASSERT_SQLCODE(0, commit());
  in_other_context([] { EXPECT_EQ(1u, count("IRBUCKET")); });

  EXPECT_EQ(0u, count("IRINHER"));
  in_other_context([] {
    ASSERT_SQLCODE(0, execute("INSERT INTO IRINHER VALUES ('k1', 'i', 'p')"));
    ASSERT_SQLCODE(0, commit());
  });
  EXPECT_EQ(1u, count("IRINHER"));
}

TEST_F(PgBackendTest, RollbackDiscardsAndEndingTheConnectionRollsBack) {
  connect_created();
  EXPECT_SQLCODE(0, commit());
  EXPECT_SQLCODE(0, rollback());
  ASSERT_SQLCODE(0, execute("INSERT INTO IRREFER VALUES ('k1', 'i', 'r')"));
  EXPECT_SQLCODE(0, rollback());
  EXPECT_EQ(0u, count("IRREFER"));
  in_other_context([] {
    ASSERT_SQLCODE(0, execute("INSERT INTO IRREFER VALUES ('k2', 'i', 'r')"));
    sqlca ca{};
    tarn_disconnect(&ca);
  });
  EXPECT_EQ(0u, count("IRREFER"));
}

// PostgreSQL would abort the whole transaction on any failed statement;
// the engine keeps the unit of work as it was, as on SQLite.
TEST_F(PgBackendTest, AFailedStatementLeavesTheUnitOfWorkAsItWas) {
  connect_created();
  insert_objects({"b", "i"});
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k0', 'b', 'i')"));
  ASSERT_SQLCODE(0, commit());
  // The failure comes first in its unit of work ...
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, execute("INSERT INTO IRBUCKET VALUES ('k0', 'b', 'i')"));
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  // ... or in the middle, at PREPARE, at EXECUTE or in a static statement.
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  EXPECT_SQLCODE(TARN_SQL_UNDEFINED_NAME, execute("DELETE FROM NOTHERE"));
  EXPECT_SQLCODE(TARN_SQL_SYNTAX_ERROR, execute("INSERT INTO"));
  ASSERT_SQLCODE(0, insert_object({iid('a'), "IDL:A:1.0", "A", "5", "00"}));
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, insert_object({iid('a'), "IDL:A:1.0", "A", "5", "00"}));
  sqlca ca{};
  query("SELECT * FROM NOTHERE", &ca);
  EXPECT_SQLCODE(TARN_SQL_UNDEFINED_NAME, ca);
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k2', 'b', 'i')"));
  ASSERT_SQLCODE(0, commit());
  EXPECT_EQ((std::vector<Row>{{std::string("k0") + std::string(62, ' ')},
                              {std::string("k1") + std::string(62, ' ')},
                              {std::string("k2") + std::string(62, ' ')}}),
            rows("SELECT KEYFIELD FROM IRBUCKET ORDER BY KEYFIELD"));
  EXPECT_EQ(1u, rows("SELECT IID FROM IRREPDAT WHERE IID = '" + iid('a') + "'").size());
}

TEST_F(PgBackendTest, ASecondWriterOfTheSameKeyWaitsThenGetsTheDuplicate) {
  connect_created();
  insert_objects({"b", "i"});
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  std::atomic<bool> second_done{false};
  sqlca second{};
  std::thread writer([&] {
    Context context;
    context.attach();
    if (connect("TESTDB").sqlcode != 0) return;
    second = execute("INSERT INTO IRBUCKET VALUES ('k1', 'x', 'y')");
    second_done = true;
    rollback();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(second_done);
  ASSERT_SQLCODE(0, commit());
  writer.join();
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, second);
  EXPECT_EQ(1u, count("IRBUCKET"));
}

// A lock wait that times out ends the unit of work, as -911 promises.
TEST_F(PgBackendTest, ALockTimeoutRollsTheUnitOfWorkBack) {
  connect_created();
  ASSERT_SQLCODE(0, execute("SET lock_timeout = 200"));
  ASSERT_SQLCODE(0, commit());
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  std::atomic<bool> holding{false}, release{false};
  std::thread holder([&] {
    Context context;
    context.attach();
    if (connect("TESTDB").sqlcode != 0) return;
    EXPECT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k2', 'b', 'i')"));
    holding = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    rollback();
  });
  while (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  sqlca timeout = execute("INSERT INTO IRBUCKET VALUES ('k2', 'x', 'y')");
  release = true;
  holder.join();
  EXPECT_SQLCODE(TARN_SQL_TIMEOUT, timeout);
  EXPECT_SQLCODE(0, commit());
  EXPECT_EQ(0u, count("IRBUCKET"));  // k1 went with the unit of work
}

// ---- Credentials and lost connections ------------------------------------------------

TEST_F(PgBackendTest, TheServerChecksUserIdAndPassword) {
  ASSERT_SQLCODE(0, create_database("TESTDB"));
  pg_test_server::ensure_password_role("irstore_tester_pw", "right-password");
  sqlca wrong = connect("TESTDB", "irstore_tester_pw", "wrong-password");
  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, wrong);
  EXPECT_NE(nullptr, std::strstr(wrong.sqlerrmc, "password authentication failed")) << wrong.sqlerrmc;
  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, connect("TESTDB", "irstore_no_such_role", "x"));
  ASSERT_SQLCODE(0, connect("TESTDB", "irstore_tester_pw", "right-password"));
  EXPECT_EQ((std::vector<Row>{{"irstore_tester_pw"}}), rows("SELECT CAST(current_user AS VARCHAR(63))"));
}

TEST_F(PgBackendTest, ALostConnectionTakesItsUnitOfWorkAndStaysLostUntilConnect) {
  connect_created();
  ASSERT_SQLCODE(0, insert_object({iid('a'), "IDL:A:1.0", "A", "5", "00"}));
  ASSERT_SQLCODE(0, commit());
  ASSERT_SQLCODE(0, insert_object({iid('b'), "IDL:B:1.0", "B", "5", "00"}));
  EXPECT_EQ(1, pg_test_server::terminate_connections(database_));
  sqlca lost = commit();
  EXPECT_SQLCODE(TARN_SQL_CONNECTION_LOST, lost);
  EXPECT_NE(nullptr, std::strstr(lost.sqlerrmc, "administrator command")) << lost.sqlerrmc;
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, commit());
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, insert_object({iid('c'), "IDL:C:1.0", "C", "5", "00"}));
  ASSERT_SQLCODE(0, connect("TESTDB"));
  EXPECT_EQ((std::vector<Row>{{iid('a')}}), rows("SELECT IID FROM IRREPDAT"));
  EXPECT_SQLCODE(0, insert_object({iid('c'), "IDL:C:1.0", "C", "5", "00"}));
}

TEST_F(PgBackendTest, EveryStatementCallThatReachesTheServerNoticesALostConnection) {
  connect_created();
  auto lose_and_expect = [this](const char* call, const std::function<sqlca()>& run) {
    ASSERT_EQ(1, pg_test_server::terminate_connections(database_)) << call;
    EXPECT_SQLCODE(TARN_SQL_CONNECTION_LOST, run()) << call;
    ASSERT_SQLCODE(0, connect("TESTDB")) << call;
  };
  // A statement prepared before is kept and never reaches the server at
  // PREPARE: the loss must be found there all the same.
  for (const char* text : {"SELECT IID FROM IRREPDAT", "SELECT KEYFIELD FROM IRBUCKET"}) {
    sqlca ca{};
    tarn_prepare(1, text, &ca);
    ASSERT_SQLCODE(0, ca);
  }
  lose_and_expect("PREPARE", [] {
    sqlca ca{};
    tarn_prepare(1, "SELECT IID FROM IRREPDAT", &ca);
    return ca;
  });
  lose_and_expect("EXECUTE", [] { return execute("DELETE FROM IRBUCKET"); });
  lose_and_expect("static statement", [] { return insert_object({iid('a'), "IDL:A:1.0", "A", "5", "00"}); });

  sqlca ca{};
  tarn_prepare(1, "SELECT IID FROM IRREPDAT", &ca);
  ASSERT_SQLCODE(0, ca);
  BoundSqlda da(1);
  tarn_open(1, 1, &ca);
  ASSERT_SQLCODE(0, ca);
  lose_and_expect("FETCH", [&da] {
    sqlca fetched{};
    tarn_fetch(1, da.get(), &fetched);
    return fetched;
  });

  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k', 'b', 'i')"));
  lose_and_expect("ROLLBACK", [] { return rollback(); });
  EXPECT_EQ(0u, count("IRBUCKET"));
}

// ---- The worker's stack ------------------------------------------------------------

// tarn_required_stack_size carries libpq's connect (with its SSL and GSS
// negotiation attempts) and every statement call.
TEST_F(PgBackendTest, RequiredStackRunsConnectAndStatements) {
  ASSERT_SQLCODE(0, create_database("TESTDB"));
  struct Job {
    std::vector<Row> rows;
    sqlca ca{};
  } job;
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, static_cast<size_t>(tarn_required_stack_size()));
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    auto* job = static_cast<Job*>(argument);
    Context context;
    context.attach();
    job->ca = connect("TESTDB");
    if (job->ca.sqlcode == 0) job->ca = insert_object({iid('a'), "IDL:A:1.0", "A", "5", "00"});
    if (job->ca.sqlcode == 0) job->rows = query("SELECT IID FROM IRREPDAT", &job->ca);
    return nullptr;
  };
  ASSERT_EQ(0, pthread_create(&thread, &attributes, run, &job));
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, job.ca);
  EXPECT_EQ((std::vector<Row>{{iid('a')}}), job.rows);
}

}  // namespace
}  // namespace tarn_test

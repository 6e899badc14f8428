// Contexts, CONNECT, EXECUTE, the static statements and the failure hook.
#include <thread>

#include "test_support.h"

namespace tarn_test {
namespace {

using ApiTest = TarnTest;

Object object(char id, const std::string& name = "Foo") {
  return Object{iid(id), "IDL:" + name + ":1.0", name, "5", "0a0b0c"};
}

TEST(ContextTest, StatementsNeedAnAttachedContext) {
  TempHome home;
  sqlca ca{};
  tarn_prepare(1, "SELECT 1", &ca);
  EXPECT_SQLCODE(TARN_SQL_NO_CONTEXT, ca);
  EXPECT_EQ("55034", std::string(ca.sqlstate, 5));
  EXPECT_SQLCODE(TARN_SQL_NO_CONTEXT, connect("TESTDB"));
  EXPECT_SQLCODE(TARN_SQL_NO_CONTEXT, commit());
}

TEST(ContextTest, HandlesAndThreadsAreChecked) {
  sqlca ca{};
  tarn_set_context_type(1, &ca);
  EXPECT_SQLCODE(TARN_SQL_BAD_CONTEXT, ca);
  int not_a_context = 0;
  tarn_attach_context(&not_a_context, &ca);
  EXPECT_SQLCODE(TARN_SQL_BAD_CONTEXT, ca);

  Context context;
  context.attach();
  // Ending a context in use, or attaching it to a second thread, fails.
  tarn_end_context(context.handle(), &ca);
  EXPECT_SQLCODE(TARN_SQL_BAD_CONTEXT, ca);
  std::thread([&] {
    sqlca other{};
    tarn_attach_context(context.handle(), &other);
    EXPECT_SQLCODE(TARN_SQL_BAD_CONTEXT, other);
    tarn_detach_context(context.handle(), &other);
    EXPECT_SQLCODE(TARN_SQL_BAD_CONTEXT, other);
  }).join();
  Context second;
  tarn_attach_context(second.handle(), &ca);
  EXPECT_SQLCODE(TARN_SQL_BAD_CONTEXT, ca);
  context.detach();
  second.attach();
  second.detach();
}

TEST_F(ApiTest, ConnectNeedsAnExistingDatabase) {
  sqlca ca = connect("NOSUCHDB");
  EXPECT_SQLCODE(TARN_SQL_ALIAS_NOT_FOUND, ca);
  EXPECT_NE(nullptr, std::strstr(ca.sqlerrmc, "NOSUCHDB.sqlite"));
  EXPECT_FALSE(fs::exists(home_.path() / "NOSUCHDB.sqlite"));
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, execute("DELETE FROM IRBUCKET"));
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, commit());
}

TEST_F(ApiTest, CreateDatabaseTwiceChangesNothingTheSecondTime) {
  EXPECT_SQLCODE(0, create_database("TESTDB"));
  ASSERT_SQLCODE(0, connect("TESTDB"));
  ASSERT_SQLCODE(0, insert_object(object('a')));
  ASSERT_SQLCODE(0, commit());
  EXPECT_SQLCODE(1, create_database("TESTDB"));
  EXPECT_EQ(1u, query("SELECT IID FROM IRREPDAT").size());
}

TEST_F(ApiTest, ConnectionLifecycle) {
  connect_test_database();
  EXPECT_SQLCODE(TARN_SQL_ALREADY_CONNECTED, connect("TESTDB"));
  sqlca ca{};
  tarn_disconnect(&ca);
  EXPECT_SQLCODE(0, ca);
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, execute("DELETE FROM IRBUCKET"));
  // The alias as the session passes it: blank-padded to eight.
  EXPECT_SQLCODE(0, connect("TESTDB  "));
}

TEST_F(ApiTest, ChangesReportRowsAndNoRowIsOneHundred) {
  connect_test_database();
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  sqlca ca = execute("DELETE FROM IRBUCKET WHERE KEYFIELD = 'nothing'");
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, ca);
  EXPECT_EQ("02000", std::string(ca.sqlstate, 5));
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, execute("UPDATE IRBUCKET SET IID = 'x' WHERE KEYFIELD = 'nothing'"));
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, execute("INSERT INTO IRINHER SELECT * FROM IRREFER"));
  ca = execute("  delete FROM IRBUCKET");
  EXPECT_SQLCODE(0, ca);
  EXPECT_EQ(1, ca.sqlerrd[2]);
  // Statements that change no rows by nature are not "no row".
  EXPECT_SQLCODE(0, execute("CREATE TABLE SCRATCH (X INTEGER)"));
}

TEST_F(ApiTest, ExecuteNeedsAPreparedStatementThatIsNoQuery) {
  connect_test_database();
  sqlca ca{};
  tarn_execute(7, &ca);
  EXPECT_SQLCODE(TARN_SQL_NOT_PREPARED, ca);
  EXPECT_SQLCODE(TARN_SQL_NOT_PREPARED, execute("SELECT * FROM IRREPDAT"));
  EXPECT_SQLCODE(TARN_SQL_UNDEFINED_NAME, execute("DELETE FROM NOTABLE"));
  // A failed PREPARE leaves the slot empty, not holding the old statement.
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('k1', 'b', 'i')"));
  tarn_prepare(2, "INSERT INTO", &ca);
  EXPECT_SQLCODE(TARN_SQL_SYNTAX_ERROR, ca);
  tarn_execute(2, &ca);
  EXPECT_SQLCODE(TARN_SQL_NOT_PREPARED, ca);
}

TEST_F(ApiTest, StaticInsertAndUpdateOfRepositoryRows) {
  connect_test_database();
  ASSERT_SQLCODE(0, insert_object(object('a', "Foo")));
  sqlca ca = insert_object(object('a', "Bar"));
  EXPECT_SQLCODE(TARN_SQL_DUPLICATE_KEY, ca);
  EXPECT_EQ("23505", std::string(ca.sqlstate, 5));
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, update_object(object('b', "Bar")));

  Object changed = object('a', "Renamed");
  changed.stream = std::string(32700, 'f');
  ca = update_object(changed);
  EXPECT_SQLCODE(0, ca);
  EXPECT_EQ(1, ca.sqlerrd[2]);
  auto rows = query("SELECT * FROM IRREPDAT");
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ((Row{iid('a'), "IDL:Renamed:1.0", "Renamed" + std::string(247, ' '), "5", changed.stream}), rows[0]);
}

TEST_F(ApiTest, StaticHostVariablesAreChecked) {
  connect_test_database();
  auto vars = std::unique_ptr<tarn_input, void (*)(tarn_input*)>(tarn_input_alloc(2), tarn_input_free);
  char key[] = "k";
  int16_t null_indicator = -1;
  tarn_input_set(vars.get(), 0, TARN_CSTRING, 65, key, nullptr);
  tarn_input_set(vars.get(), 1, TARN_CSTRING + 1, 33, nullptr, &null_indicator);
  sqlca ca{};
  // Too few variables for the markers.
  tarn_execute_static(5, "INSERT INTO IRBUCKET VALUES (?, ?, ?)", vars.get(), &ca);
  EXPECT_SQLCODE(-313, ca);
  // NULL through the indicator reaches the table (and its NOT NULL).
  tarn_execute_static(6, "INSERT INTO IRBUCKET VALUES (?, ?, 'i')", vars.get(), &ca);
  EXPECT_SQLCODE(TARN_SQL_CONSTRAINT, ca);
  // A length prefix beyond the variable's length is refused, not read.
  char varchar[6] = {0, 0, 'a', 'b', 'c', 'd'};
  int16_t length = 40;
  std::memcpy(varchar, &length, sizeof length);
  tarn_input_set(vars.get(), 1, TARN_VARCHAR, 4, varchar, nullptr);
  tarn_execute_static(6, "INSERT INTO IRBUCKET VALUES (?, ?, 'i')", vars.get(), &ca);
  EXPECT_SQLCODE(-302, ca);
  length = 4;
  std::memcpy(varchar, &length, sizeof length);
  tarn_execute_static(6, "INSERT INTO IRBUCKET VALUES (?, ?, 'i')", vars.get(), &ca);
  EXPECT_SQLCODE(0, ca);
  EXPECT_EQ((std::vector<Row>{{"abcd" + std::string(28, ' ')}}), query("SELECT BUCKETIID FROM IRBUCKET"));
}

TEST_F(ApiTest, FailHookFailsTheNthStatementCall) {
  connect_test_database();
  long before = tarn_statement_count();
  tarn_fail_statement(2, TARN_SQL_ENGINE_ERROR);
  EXPECT_SQLCODE(0, commit());
  EXPECT_SQLCODE(TARN_SQL_ENGINE_ERROR, commit());
  EXPECT_SQLCODE(0, commit());
  EXPECT_EQ(before + 3, tarn_statement_count());
  tarn_fail_statement(1, TARN_SQL_ENGINE_ERROR);
  tarn_fail_statement(0, 0);
  EXPECT_SQLCODE(0, commit());
}

TEST_F(ApiTest, LostConnectionRollsBackAndStaysLostUntilConnect) {
  connect_test_database();
  ASSERT_SQLCODE(0, insert_object(object('a')));
  ASSERT_SQLCODE(0, commit());
  ASSERT_SQLCODE(0, insert_object(object('b')));
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
  EXPECT_SQLCODE(TARN_SQL_CONNECTION_LOST, commit());
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, commit());
  EXPECT_SQLCODE(TARN_SQL_NO_CONNECTION, insert_object(object('c')));
  ASSERT_SQLCODE(0, connect("TESTDB"));
  EXPECT_EQ((std::vector<Row>{{iid('a')}}), query("SELECT IID FROM IRREPDAT"));
  // The static statements are prepared again on the new connection.
  EXPECT_SQLCODE(0, insert_object(object('c')));
}

}  // namespace
}  // namespace tarn_test

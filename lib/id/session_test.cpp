// The database session against real databases (SQLite, or PostgreSQL with
// IRSTORE_TEST_ENGINE=postgresql): connecting, the request hand-off,
// statements and cursors, errors and their reports, and recovery from a
// lost connection.
#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <qelororm/qel.h>
#include <qelororm/vekd.h>
#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "irdatabase.h"
#include "mrrepdat_internal.h"
#include "irdb_lock.h"
#include "owned.h"
#include "sqltext.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

// The session a test reaches through the records, or std::runtime_error
// when none is connected.
IRDataBase& session() {
  IRDataBase* current = current_session();
  if (!current) throw std::runtime_error("no session");
  return *current;
}

Rows query(const std::string& sql, int columns) { return query_rows(sql, columns); }

// One IID column, fetched into a buffer of the column's width. Its size goes
// in before every fetch, which gives back the delivered length.
struct IidColumn {
  char iid[33];
  char* columns[1] = {iid};
  int lengths[1] = {0};
  int fetch(int mode) {
    lengths[0] = sizeof iid;
    return session().fetch(1, columns, lengths, mode);
  }
  std::string text() const { return iid; }
};

std::string key(int n) {
  char text[33];
  std::snprintf(text, sizeof text, "%032d", n);
  return text;
}

void insert_object(int n) {
  StatementText sql;
  sql.fragment("INSERT INTO IRREPDAT (IID, NAME, KIND) VALUES ('")
      .value(key(n).c_str())
      .fragment("','m','Module')");
  session().execute(sql.c_str());
}

int object_rows() { return static_cast<int>(query("SELECT IID FROM IRREPDAT", 1).size()); }

// A parameter set for one test and removed afterwards.
class ScopedParameter {
 public:
  ScopedParameter(const char* name, const char* value) : name_(name) { QelSetParm(name, value); }
  ~ScopedParameter() { QelSetParm(name_, nullptr); }

 private:
  const char* name_;
};

// The threads of this process. A thread sanitizer starts one of its own
// with the first thread the process creates: that one is made first.
int thread_count() {
  static const bool sanitizer_settled = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)sanitizer_settled;
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return count;
}

class Session : public ::testing::Test {
 protected:
  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
};

// ---- Opening and closing ---------------------------------------------------

TEST_F(Session, NullAndTheDefaultNameOpenTheSameDatabase) {
  {
    IRDB store(nullptr);
    EXPECT_STREQ(session().dbName, "VADIRIRI");
    insert_object(1);
    session().commit();
  }
  IRDB store("VADIRIRI");
  EXPECT_EQ(object_rows(), 1);
}

TEST_F(Session, AliasesAreCutToEightCharactersAndUpperCased) {
  {
    IRDB store("vadiriri");
    insert_object(1);
    session().commit();
  }
  {
    IRDB store("VADIRIRI_AND_MORE");
    EXPECT_EQ(object_rows(), 1);
  }
  IRDB store("VaDiRiRi");
  EXPECT_EQ(object_rows(), 1);
}

TEST_F(Session, ANameLongerThanItsBufferIsRefused) {
  EXPECT_THROW(IRDB(std::string(32, 'V').c_str()), CORBA::BAD_PARAM);
  EXPECT_NO_THROW(IRDB(("VADIRIRI" + std::string(23, 'x')).c_str()));
}

TEST_F(Session, AMissingDatabaseFailsTheConstructorAndLeavesNoWorkerBehind) {
  repository.map_alias("NOSUCHDB");
  int threads = thread_count();
  try {
    IRDB store("NOSUCHDB");
    FAIL() << "connected to a missing database";
  } catch (IRStore::Unrecoverable& e) {
    EXPECT_EQ(e.code, 7);
    EXPECT_STREQ(e.sqlstate, "99999");
    ASSERT_NE(e.message, nullptr);
    EXPECT_EQ(std::string(e.message).rfind("SQL Connect,    Tarn Message: SQL1013N", 0), 0u)
        << e.message;
  }
  EXPECT_EQ(thread_count(), threads);
  EXPECT_FALSE(repository.database_exists("NOSUCHDB"));
  IRDB store(nullptr);  // and the next session works
  EXPECT_EQ(object_rows(), 0);
}

// A forgotten connection would hold its locks and block every later writer.
TEST_F(Session, DeletingTheStoreRollsBackEndsTheConnectionAndStopsTheWorker) {
  int threads = thread_count();
  {
    IRDB store(nullptr);
    EXPECT_EQ(thread_count(), threads + 1);
    insert_object(1);  // never committed
  }
  EXPECT_EQ(thread_count(), threads);

  // Another connection writes at once: no lock was left behind.
  std::thread writer([] {
    sqlca ca{};
    void* context = nullptr;
    tarn_begin_context(&context, &ca);
    tarn_attach_context(context, &ca);
    tarn_input* vars = tarn_input_alloc(1);
    char alias[] = "VADIRIRI";
    tarn_input_set(vars, 0, TARN_CSTRING, 8, alias, nullptr);
    tarn_connect(vars, &ca);
    tarn_input_free(vars);
    ASSERT_EQ(ca.sqlcode, 0) << ca.sqlerrmc;
    tarn_prepare(2, "DELETE FROM IRBUCKET", &ca);
    tarn_execute(2, &ca);
    EXPECT_EQ(ca.sqlcode, TARN_SQL_NOT_FOUND);  // the uncommitted row is gone
    tarn_commit(&ca);
    EXPECT_EQ(ca.sqlcode, 0) << ca.sqlerrmc;
    tarn_detach_context(context, &ca);
    tarn_end_context(context, &ca);
  });
  writer.join();

  IRDB store(nullptr);
  EXPECT_EQ(object_rows(), 0);
}

// ---- User id and password ----------------------------------------------------

class Credentials : public ::testing::Test {
 protected:
  void SetUp() override { repository.create_secured_database("SECURE", user17, pass29); }
  TempRepository repository{nullptr};
  CapturedReports reports;
  // On PostgreSQL a role of the server: a name that says whose it is.
  const std::string user17 = "irstore_tester_17";
  const std::string pass29 = std::string(29, 'p');
};

TEST_F(Credentials, SeventeenAndTwentyNineCharactersConnect) {
  ASSERT_EQ(user17.size(), 17u);
  ASSERT_EQ(pass29.size(), 29u);
  ScopedParameter user("com.orvo.CORBA.irUserid", user17.c_str());
  ScopedParameter password("com.orvo.CORBA.irPassword", pass29.c_str());
  IRDB store("SECURE");
  EXPECT_EQ(object_rows(), 0);
  EXPECT_EQ(reports.count(0x51450056), 0);
}

TEST_F(Credentials, EighteenOrThirtyCharactersAreRefusedWithoutConnecting) {
  for (auto [u, p] : {std::pair{std::string(18, 'u'), pass29}, std::pair{user17, std::string(30, 'p')}}) {
    reports.clear();
    ScopedParameter user("com.orvo.CORBA.irUserid", u.c_str());
    ScopedParameter password("com.orvo.CORBA.irPassword", p.c_str());
    IRDB store("SECURE");
    ASSERT_EQ(reports.count(0x51450056), 1);
    VekdReport report = reports.reports().front();
    EXPECT_EQ(report.line, 237);
    EXPECT_EQ(report.message, 1035);
    EXPECT_EQ(report.inserts, std::vector<std::string>{"process_IRDataBase_Constructor userid password"});
    try {
      object_rows();
      FAIL() << "a statement ran without a connection";
    } catch (IRSError& e) {
      EXPECT_EQ(e.code, TARN_SQL_NO_CONNECTION);
    }
  }
}

TEST_F(Credentials, AUserIdWithoutPasswordIsAnUnexpectedFailureAndDoesNotConnect) {
  ScopedParameter user("com.orvo.CORBA.irUserid", user17.c_str());
  IRDB store("SECURE");
  ASSERT_EQ(reports.count(0x51450053), 1);
  EXPECT_EQ(reports.reports().front().line, 272);
  EXPECT_THROW(object_rows(), IRSError);
}

TEST_F(Credentials, AWrongPasswordFailsTheConstructorWithTheEnginesMessage) {
  ScopedParameter user("com.orvo.CORBA.irUserid", user17.c_str());
  ScopedParameter password("com.orvo.CORBA.irPassword", "wrong");
  try {
    IRDB store("SECURE");
    FAIL() << "connected with a wrong password";
  } catch (IRStore::Unrecoverable& e) {
    EXPECT_EQ(e.code, 7);
    EXPECT_EQ(std::string(e.message).rfind("SQL Connect,    Tarn Message: SQL30082N", 0), 0u)
        << e.message;
    // The server's own reason reaches the caller.
    if (repository.on_postgresql()) {
      EXPECT_NE(std::string(e.message).find("password authentication failed"), std::string::npos)
          << e.message;
    }
  }
}

// ---- Statements, cursors and errors --------------------------------------------

TEST_F(Session, ErrorsCarryTheStepTheCodeAndTheEnginesTextWithoutItsLineEnd) {
  IRDB store(nullptr);
  try {
    session().execute("SELECT * FROM NOSUCH");
    FAIL() << "prepared a query on a missing table";
  } catch (IRSError& e) {
    EXPECT_EQ(e.code, TARN_SQL_UNDEFINED_NAME);
    EXPECT_STREQ(e.sqlstate, "99999");
    std::string message = e.message;
    EXPECT_TRUE(std::regex_match(message, std::regex("SQL Prepare,    Tarn Message: SQL0204N  .*"))) << message;
    EXPECT_NE(message.back(), '\n');
    EXPECT_NE(message.back(), '\r');
  }
  ASSERT_EQ(reports.count(0x51450058), 1);
  VekdReport report = reports.reports().front();
  EXPECT_EQ(report.file, "mrrepdat");
  EXPECT_EQ(report.line, 1148);
  EXPECT_EQ(report.inserts[0], "99999");
  EXPECT_EQ(report.inserts[1], std::to_string(TARN_SQL_UNDEFINED_NAME));
}

TEST_F(Session, FetchModesOpenAndCloseTheCursorAsTheyShould) {
  IRDB store(nullptr);
  for (int n = 1; n <= 3; ++n) insert_object(n);

  IidColumn column;
  session().execute("SELECT IID FROM IRREPDAT ORDER BY IID");
  // Mode 0 opens, fetches and closes: every call delivers the first row.
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(column.fetch(0), 1);
    EXPECT_EQ(column.text(), key(1));
    EXPECT_EQ(column.lengths[0], 32);
  }
  // Mode 1 opens and fetches, mode 2 goes on until no row is left.
  ASSERT_EQ(column.fetch(1), 1);
  EXPECT_EQ(column.text(), key(1));
  ASSERT_EQ(column.fetch(2), 1);
  EXPECT_EQ(column.text(), key(2));
  ASSERT_EQ(column.fetch(2), 1);
  EXPECT_EQ(column.text(), key(3));
  EXPECT_EQ(column.fetch(2), 0);
  EXPECT_EQ(column.fetch(2), 0);  // still no row, and no error

  session().execute("SELECT IID FROM IRREPDAT WHERE IID = 'none'");
  EXPECT_EQ(column.fetch(0), 0);
  EXPECT_EQ(column.fetch(1), 0);  // the cursor was left closed
}

TEST_F(Session, NullColumnsArriveEmptyAndNamesArriveBlankPadded) {
  IRDB store(nullptr);
  session().execute("INSERT INTO IRREPDAT VALUES ('0123456789abcdef0123456789abcdef', NULL, 'Foo', '5', NULL)");
  Rows rows = query("SELECT * FROM IRREPDAT", 5);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], "");
  EXPECT_EQ(rows[0][2], "Foo" + std::string(251, ' '));
  EXPECT_EQ(rows[0][3], "5");
  EXPECT_EQ(rows[0][4], "");
}

TEST_F(Session, QueriesOfManyColumnLayoutsTakingTurnsEachReadTheirOwnColumns) {
  IRDB store(nullptr);
  struct Object {
    std::string iid, repid, name, kind, stream;
  };
  const Object objects[] = {{"0123456789abcdef0123456789abcdef", "IDL:A:1.0", "A", "5", "00"},
                            {"fedcba9876543210fedcba9876543210", "IDL:B:1.0", "B", "7", "01"}};
  for (const Object& object : objects) {
    session().execute(("INSERT INTO IRREPDAT VALUES ('" + object.iid + "', '" + object.repid + "', '" +
                       object.name + "', '" + object.kind + "', '" + object.stream + "')")
                          .c_str());
  }
  // Five column layouts, more than stay bound at once, in an order that
  // both comes back to layouts used lately and to ones long unused.
  const int layouts[] = {0, 1, 0, 2, 1, 0, 3, 4, 2, 0, 4, 4, 1, 3, 0, 2, 3, 1, 4, 0};
  for (int step = 0; step < 40; ++step) {
    const Object& object = objects[step % 2];
    const std::string where = " FROM IRREPDAT WHERE IID = '" + object.iid + "'";
    const std::string padded = object.name + std::string(253, ' ');
    switch (layouts[step % 20]) {
      case 0: EXPECT_EQ(query("SELECT IID" + where, 1), (Rows{{object.iid}})); break;
      case 1: EXPECT_EQ(query("SELECT REPID" + where, 1), (Rows{{object.repid}})); break;
      case 2: EXPECT_EQ(query("SELECT NAME, KIND" + where, 2), (Rows{{padded, object.kind}})); break;
      case 3: EXPECT_EQ(query("SELECT KIND, STREAM" + where, 2), (Rows{{object.kind, object.stream}})); break;
      default:
        EXPECT_EQ(query("SELECT *" + where, 5),
                  (Rows{{object.iid, object.repid, padded, object.kind, object.stream}}));
    }
  }
}

TEST_F(Session, DeletingNoRowIsFineButTheStaticUpdateOfNoRowIsAnError) {
  IRDB store(nullptr);
  EXPECT_NO_THROW(session().execute("DELETE FROM IRREPDAT WHERE IID = 'none'"));

  Irrepdat row;
  row.setIid("0123456789abcdef0123456789abcdef");
  row.setRepid("IDL:Foo:1.0");
  row.setName("Foo");
  row.setKind("5");
  row.setStream("00ff");
  try {
    row.update();
    FAIL() << "updated a row that does not exist";
  } catch (IRSError& e) {
    EXPECT_EQ(e.code, TARN_SQL_NOT_FOUND);
    EXPECT_EQ(std::string(e.message).rfind("SQL UPDATE,", 0), 0u);
  }
}

TEST_F(Session, TheStaticInsertAndUpdateWriteAllFiveColumns) {
  IRDB store(nullptr);
  Irrepdat row;
  row.setIid("0123456789abcdef0123456789abcdef");
  row.setRepid("IDL:Foo:1.0");
  row.setName("Foo");
  row.setKind("5");
  row.setStream("00ff");
  row.add();
  EXPECT_EQ(row.repid_indicator, 0);
  EXPECT_EQ(row.stream_indicator, 0);
  row.setName("Bar");
  row.setStream(std::string(32700, 'a').c_str());
  row.update();

  Irrepdat back;
  back.setIid("0123456789abcdef0123456789abcdef");
  back.retrieve();
  EXPECT_STREQ(back.repid(), "IDL:Foo:1.0");
  EXPECT_EQ(std::string(back.name()), "Bar" + std::string(251, ' '));
  EXPECT_STREQ(back.kind(), "5");
  EXPECT_EQ(std::string(back.stream()), std::string(32700, 'a'));
  EXPECT_THROW(row.add(), IRStore::Duplicate);
}

TEST_F(Session, RecordSettersRefuseTextWiderThanTheirColumn) {
  IRDB store(nullptr);
  Irrepdat row;
  EXPECT_THROW(row.setIid(std::string(33, 'a').c_str()), CORBA::BAD_PARAM);
  EXPECT_THROW(row.setRepid(std::string(4096, 'a').c_str()), CORBA::BAD_PARAM);
  EXPECT_THROW(row.setName(std::string(255, 'a').c_str()), CORBA::BAD_PARAM);
  EXPECT_THROW(row.setKind(std::string(13, '1').c_str()), CORBA::BAD_PARAM);
  EXPECT_THROW(row.setStream(std::string(32701, 'a').c_str()), CORBA::BAD_PARAM);
  EXPECT_NO_THROW(row.setName(std::string(254, 'a').c_str()));
  EXPECT_NO_THROW(row.setRepid(std::string(4095, 'a').c_str()));
}

// A quote inside a value can neither break a statement nor inject SQL.
TEST_F(Session, QuotesInValuesAreData) {
  IRDB store(nullptr);
  insert_object(1);
  Irrepdat row;
  row.setIid("x' OR '1' = '1");
  EXPECT_THROW(row.retrieve(), IRStore::NotExist);
  EXPECT_THROW(row.del(), IRStore::NotExist);
  EXPECT_EQ(object_rows(), 1);

  StatementText sql;
  sql.fragment("INSERT INTO IRREPDAT VALUES ('").value("it's an iid, isn't it?").fragment("', '")
      .value("IDL:O'Neil:1.0").fragment("', 'x', '5', NULL)");
  session().execute(sql.c_str());
  Rows rows = query("SELECT IID, REPID FROM IRREPDAT WHERE KIND = '5'", 2);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].substr(0, 22), "it's an iid, isn't it?");
  EXPECT_EQ(rows[0][1], "IDL:O'Neil:1.0");
}

// A failed OPEN must not pass for a delivered row.
TEST_F(Session, AFailedOpenOrAFetchAfterAFailedFetchRaisesTheError) {
  IRDB store(nullptr);
  insert_object(1);
  insert_object(2);
  IidColumn column;

  session().execute("SELECT IID FROM IRREPDAT");
  tarn_fail_statement(1, TARN_SQL_TIMEOUT);  // the OPEN
  try {
    column.fetch(1);
    FAIL() << "a failed OPEN delivered a row";
  } catch (IRSError& e) {
    EXPECT_EQ(e.code, TARN_SQL_TIMEOUT);
    EXPECT_EQ(std::string(e.message).rfind("SQL Open,", 0), 0u);
  }

  ASSERT_EQ(column.fetch(1), 1);
  tarn_fail_statement(1, TARN_SQL_TIMEOUT);  // the next FETCH
  EXPECT_THROW(column.fetch(2), IRSError);
  try {
    column.fetch(2);
    FAIL() << "a fetch after a failed fetch delivered a row";
  } catch (IRSError& e) {
    EXPECT_EQ(e.code, TARN_SQL_TIMEOUT);
    EXPECT_EQ(std::string(e.message).rfind("SQL Fetch,", 0), 0u);
  }
}

// A failure raised by the host's report sink reaches the requester: a
// request that failed is never answered as done.
TEST_F(Session, ExceptionsRaisedInsideARequestReachTheRequester) {
  IRDB store(nullptr);
  vekdSetErrorSink([](const VekdReport& report, void*) {
    if (report.code == 0x51450058) throw CORBA::INTF_REPOS(report.code, CORBA::COMPLETED_NO);
  }, nullptr);
  EXPECT_THROW(session().execute("SELECT * FROM NOSUCH"), CORBA::INTF_REPOS);
  vekdSetErrorSink(nullptr, nullptr);
  EXPECT_EQ(object_rows(), 0);  // and the session goes on
}

TEST_F(Session, TwoThreadsIssuingRequestsAtOnceAreServedOneAfterTheOther) {
  IRDB store(nullptr);
  std::atomic<int> failures{0};
  auto writer = [&failures](int first) {
    for (int n = first; n < first + 200; ++n) {
      try {
        insert_object(n);
      } catch (...) {
        ++failures;
      }
    }
  };
  std::thread a(writer, 0), b(writer, 1000);
  a.join();
  b.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(object_rows(), 400);
}

// ---- A lost connection ----------------------------------------------------------

TEST_F(Session, ALostConnectionWithNothingUncommittedIsRepairedSilently) {
  IRDB store(nullptr);
  insert_object(1);
  session().commit();
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
  EXPECT_EQ(object_rows(), 1);
  EXPECT_GE(reports.count(0x51450058), 1);  // the loss itself was reported
  insert_object(2);                         // the new connection works
  session().commit();
  EXPECT_EQ(object_rows(), 2);
}

// A connection lost after the query was prepared, when its cursor opens:
// the query is prepared again on the new connection and the rows come.
TEST_F(Session, ALostConnectionBetweenPrepareAndOpenIsRepairedSilently) {
  IRDB store(nullptr);
  insert_object(1);
  session().commit();
  char iid[33];
  char* columns[] = {iid};
  int lengths[] = {33};
  session().execute("SELECT IID FROM IRREPDAT");
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);  // the OPEN
  ASSERT_EQ(session().fetch(1, columns, lengths, 0), 1);
  EXPECT_EQ(std::string(iid), key(1));
}

// The lost unit of work took the caller's changes with it: the caller must
// hear it, and nothing of it may be in the database.
TEST_F(Session, ALostConnectionThatTookChangesWithItIsReported) {
  IRDB store(nullptr);
  insert_object(1);
  session().commit();
  insert_object(2);  // not committed
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
  try {
    insert_object(3);
    FAIL() << "the loss of an uncommitted change passed in silence";
  } catch (IRSError& e) {
    EXPECT_EQ(e.code, TARN_SQL_CONNECTION_LOST);
  }
  session().rollback();
  Rows rows = query("SELECT IID FROM IRREPDAT", 1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], key(1));
}

// The records' static insert names no session; the reconnect made on its
// behalf must still find one.
TEST_F(Session, ALostConnectionDuringTheStaticInsertIsRepaired) {
  IRDB store(nullptr);
  Irrepdat row;
  row.setIid("0123456789abcdef0123456789abcdef");
  row.setRepid("IDL:Foo:1.0");
  row.setName("Foo");
  row.setKind("5");
  row.setStream("00ff");
  long before = tarn_statement_count();
  Irrepdat probe;
  probe.setIid(row.iid());
  EXPECT_THROW(probe.retrieve(), IRStore::NotExist);  // the query's shape described once
  before = tarn_statement_count();
  EXPECT_THROW(probe.retrieve(), IRStore::NotExist);
  long read_calls = tarn_statement_count() - before;

  tarn_fail_statement(static_cast<int>(read_calls) + 1, TARN_SQL_CONNECTION_LOST);  // after add's read
  row.add();
  bool insert_failed = false;
  for (const VekdReport& report : reports.reports()) {
    insert_failed |= report.inserts.size() == 3 && report.inserts[2].rfind("SQL INSERT,", 0) == 0;
  }
  EXPECT_TRUE(insert_failed);
  session().commit();
  Irrepdat back;
  back.setIid(row.iid());
  EXPECT_NO_THROW(back.retrieve());
}

TEST_F(Session, ARollbackOnALostConnectionSucceeds) {
  IRDB store(nullptr);
  insert_object(1);
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
  EXPECT_NO_THROW(session().rollback());
  EXPECT_EQ(object_rows(), 0);
}

// ---- Sessions without a worker ----------------------------------------------------

TEST_F(Session, ASessionWhoseWorkerDidNotStartAnswersAtOnceWithAnError) {
  VEKFailNextCall(VEKCall::StartThread, EAGAIN);
  IRDB store(nullptr);
  EXPECT_EQ(reports.count(0x5145003a), 1);
  try {
    session();
    FAIL() << "a session without a worker connected";
  } catch (std::runtime_error&) {
  }
  // Every request fails as the database failure it is, also those the
  // records make: never as a missing row.
  auto expect_not_started = [](const char* operation, const std::function<void()>& request) {
    try {
      request();
      ADD_FAILURE() << operation << ": a request without a worker succeeded";
    } catch (IRStore::Exception& e) {
      EXPECT_EQ(e.code, 7) << operation;
      EXPECT_NE(std::string(e.message ? e.message : "").find("SQL1032N"), std::string::npos)
          << operation << ": " << (e.message ? e.message : "no message");
    }
  };
  StoreHandle handle(CORBA::string_dup("IDL:Foo:1.0"), nullptr, 0);
  ObjectReference<CORBA_ModuleDef_Impl> object(new CORBA_ModuleDef_Impl("Foo", "IDL:Foo:1.0"));
  expect_not_started("object_from_ID", [&] { CORBA::release(store.object_from_ID(&handle)); });
  expect_not_started("update_name", [&] { store.update_name(&handle, const_cast<char*>("Bar")); });
  expect_not_started("update_stream", [&] { store.update_stream(object.get()); });
  expect_not_started("refresh_object", [&] { store.refresh_object(object.get()); });
  expect_not_started("kind_from_ID", [&] { store.kind_from_ID(&handle); });
}

TEST_F(Session, ASessionWhoseEventsFailedAnswersAtOnceWithAnError) {
  VEKFailNextCall(VEKCall::CreateEvent, ENOMEM);
  IRDB store(nullptr);
  EXPECT_EQ(reports.count(vekdMapSysError(ENOMEM)), 1);
  Irrepdat row;
  row.setIid("0123456789abcdef0123456789abcdef");
  EXPECT_THROW(row.retrieve(), IRStore::Unrecoverable);
}

// An operation's queries share one read transaction, which ends with the
// operation: no snapshot outlives it, and the next operation sees what
// others committed meanwhile.
TEST_F(Session, AnOperationsSharedReadsEndWithTheOperation) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
  build.define<CORBA_InterfaceDef_Impl>("I", "IDL:M/I:1.0", "IDL:M:1.0");
  store.endUpdate();
  EXPECT_EQ(repids_of(store.contents(handle_of("IDL:M:1.0").get(), CORBA::dk_all, 1, -1)).size(), 1u);
  EXPECT_FALSE(shared_reads_open());
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:M/I:1.0").get()), CORBA::dk_Interface);
  EXPECT_FALSE(shared_reads_open());
  EXPECT_EQ(object_rows(), 3);  // outside an operation: no shared reads at all
  EXPECT_FALSE(shared_reads_open());
}

// A statement the worker takes a while to run (a second or so, as long as
// IRREPDAT holds a row), so that a test can tell whose turn the next event
// call is.
constexpr const char* kSlowStatement =
    "DELETE FROM IRREPDAT WHERE IID IN (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
    "SELECT x + 1 FROM c WHERE x < 2000000) SELECT CAST(x AS CHAR(32)) FROM c)";

// The requester stopped waiting for an answer that the worker still gives:
// no later request may take that answer for its own. (The worker runs a
// slow statement, so the failed wait is surely the requester's.)
TEST_F(Session, AFailedHandOffHandsNoAnswerToTheWrongRequest) {
  IRDB store(nullptr);
  insert_object(1);
  session().commit();
  char iid[33];
  char* columns[] = {iid};
  int lengths[] = {33};
  session().execute("SELECT IID FROM IRREPDAT");
  VEKFailNextCall(VEKCall::WaitEvent, EINTR);
  EXPECT_THROW(session().execute(kSlowStatement), IRSError);
  for (int i = 0; i < 3; ++i) {
    try {
      session().fetch(1, columns, lengths, 0);
      ADD_FAILURE() << "a request was answered with the answer of another";
    } catch (IRSError& e) {
      EXPECT_EQ(e.code, TARN_SQL_NOT_STARTED);
    }
  }
}

TEST_F(Session, AStoreOpensNormallyAfterOneWhoseHandOffFailed) {
  {
    IRDB store(nullptr);
    insert_object(1);
    session().commit();
    VEKFailNextCall(VEKCall::WaitEvent, EINTR);
    EXPECT_THROW(session().execute(kSlowStatement), IRSError);
  }
  IRDB store(nullptr);
  insert_object(2);
  session().commit();
  EXPECT_EQ(object_rows(), 2);
}

// The worker's own post of an answer failed and it ended: the requester
// that waits for that answer still gets it, at once, and every later
// request hears that nobody will answer instead of waiting for ever.
TEST_F(Session, ASessionWhoseWorkerEndedAnswersAtOnce) {
  IRDB store(nullptr);
  // Armed on the worker, while it runs the statement: the next post is its
  // post of the answer.
  set_statement_observer([](const StatementEvent&, void*) {
    set_statement_observer(nullptr, nullptr);
    VEKFailNextCall(VEKCall::PostEvent, EIO);
  }, nullptr);
  auto request = [](int n) {
    return std::async(std::launch::async, [n] {
      try {
        insert_object(n);
        return 0;
      } catch (IRSError& e) {
        return e.code;
      }
    });
  };
  const int expected[] = {0, TARN_SQL_NOT_STARTED};
  for (int n = 1; n <= 2; ++n) {
    auto answered = request(n);
    ASSERT_EQ(answered.wait_for(std::chrono::seconds(30)), std::future_status::ready)
        << "request " << n << " waits for ever";
    EXPECT_EQ(answered.get(), expected[n - 1]) << "request " << n;
  }
  EXPECT_EQ(reports.count(vekdMapSysError(EIO)), 1);
}

// ---- Traces -------------------------------------------------------------------------

class LockTraces : public ::testing::Test {
 protected:
  void SetUp() override { QELMutexTrace = 1; }
  void TearDown() override { QELMutexTrace = 0; }
  TempRepository repository{"VADIRIRI"};
  CapturedTraces traces;
};

TEST_F(LockTraces, TheStoreLockIsTracedWhenCreatedTakenReleasedAndDestroyed) {
  { IRDB store(nullptr); }
  std::vector<TraceRecord> records = traces.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(std::regex_match(records[0].text, std::regex("\nCreating CS Mutex: 0x[0-9a-f]{8}\n")));
  EXPECT_TRUE(std::regex_match(records[1].text, std::regex("\nDestroying CS Mutex: 0x[0-9a-f]{8}\n")));
  EXPECT_EQ(records[0].text.substr(20), records[1].text.substr(22));  // the same handle
  EXPECT_EQ(records[0].file, "lib/id/irdb");
  EXPECT_EQ(records[0].line, 125);
}

TEST_F(LockTraces, AGuardTracesOnceOnEntryAndOnceOnExitAlsoOnException) {
  void* mutex = nullptr;
  ASSERT_EQ(VEKCreateMutexSem(&mutex), 0);
  try {
    CSGuard guard(&mutex);
    CSGuard again(&mutex);  // re-entrant for its owner
    throw IRStore::NotExist();
  } catch (IRStore::NotExist&) {
  }
  EXPECT_EQ(traces.count_starting("\nStarting CS: 0x"), 2);
  EXPECT_EQ(traces.count_starting("\nEnding CS: 0x"), 2);
  std::vector<TraceRecord> records = traces.records();
  EXPECT_EQ(records.front().line, 81);
  EXPECT_EQ(records.back().line, 84);

  // Released: another thread can take it.
  std::thread other([mutex] { CSGuard guard(const_cast<void* const*>(&mutex)); });
  other.join();
  VEKDestroyMutexSem(mutex);
}

// The statement trace setting is read once per process, so it is tested in
// a fresh process that writes its standard output to a file.
void run_with_statement_trace(const std::string& output) {
  {
    TempRepository repository{"VADIRIRI"};
    QelSetParm("com.orvo.CORBA.sqlPrint", "1");
    if (!std::freopen(output.c_str(), "w", stdout)) std::exit(2);
    IRDB store(nullptr);
    query("SELECT IID FROM IRREPDAT", 1);  // no rows: one FETCH
    insert_object(1);
    insert_object(2);
    query("SELECT IID FROM IRREPDAT", 1);  // two rows: three FETCHes
  }
  std::fflush(stdout);
  std::exit(0);
}

TEST(StatementTrace, EveryStatementAndTheCountersAtTheEndOfTheSessionGoToStandardOutput) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child process runs this body again: it takes the parent's file name.
  const char* kOutputVariable = "IRSTORE_TEST_TRACE_OUTPUT";
  if (!std::getenv(kOutputVariable)) {
    std::string name = ::testing::TempDir() + "irstore-trace-" + std::to_string(getpid()) + ".txt";
    setenv(kOutputVariable, name.c_str(), 1);
  }
  std::string output = std::getenv(kOutputVariable);
  EXPECT_EXIT(run_with_statement_trace(output), ::testing::ExitedWithCode(0), "");
  std::ifstream file(output);
  std::stringstream text;
  text << file.rdbuf();
  std::remove(output.c_str());
  unsetenv(kOutputVariable);

  std::string k1 = key(1), k2 = key(2);
  std::string expected =
      "SELECT IID FROM IRREPDAT\n"
      "INSERT INTO IRREPDAT (IID, NAME, KIND) VALUES ('" + k1 + "','m','Module')\n"
      "INSERT INTO IRREPDAT (IID, NAME, KIND) VALUES ('" + k2 + "','m','Module')\n"
      "SELECT IID FROM IRREPDAT\n"
      "Fetch   Count = 4\n"
      "GetData Count = 2\n";
  EXPECT_EQ(text.str(), expected);
}

}  // namespace

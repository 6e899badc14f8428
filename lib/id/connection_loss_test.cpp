// A lost connection never does harm beyond the loss itself: a walk that
// meets a reconnect answers whole or fails, a session whose reconnect failed
// heals once the database is back, a failed CONNECT leaves nothing behind,
// half a unit of work is never committed, and no statement runs on another
// thread's cursor. On SQLite and, with IRSTORE_TEST_ENGINE=postgresql, on
// the test server.
#include <dirent.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <qelororm/qel.h>
#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "pg_test_server.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

bool mentions(const char* text, const char* part) {
  return text != nullptr && std::string(text).find(part) != std::string::npos;
}

std::string answer(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* sequence) {
  std::string text;
  for (const std::string& repid : repids_of(sequence)) text += repid + " ";
  return text;
}

// ---- Walks across a reconnect ---------------------------------------------------

using Operation = std::function<std::string(IRDB&)>;

struct WalkingOperation {
  const char* name;
  Operation run;
};

void PrintTo(const WalkingOperation& operation, std::ostream* out) { *out << operation.name; }

std::vector<WalkingOperation> walking_operations() {
  auto h = [](const char* repid) { return handle_of(repid); };
  return {
      {"lookup_name", [=](IRDB& s) { return answer(s.lookup_name(h("IDL:M/D:1.0").get(), const_cast<char*>("op"), -1, CORBA::dk_all, 0)); }},
      {"contents", [=](IRDB& s) { return answer(s.contents(h("IDL:M/D:1.0").get(), CORBA::dk_all, 0, -1)); }},
      {"find_objects_scoped", [=](IRDB& s) { return answer(s.find_objects(const_cast<char*>("%"), const_cast<char*>("2:5:7:9"), 1, h("IDL:M:1.0").get())); }},
      {"is_duplicate_name", [=](IRDB& s) { return std::to_string(s.is_duplicate_name(h("IDL:M/A:1.0").get(), const_cast<char*>("a"))); }},
      {"inherits_from", [=](IRDB& s) { return std::to_string(s.inherits_from(h("IDL:M/D:1.0").get(), h("IDL:M/A:1.0").get())); }},
      {"get_objects_2b_deleted", [=](IRDB& s) { return answer(s.get_objects_2b_deleted(h("IDL:M:1.0").get())); }},
      {"destroy", [=](IRDB& s) { s.destroy(h("IDL:M/A:1.0").get()); return std::string("done"); }},
  };
}

class WalkAcrossAReconnect : public ::testing::TestWithParam<WalkingOperation> {
 protected:
  // Module M holds interface A (with operation op), module N (holding B,
  // deriving from A, and C, deriving from B, with attribute a), interface
  // D (deriving from C) and alias T, which op and a use: every walk goes
  // several levels deep.
  void SetUp() override {
    RepositoryBuilder build(store);
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("A", "IDL:M/A:1.0", "IDL:M:1.0");
    build.define<CORBA_OperationDef_Impl>("op", "IDL:M/A/op:1.0", "IDL:M/A:1.0");
    build.define<CORBA_ModuleDef_Impl>("N", "IDL:M/N:1.0", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("B", "IDL:M/N/B:1.0", "IDL:M/N:1.0");
    build.define<CORBA_InterfaceDef_Impl>("C", "IDL:M/N/C:1.0", "IDL:M/N:1.0");
    build.define<CORBA_AttributeDef_Impl>("a", "IDL:M/N/C/a:1.0", "IDL:M/N/C:1.0");
    build.define<CORBA_InterfaceDef_Impl>("D", "IDL:M/D:1.0", "IDL:M:1.0");
    build.define<CORBA_AliasDef_Impl>("T", "IDL:M/T:1.0", "IDL:M:1.0");
    build.inherit("IDL:M/N/B:1.0", "IDL:M/A:1.0");
    build.inherit("IDL:M/N/C:1.0", "IDL:M/N/B:1.0");
    build.inherit("IDL:M/D:1.0", "IDL:M/N/C:1.0");
    build.refer("IDL:M/A/op:1.0", "IDL:M/T:1.0");
    build.refer("IDL:M/N/C/a:1.0", "IDL:M/T:1.0");
    store.endUpdate();
  }
  void TearDown() override { tarn_fail_statement(0, 0); }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
};

// Whatever statement the connection is lost at, the operation answers as
// it does without the loss, or fails with the loss; and the store works on.
TEST_P(WalkAcrossAReconnect, AnswersWholeOrFailsWithTheLoss) {
  const WalkingOperation& operation = GetParam();
  const std::string before = table_snapshot();
  const std::string expected_answer = operation.run(store);
  const std::string expected_after = table_snapshot();
  store.cancelUpdate();
  ASSERT_EQ(table_snapshot(), before);

  for (int position = 1;; ++position) {
    SCOPED_TRACE(std::string(operation.name) + " losing the connection at statement " +
                 std::to_string(position));
    long start = tarn_statement_count();
    tarn_fail_statement(position, TARN_SQL_CONNECTION_LOST);
    bool failed = false;
    std::string answered;
    try {
      answered = operation.run(store);
    } catch (IRStore::Exception& e) {
      failed = true;
      EXPECT_EQ(e.code, 7);
      EXPECT_TRUE(mentions(e.message, "SQL1224N")) << (e.message ? e.message : "no message");
    } catch (IRSError& e) {
      failed = true;
      EXPECT_EQ(e.code, TARN_SQL_CONNECTION_LOST);
    }
    long made = tarn_statement_count() - start;
    tarn_fail_statement(0, 0);
    if (!failed) {
      EXPECT_EQ(answered, expected_answer);
      EXPECT_EQ(table_snapshot(), expected_after);
    }
    store.cancelUpdate();
    EXPECT_EQ(table_snapshot(), before);
    EXPECT_EQ(operation.run(store), expected_answer) << "the store did not work on";
    store.cancelUpdate();
    if (made < position) break;  // the operation ran whole before the loss
    ASSERT_LT(position, 1000) << "never ran to its end";
  }
}

INSTANTIATE_TEST_SUITE_P(WalkingOperations, WalkAcrossAReconnect,
                         ::testing::ValuesIn(walking_operations()),
                         [](const ::testing::TestParamInfo<WalkingOperation>& info) {
                           return std::string(info.param.name);
                         });

// ---- Healing after an outage ----------------------------------------------------

// A parameter set for one test and removed afterwards.
class ScopedParameter {
 public:
  ScopedParameter(const char* name, const char* value) : name_(name) { QelSetParm(name, value); }
  ~ScopedParameter() { QelSetParm(name_, nullptr); }
  ScopedParameter(const ScopedParameter&) = delete;
  ScopedParameter& operator=(const ScopedParameter&) = delete;

 private:
  const char* name_;
};

class Outage : public ::testing::Test {
 protected:
  // The database goes away under a connected store: on SQLite its file is
  // moved away and the connection lost; on PostgreSQL the database refuses
  // connections and the server ends the store's.
  void take_the_database_away() {
    if (repository.on_postgresql()) {
      admin("ALTER DATABASE " + pg_test_server::identifier(database()) + " ALLOW_CONNECTIONS false");
      ASSERT_EQ(pg_test_server::terminate_connections(database()), 1);
    } else {
      ASSERT_EQ(std::rename(file().c_str(), (file() + ".away").c_str()), 0);
      tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
    }
  }
  void bring_the_database_back() {
    if (repository.on_postgresql()) {
      admin("ALTER DATABASE " + pg_test_server::identifier(database()) + " ALLOW_CONNECTIONS true");
    } else {
      ASSERT_EQ(std::rename((file() + ".away").c_str(), file().c_str()), 0);
    }
  }
  std::string database() const { return repository.database_name("VADIRIRI"); }
  std::string file() const { return repository.home() + "/VADIRIRI.sqlite"; }
  static void admin(const std::string& sql) { pg_test_server::admin(sql); }
  void TearDown() override { tarn_fail_statement(0, 0); }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  ScopedParameter wait{"com.orvo.CORBA.irReconnectWait", "1"};
};

TEST_F(Outage, TheStoreHealsByItselfOnceTheDatabaseIsBack) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("Kept", "IDL:Kept:1.0");
  store.endUpdate();
  auto ask = [&store] { return store.kind_from_ID(handle_of("IDL:Kept:1.0").get()); };

  take_the_database_away();
  EXPECT_THROW(ask(), IRStore::Exception);  // the loss, with no database to reconnect to
  EXPECT_THROW(ask(), IRStore::Exception);  // still none
  bring_the_database_back();
  EXPECT_EQ(ask(), CORBA::dk_Module);
  build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0");
  store.endUpdate();
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:After:1.0").get()), CORBA::dk_Module);
}

// A CLOSE that finds the connection lost: the row delivered stands, and
// the next request connects again instead of finding no connection.
TEST_F(Outage, ALossThatACloseReportsIsRepairedByTheNextRequest) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("Kept", "IDL:Kept:1.0");
  store.endUpdate();
  auto ask = [&store] { return store.kind_from_ID(handle_of("IDL:Kept:1.0").get()); };
  ASSERT_EQ(ask(), CORBA::dk_Module);
  long start = tarn_statement_count();
  ASSERT_EQ(ask(), CORBA::dk_Module);
  int close = static_cast<int>(tarn_statement_count() - start);  // its last statement

  tarn_fail_statement(close, TARN_SQL_CONNECTION_LOST);
  EXPECT_EQ(ask(), CORBA::dk_Module);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ask(), CORBA::dk_Module);
  build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0");
  store.endUpdate();
}

// ---- A failed CONNECT -------------------------------------------------------------

int open_descriptors() {
  int count = 0;
  if (DIR* descriptors = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(descriptors)) count += entry->d_name[0] != '.';
    closedir(descriptors);
  }
  return count;
}

// A CONNECT that fails with a lost connection is repaired by the reconnect
// itself; whether the store then opens or not, nothing of it is left
// behind once it is gone.
TEST(FailedConnect, LeavesNoDescriptorBehind) {
  TempRepository repository{"VADIRIRI"};
  repository.add_catalog_line("NOSERVER postgresql host=127.0.0.1 port=1 dbname=none");
  CapturedReports reports;
  auto open_once = [](const char* alias, bool lose_the_connect) {
    if (lose_the_connect) tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
    try {
      IRDB store(alias);
    } catch (IRStore::Exception& e) {
      EXPECT_EQ(e.code, 7);
    }
    tarn_fail_statement(0, 0);
  };
  open_once(nullptr, true);  // whatever is made once per process is made now
  open_once("NOSERVER", false);
  int before = open_descriptors();
  for (int i = 0; i < 100; ++i) open_once(nullptr, true);       // a loss the reconnect repairs
  for (int i = 0; i < 100; ++i) open_once("NOSERVER", false);  // a server that never answers
  EXPECT_EQ(open_descriptors(), before);
}

// ---- Half a unit of work ----------------------------------------------------------

class LostUnitOfWork : public ::testing::Test {
 protected:
  void TearDown() override { tarn_fail_statement(0, 0); }
  bool stored(const char* repid) {
    return store.kind_from_ID(handle_of(repid).get()) != CORBA::dk_none;
  }
  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
};

// After the store said that a loss took changes with it, the changes made
// since then are not the unit of work the caller began: COMMIT is refused
// until the caller cancels.
TEST_F(LostUnitOfWork, IsNeverCommittedAndTheCancelEndsIt) {
  store.endUpdate();
  build.define<CORBA_ModuleDef_Impl>("First", "IDL:First:1.0");
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
  EXPECT_THROW(build.define<CORBA_ModuleDef_Impl>("Lost", "IDL:Lost:1.0"), IRStore::Exception);
  build.define<CORBA_ModuleDef_Impl>("Later", "IDL:Later:1.0");  // on the new connection

  try {
    store.endUpdate();
    FAIL() << "half a unit of work was committed";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 7);
    EXPECT_TRUE(mentions(e.message, "SQL0918N")) << (e.message ? e.message : "no message");
  }
  store.cancelUpdate();
  EXPECT_FALSE(stored("IDL:First:1.0"));
  EXPECT_FALSE(stored("IDL:Lost:1.0"));
  EXPECT_FALSE(stored("IDL:Later:1.0"));

  build.define<CORBA_ModuleDef_Impl>("Again", "IDL:Again:1.0");
  store.endUpdate();
  EXPECT_TRUE(stored("IDL:Again:1.0"));
}

// A loss with nothing uncommitted loses nothing: nothing to cancel.
TEST_F(LostUnitOfWork, ALossWithNothingUncommittedLeavesCommitAlone) {
  store.endUpdate();
  tarn_fail_statement(1, TARN_SQL_CONNECTION_LOST);
  build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0");
  store.endUpdate();
  EXPECT_TRUE(stored("IDL:After:1.0"));
}

// ---- One cursor, one thread at a time ------------------------------------------------

// Iadd_object reads and writes through the session's one cursor like every
// other operation: another thread's open query must not lose its rows.
TEST(StoreLock, AddingAnObjectNeverCutsAnotherThreadsQueryShort) {
  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("K", "IDL:K:1.0");
  for (int i = 0; i < 5; ++i) {
    std::string name = "m" + std::to_string(i);
    build.define<CORBA_ModuleDef_Impl>(name, "IDL:K/" + name + ":1.0", "IDL:K:1.0");
  }
  store.endUpdate();

  ObjectReference<CORBA_ModuleDef_Impl> object(new CORBA_ModuleDef_Impl("m0", "IDL:K/m0:1.0"));
  EncapIIOP state(ENCAP_WRITE);
  object->object_to_stream(state);
  std::atomic<bool> stop{false};
  std::thread adder([&] {
    while (!stop) {
      StoreHandle handle(CORBA::string_dup("IDL:K/m0:1.0"), nullptr, 0);
      StoreObject record{&handle, const_cast<char*>("m0"), CORBA::dk_Module, &state};
      try {
        store.Iadd_object(&record);
      } catch (IRStore::Exception& e) {
        if (e.code != 1) ADD_FAILURE() << "adding failed with code " << e.code;  // stored already
      }
    }
  });
  for (int i = 0; i < 300 && !HasFailure(); ++i) {
    EXPECT_EQ(repids_of(store.contents(handle_of("IDL:K:1.0").get(), CORBA::dk_all, 1, -1)).size(), 5u)
        << "round " << i;
  }
  stop = true;
  adder.join();
}

}  // namespace

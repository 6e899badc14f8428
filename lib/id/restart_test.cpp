// The store across a restart of its PostgreSQL server (pg_ctl restart -m
// fast, the command in IRSTORE_TEST_PGRESTART). The restart ends every
// connection to the server, so these tests run alone.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>

#include "captured_output.h"
#include "pg_test_server.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class ServerRestart : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!repository.on_postgresql() || std::getenv("IRSTORE_TEST_PGRESTART") == nullptr)
      GTEST_SKIP() << "needs the repositories on a PostgreSQL server this test may restart "
                      "(IRSTORE_TEST_ENGINE=postgresql, IRSTORE_TEST_PGRESTART)";
  }
  static void restart_server() { ASSERT_EQ(std::system(std::getenv("IRSTORE_TEST_PGRESTART")), 0); }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
};

TEST_F(ServerRestart, BetweenTwoOperationsTheStoreWorksOnAfterward) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("Before", "IDL:Before:1.0");
  store.endUpdate();
  restart_server();
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:Before:1.0").get()), CORBA::dk_Module);
  build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0");
  store.endUpdate();
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:After:1.0").get()), CORBA::dk_Module);
}

// Operations go on while the server restarts: a reconnect waits for the
// server to come back, a unit of work that the restart cut short is
// reported, and every unit reported committed is there, whole.
TEST_F(ServerRestart, WhileOperationsRunNothingCommittedIsLostAndTheStoreWorksOnAfterward) {
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  store.endUpdate();
  std::atomic<bool> stop{false};
  std::vector<int> committed;
  int reported = 0;
  std::thread writer([&] {
    for (int n = 0; !stop; ++n) {
      std::string repid = "IDL:M" + std::to_string(n) + ":1.0";
      try {
        build.define<CORBA_ModuleDef_Impl>("M" + std::to_string(n), repid);
        store.endUpdate();
        committed.push_back(n);
      } catch (IRStore::Exception&) {
        ++reported;
        try {
          store.cancelUpdate();
        } catch (IRStore::Exception&) {
          ++reported;  // the store could not even cancel: counted, and failed below
        }
      }
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  restart_server();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop = true;
  writer.join();

  std::printf("%zu units committed, %d cut short by the restart\n", committed.size(), reported);
  EXPECT_GT(committed.size(), 0u);
  EXPECT_LE(reported, 2) << "more units failed than the restart cut short";
  for (int n : committed)
    EXPECT_EQ(store.kind_from_ID(handle_of("IDL:M" + std::to_string(n) + ":1.0").get()), CORBA::dk_Module) << n;
  // No object without its container, none contained twice.
  EXPECT_EQ(count_rows("IRREPDAT") - 1, count_rows("IRBUCKET"));
  build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0");
  store.endUpdate();
}

}  // namespace

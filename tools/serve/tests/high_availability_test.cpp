// Serving one PostgreSQL repository from two servers, each publishing both
// addresses: what one writes the other answers at once, and when one is
// killed, clients holding its references go on through the other. A server
// whose database does not come back within the reconnect wait stops, with
// a status a supervisor acts on. Both need a repository on PostgreSQL.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "pg_test_server.h"
#include "served_repository.h"

namespace {

bool on_postgresql() { return pg_test_server::conninfo() != nullptr && pg_test_server::repositories_on_postgresql(); }

// The calls of the clients, counted apart before and after the kill.
struct Tally {
  explicit Tally(int clients) : calls(clients), calls_after(clients) {}

  // Runs one call of a client, which throws a CORBA exception when it fails.
  template <class Call>
  void run(int client, Call call) {
    bool after = killed;
    ++calls[client];
    if (after) ++calls_after[client];
    try {
      call();
      if (after) ++succeeded_after;
    } catch (const CORBA::Exception& e) {
      std::lock_guard lock(mutex);
      if (after) failures_after.push_back(e._name());  // one under way at the kill may fail
    }
  }
  // Whether every client has made that many calls.
  bool each_made(int count) {
    return std::all_of(calls.begin(), calls.end(), [&](const std::atomic<int>& n) { return n >= count; });
  }
  int total_after() {
    int total = 0;
    for (const std::atomic<int>& n : calls_after) total += n;
    return total;
  }

  std::atomic<bool> killed{false};
  std::vector<std::atomic<int>> calls, calls_after;
  std::atomic<int> succeeded_after{0};
  std::mutex mutex;
  std::vector<std::string> failures_after;
  std::vector<std::string> created;  // the changes whose call returned
};

void wait_for(const std::function<bool()>& done) {
  while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(Failover, ClientsOfAKilledServerGoOnThroughTheOtherAndNoReturnedChangeIsLost) {
  if (!on_postgresql()) GTEST_SKIP() << "two servers share a repository on PostgreSQL";
  ServedRepository& served = ServedRepository::shared(Serving{.writable = true, .servers = 2});
  CORBA::Repository_var first = served.published_repository(0), second = served.published_repository(1);

  // A change through one is there at once through the other.
  CORBA::ModuleDef_var module = first->create_module("IDL:Failover:1.0", "Failover", "1.0");
  CORBA::Contained_var seen = second->lookup_id("IDL:Failover:1.0");
  ASSERT_FALSE(CORBA::is_nil(seen));

  // The clients hold references the first server made, with both addresses.
  constexpr int kReaders = 4, kCallsEach = 20;
  Tally tally(kReaders + 1);
  auto done = [&](int client) { return tally.killed && tally.calls_after[client] >= kCallsEach; };
  std::vector<std::thread> clients;
  for (int reader = 0; reader < kReaders; ++reader) {
    clients.emplace_back([&, reader] {
      CORBA::Contained_var found = first->lookup_id("IDL:omg.org/CosNaming/NamingContext/bind:1.0");
      CORBA::OperationDef_var bind = CORBA::OperationDef::_narrow(found);
      while (!done(reader)) {
        tally.run(reader, [&] {
          CORBA::Contained::Description_var description = bind->describe();
          CORBA::Contained_var again = first->lookup_id("IDL:omg.org/CosNaming/NameComponent:1.0");
          if (CORBA::is_nil(again)) throw CORBA::INTF_REPOS();
        });
      }
    });
  }
  clients.emplace_back([&] {
    for (int i = 0; !done(kReaders); ++i) {
      std::string name = "M" + std::to_string(i), id = "IDL:Failover/" + name + ":1.0";
      tally.run(kReaders, [&] {
        CORBA::ModuleDef_var created = module->create_module(id.c_str(), name.c_str(), "1.0");
        std::lock_guard lock(tally.mutex);
        tally.created.push_back(id);
      });
    }
  });
  wait_for([&] { return tally.each_made(kCallsEach); });
  EXPECT_EQ(served.stop(SIGKILL, 0), -1);
  tally.killed = true;
  for (std::thread& client : clients) client.join();

  int lost = 0;
  for (const std::string& id : tally.created) {
    if (served.store().kind_of(id) != irstore::access::Kind::Module) ++lost;
  }
  std::printf("failover: %d calls after the kill, %d succeeded, %d changes lost\n", tally.total_after(),
              tally.succeeded_after.load(), lost);
  EXPECT_EQ(tally.failures_after, std::vector<std::string>{});
  EXPECT_EQ(tally.succeeded_after, tally.total_after());
  EXPECT_EQ(lost, 0);
  EXPECT_FALSE(tally.created.empty());
}

// The database stops taking connections: the next request that needs it
// waits for it (a second, here), finds it gone and stops the server.
TEST(DatabaseLoss, AServerWhoseDatabaseStaysAwayStopsForItsSupervisor) {
  if (!on_postgresql()) GTEST_SKIP() << "the database is a PostgreSQL server's";
  setenv("com_orvo_CORBA_irReconnectWait", "1", 1);  // for the server, which inherits it
  ServedRepository& served = ServedRepository::shared(Serving{.writable = true});
  unsetenv("com_orvo_CORBA_irReconnectWait");
  CORBA::Repository_var repository = served.published_repository();
  CORBA::Contained_var found = repository->lookup_id("IDL:irstore.test/ServeTest:1.0");
  ASSERT_FALSE(CORBA::is_nil(found));

  std::string database = pg_test_server::identifier(served.database());
  pg_test_server::admin("ALTER DATABASE " + database + " ALLOW_CONNECTIONS false");
  pg_test_server::terminate_connections(served.database());
  EXPECT_THROW(found = repository->lookup_id("IDL:irstore.test/ServeTest:1.0"), CORBA::SystemException);
  EXPECT_EQ(served.wait(), 3);
  EXPECT_NE(served.log().find("did not come back within the reconnect wait"), std::string::npos) << served.log();

  // Started again once the database is back, it answers the same references.
  pg_test_server::admin("ALTER DATABASE " + database + " ALLOW_CONNECTIONS true");
  served.start();
  found = repository->lookup_id("IDL:irstore.test/ServeTest:1.0");
  EXPECT_FALSE(CORBA::is_nil(found));
}

}  // namespace

#include "pg_connect.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "codes.h"
#include "pg_errors.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

std::atomic<long> reconnect_wait_ms{10000};

void discard_notice(void*, const char*) {}

// The targets this process has reached: losing one of them is a restart
// or a failover worth waiting for, not a wrong address.
class ReachedTargets {
 public:
  bool contains(const std::string& key) {
    std::lock_guard lock(mutex_);
    return keys_.contains(key);
  }
  void add(const std::string& key) {
    std::lock_guard lock(mutex_);
    keys_.insert(key);
  }

 private:
  std::mutex mutex_;
  std::set<std::string> keys_;
};

ReachedTargets& reached_targets() {
  static ReachedTargets* targets = new ReachedTargets;  // used until the process ends
  return *targets;
}

// The keywords and values of a connect. Later keywords override earlier
// ones; only the first dbname is expanded as a conninfo.
class Parameters {
 public:
  Parameters(const std::string& conninfo, const Credentials& credentials, const std::string& dbname,
             std::chrono::seconds timeout = {})
      : user_(credentials.user.value_or("")),
        password_(credentials.password.value_or("")),
        dbname_(dbname),
        timeout_(std::to_string(timeout.count())) {
    // Before the conninfo: a timeout of its own overrides this one.
    if (timeout.count() > 0 && std::getenv("PGCONNECT_TIMEOUT") == nullptr)
      add("connect_timeout", timeout_.c_str());
    add("dbname", conninfo.c_str());
    if (credentials.user) add("user", user_.c_str());
    if (credentials.password) add("password", password_.c_str());
    if (!dbname_.empty()) add("dbname", dbname_.c_str());
    add(nullptr, nullptr);
  }
  const char* const* keywords() const { return keywords_.data(); }
  const char* const* values() const { return values_.data(); }

 private:
  void add(const char* keyword, const char* value) {
    keywords_.push_back(keyword);
    values_.push_back(value);
  }
  std::string user_, password_, dbname_, timeout_;
  std::vector<const char*> keywords_, values_;
};

// A catalog entry libpq cannot read is the catalog's fault, not the server's.
void check_conninfo(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (options != nullptr) return PQconninfoFree(options);
  std::string message = error ? one_line(error) : "out of memory";
  PQfreemem(error);
  throw engine_error(TARN_SQL_ALIAS_NOT_FOUND, "invalid connection string in the catalog: " + message);
}

PgConnPtr attempt(const std::string& conninfo, const Credentials& credentials, const ConnectOptions& options) {
  Parameters parameters(conninfo, credentials, options.dbname, options.connect_timeout);
  PgConnPtr connection(PQconnectdbParams(parameters.keywords(), parameters.values(), 1));
  if (!connection || PQstatus(connection.get()) != CONNECTION_OK) throw connect_error(connection.get());
  return connection;
}

void set_up(PGconn* connection) {
  PQsetNoticeProcessor(connection, discard_notice, nullptr);
  PgResultPtr result(PQexec(connection,
                            "SET standard_conforming_strings = on; SET lock_timeout = '10s'"));
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) throw result_error(connection, result.get());
}

}  // namespace

std::chrono::milliseconds default_reconnect_wait() {
  return std::chrono::milliseconds(reconnect_wait_ms.load(std::memory_order_relaxed));
}

PgConnPtr connect_to_server(const std::string& conninfo, const Credentials& credentials,
                            const ConnectOptions& options) {
  check_conninfo(conninfo);
  std::string key = conninfo + '\n' + std::string(credentials.user.value_or("")) + '\n' + options.dbname;
  auto deadline = std::chrono::steady_clock::now() + options.reconnect_wait;
  while (true) {
    try {
      PgConnPtr connection = attempt(conninfo, credentials, options);
      set_up(connection.get());
      reached_targets().add(key);
      return connection;
    } catch (const EngineError& error) {
      if (error.sqlcode != TARN_SQL_CONNECTION_LOST || !reached_targets().contains(key) ||
          std::chrono::steady_clock::now() >= deadline)
        throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

PgConnPtr start_connecting(const std::string& conninfo, const Credentials& credentials) {
  Parameters parameters(conninfo, credentials, "");
  return PgConnPtr(PQconnectStartParams(parameters.keywords(), parameters.values(), 1));
}

}  // namespace tarn

extern "C" void tarn_set_reconnect_wait(long milliseconds) {
  tarn::reconnect_wait_ms.store(milliseconds > 0 ? milliseconds : 0, std::memory_order_relaxed);
}

// Connecting to a PostgreSQL server for an alias.
#ifndef TARN_PG_CONNECT_H
#define TARN_PG_CONNECT_H

#include <chrono>
#include <string>

#include "database.h"
#include "pg_handles.h"

namespace tarn {

// The process's reconnect wait (tarn_set_reconnect_wait).
std::chrono::milliseconds default_reconnect_wait();

struct ConnectOptions {
  // Another database on the same server (the maintenance database when a
  // database is created); empty: the conninfo's.
  std::string dbname;
  // How long a reconnect waits for a server that accepted this process
  // before (a restart, a failover) to accept it again.
  std::chrono::milliseconds reconnect_wait = default_reconnect_wait();
  // How long one attempt may wait for the server to answer, unless the
  // conninfo (or PGCONNECT_TIMEOUT) says: libpq alone would wait forever
  // for a server that accepted the connection and never answered.
  std::chrono::seconds connect_timeout{10};
};

// Connects with the conninfo; a user id and password given override the
// conninfo's. The connection discards the server's notices, takes its
// quotes as the SQL standard says (no backslash escapes) and waits at most
// as long for a lock as the SQLite backend does. Throws EngineError (see
// connect_error; a conninfo libpq cannot parse is -1013).
PgConnPtr connect_to_server(const std::string& conninfo, const Credentials& credentials,
                            const ConnectOptions& options = {});

// Starts connecting without waiting (libpq's defaults applied, so that PQdb
// names the database), or null without memory.
PgConnPtr start_connecting(const std::string& conninfo, const Credentials& credentials);

}  // namespace tarn

#endif  // TARN_PG_CONNECT_H

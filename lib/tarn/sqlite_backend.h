// The SQLite backend: one database file per alias.
#ifndef TARN_SQLITE_BACKEND_H
#define TARN_SQLITE_BACKEND_H

#include <chrono>
#include <memory>
#include <string>

#include "backend.h"

struct sqlite3;

namespace tarn {

struct SqliteOptions {
  // How long a writer waits for another connection's unit of work.
  std::chrono::milliseconds busy_timeout{10000};
};

// The flags every connection of the engine is opened with (reading and
// writing; SQLITE_OPEN_CREATE is added where a database is created).
// A connection is only ever used by the thread its context is attached
// to, one at a time, so SQLite's own locking of each call is left out.
int sqlite_open_flags();

// What every connection of the engine gets: UCASE, case-sensitive LIKE,
// the schema's relation checks and its page cache. Throws as the engine does.
void configure_sqlite_connection(sqlite3* db);

// Opens an existing database file; it is never created here (a missing
// file is -1013).
std::unique_ptr<Connection> open_sqlite(const std::string& path, const SqliteOptions& options = {});

// Creates the file (and its directory) if missing, and the store's tables
// if none of them exists. Returns true when it created the tables, false
// when they were all there already (then nothing is changed).
bool create_sqlite_database(const std::string& path);

}  // namespace tarn

#endif  // TARN_SQLITE_BACKEND_H

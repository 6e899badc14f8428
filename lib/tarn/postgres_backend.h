// The PostgreSQL backend: a database on a server that many processes
// share, named by a libpq conninfo in the catalog.
#ifndef TARN_POSTGRES_BACKEND_H
#define TARN_POSTGRES_BACKEND_H

#include <memory>
#include <string>

#include "backend.h"
#include "database.h"

namespace tarn {

// Connects to an existing database; it is never created here (a missing
// database is -1013).
std::unique_ptr<Connection> open_postgresql(const std::string& conninfo, const Credentials& credentials);

// Creates the database on the server if it does not exist (connecting to
// the maintenance database "postgres" to do so), then the store's tables if
// none of them exists. Returns true when it created the tables, false when
// they were all there already (then nothing is changed).
bool create_postgresql_database(const std::string& conninfo, const Credentials& credentials);

}  // namespace tarn

#endif  // TARN_POSTGRES_BACKEND_H

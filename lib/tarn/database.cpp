// Databases: connecting to and creating the target of an alias.
#include "database.h"

#include "codes.h"
#include "messages.h"
#include "postgres_backend.h"
#include "sqlite_backend.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

void check_credentials(const Target& target, const Credentials& credentials) {
  // An SQLite file has no users; the catalog entry alone can demand them.
  if (!target.user) return;
  if (credentials.user != target.user || credentials.password != target.password)
    throw engine_error(TARN_SQL_NOT_AUTHORIZED, "user id or password refused for " + target.description());
}

const char* engine_name(const Target& target) {
  return target.engine == Target::Engine::postgresql ? "PGSQL" : "SQLITE";
}

// Creates the target's empty database; false when it existed.
bool create_target(const Target& target, const Credentials& credentials) {
  // A server checks its users itself.
  if (target.engine == Target::Engine::postgresql)
    return create_postgresql_database(target.location, credentials);
  check_credentials(target, credentials);
  return create_sqlite_database(target.location);
}

}  // namespace

std::unique_ptr<Connection> open_database(const Target& target, const Credentials& credentials) {
  if (target.engine == Target::Engine::postgresql) return open_postgresql(target.location, credentials);
  check_credentials(target, credentials);
  return open_sqlite(target.location);
}

}  // namespace tarn

extern "C" void tarn_create_database(const char* alias, const char* user, const char* password,
                                     sqlca* ca) {
  using namespace tarn;
  try {
    Target target = resolve_alias(checked_alias(alias ? alias : ""));
    Credentials credentials;
    if (user) credentials.user = user;
    if (password) credentials.password = password;
    if (create_target(target, credentials))
      fill_sqlca(ca, TARN_SQL_OK, "", "created " + target.description(), engine_name(target));
    else
      fill_sqlca(ca, kDatabaseExists, "", target.description() + " exists already", engine_name(target));
  } catch (const EngineError& error) {
    fill_sqlca(ca, error.sqlcode, error.sqlstate, error.message, kOwnEngineName);
  } catch (const std::exception& error) {
    fill_sqlca(ca, TARN_SQL_ENGINE_ERROR, "", error.what(), kOwnEngineName);
  } catch (...) {
    fill_sqlca(ca, TARN_SQL_ENGINE_ERROR, "", "unexpected failure", kOwnEngineName);
  }
}

extern "C" long tarn_required_stack_size(void) {
  // SQLite's code generator recurses over the expression tree: a chain of
  // a + b + ... at its depth limit (1000) needs about 400 KiB (measured;
  // see the test), so 256 KiB would not do. libpq needs far less: its
  // deepest connect (TLS handshake and SCRAM) used 15 KiB (measured by
  // painting the stack), statements 5 KiB.
  constexpr long kStack = 512 * 1024;
#if defined(__SANITIZE_ADDRESS__)
  return 2 * kStack;  // instrumented frames are much larger
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return 2 * kStack;
#else
  return kStack;
#endif
#else
  return kStack;
#endif
}

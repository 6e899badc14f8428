// Creating repositories: the store's tables, run as a script on a
// connection of the administration's own.
#include <qeloridm/irdb_admin.h>

#include <cstring>
#include <string>

#include <qeloridm/irstore.h>
#include <tarn/tarn.h>

#include "irdb_errors.h"
#include "mrrepdat_internal.h"

// The schema texts, generated from schema/*.sql.
extern const char* const irdb_sqlite_schema;
extern const char* const irdb_postgresql_schema;

namespace {

constexpr const char* kTables[] = {"IRREPDAT", "IRBUCKET", "IRINHER", "IRREFER"};

[[noreturn]] void fail(const sqlca& ca, const char* step) {
  IRSError error = make_irs_error(ca, step);
  raise_translated(error);
}

void check(const sqlca& ca, const char* step) {
  if (ca.sqlcode < 0) fail(ca, step);
}

// A context of its own, attached to the calling thread and connected to
// the alias while it lives; ended, with its unit of work rolled back, on
// every way out.
class AdminConnection {
 public:
  AdminConnection(const char* alias, const char* user, const char* password) {
    sqlca ca{};
    tarn_set_context_type(TARN_CTX_MULTI_MANUAL, &ca);
    check(ca, "SQL SetContextType");
    tarn_begin_context(&context_, &ca);
    check(ca, "SQL BeginContext");
    tarn_attach_context(context_, &ca);
    if (ca.sqlcode != 0) {
      end();
      fail(ca, "SQL AttachToContext");
    }
    attached_ = true;
    connect(alias, user, password);
  }
  ~AdminConnection() { end(); }
  AdminConnection(const AdminConnection&) = delete;
  AdminConnection& operator=(const AdminConnection&) = delete;

  // "SQLITE" or "PGSQL": the engine that answered the CONNECT.
  const std::string& engine() const { return engine_; }

 private:
  void connect(const char* alias, const char* user, const char* password) {
    char alias_field[9] = "        ";
    std::memcpy(alias_field, alias, std::min<std::size_t>(std::strlen(alias), 8));
    char user_field[19] = "", password_field[31] = "";
    if (user) std::strncpy(user_field, user, sizeof user_field - 1);
    if (password) std::strncpy(password_field, password, sizeof password_field - 1);
    InputList vars = make_input_list(user ? 3 : 1);
    tarn_input_set(vars.get(), 0, TARN_CSTRING, 8, alias_field, nullptr);
    if (user) {
      tarn_input_set(vars.get(), 1, TARN_CSTRING, 18, user_field, nullptr);
      tarn_input_set(vars.get(), 2, TARN_CSTRING, 30, password_field, nullptr);
    }
    sqlca ca{};
    tarn_connect(vars.get(), &ca);
    if (ca.sqlcode != 0) {
      end();
      fail(ca, "SQL Connect");
    }
    engine_.assign(ca.sqlerrp, strnlen(ca.sqlerrp, sizeof ca.sqlerrp));
  }
  void end() {
    sqlca ca{};
    if (attached_) {
      tarn_rollback(&ca);
      tarn_detach_context(context_, &ca);
      attached_ = false;
    }
    if (context_) tarn_end_context(context_, &ca);
    context_ = nullptr;
  }

  void* context_ = nullptr;
  bool attached_ = false;
  std::string engine_;
};

// How many of the store's tables the database holds. Each is asked for by
// a statement that changes nothing; the unit of work is rolled back after.
int tables_present() {
  int present = 0;
  for (const char* table : kTables) {
    std::string probe = std::string("DELETE FROM ") + table + " WHERE 1 = 0";
    sqlca ca{};
    tarn_prepare(2, probe.c_str(), &ca);
    if (ca.sqlcode == 0) tarn_execute(2, &ca);
    if (ca.sqlcode == TARN_SQL_UNDEFINED_NAME) continue;
    check(ca, "SQL Execute");
    ++present;
  }
  sqlca ca{};
  tarn_rollback(&ca);
  check(ca, "SQL Rollback");
  return present;
}

const char* schema_of(const std::string& engine) {
  return engine == "PGSQL" ? irdb_postgresql_schema : irdb_sqlite_schema;
}

}  // namespace

bool IRDBAdmin::create_repository(const char* alias, const char* user, const char* password) {
  if (!alias || !*alias || std::strlen(alias) > 8) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  sqlca ca{};
  tarn_create_database(alias, user, password, &ca);
  check(ca, "SQL Create Database");

  AdminConnection connection(alias, user, password);
  int present = tables_present();
  // The probes run one after another: another creator's commit may fall
  // between them, and then a second look sees all four.
  if (present != 0 && present != 4) present = tables_present();
  if (present == 4) return false;
  if (present != 0) {
    tarn_set_sqlca(&ca, TARN_SQL_UNDEFINED_NAME, "42704",
                   "The database holds only some of the repository's tables; it is no repository.");
    fail(ca, "SQL Create Tables");
  }
  tarn_run_script(schema_of(connection.engine()), &ca);
  if (ca.sqlcode == 0) tarn_commit(&ca);
  if (ca.sqlcode == 0) return true;
  // Another process may have created them first.
  sqlca failed = ca;
  tarn_rollback(&ca);
  if (tables_present() == 4) return false;
  fail(failed, "SQL Create Tables");
}

std::string IRDBAdmin::location(const char* alias) {
  char description[1024];
  if (tarn_resolve_alias(alias, description, sizeof description) != 0) {
    return std::string("not resolved: ") + description;
  }
  return description;
}

std::string IRDBAdmin::engine_home() { return tarn_home(); }

bool IRDBAdmin::lost_to_another_writer(const StoreErrorFields& failure) {
  // The session's own error keeps the engine's SQLCODE; once the store has
  // translated it, the engine's message still names it.
  if (failure.code == 1 || failure.code == TARN_SQL_DUPLICATE_KEY || failure.code == TARN_SQL_TIMEOUT) return true;
  const char* message = failure.message ? failure.message : "";
  return std::strstr(message, "SQL0803N") || std::strstr(message, "SQL0911N");
}

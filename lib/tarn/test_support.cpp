#include "test_support.h"

#include <fstream>
#include <iterator>
#include <thread>

#include <qeloridm/column_widths.h>

namespace tarn_test {

void TempHome::write_catalog(const std::string& text) const {
  std::ofstream(path_ / "catalog") << text;
}

Context::Context() {
  sqlca ca{};
  tarn_set_context_type(TARN_CTX_MULTI_MANUAL, &ca);
  tarn_begin_context(&handle_, &ca);
  if (ca.sqlcode != 0) throw std::runtime_error("cannot begin a context: " + message_of(ca));
}

Context::~Context() {
  sqlca ca{};
  if (attached_) tarn_detach_context(handle_, &ca);
  tarn_end_context(handle_, &ca);
}

void Context::attach() {
  sqlca ca{};
  tarn_attach_context(handle_, &ca);
  if (ca.sqlcode != 0) throw std::runtime_error("cannot attach: " + message_of(ca));
  attached_ = true;
}

void Context::detach() {
  sqlca ca{};
  tarn_detach_context(handle_, &ca);
  if (ca.sqlcode != 0) throw std::runtime_error("cannot detach: " + message_of(ca));
  attached_ = false;
}

namespace {

// A character host variable as the session lays it out: NUL-terminated in
// a field of length + 1 bytes (at least), or a 16-bit length and the text.
struct HostText {
  HostText(const std::string& value, size_t field) : bytes(std::max(field, value.size()) + 1, '\0') {
    std::memcpy(bytes.data(), value.data(), value.size());
  }
  static HostText with_length(const std::string& value) {
    HostText text("", 2 + value.size());
    int16_t length = static_cast<int16_t>(value.size());
    std::memcpy(text.bytes.data(), &length, sizeof length);
    std::memcpy(text.bytes.data() + 2, value.data(), value.size());
    return text;
  }
  std::vector<char> bytes;
};

struct InputFree {
  void operator()(tarn_input* list) const { tarn_input_free(list); }
};
using InputList = std::unique_ptr<tarn_input, InputFree>;

sqlca write_object(int section, const char* text, const Object& object, bool update) {
  using namespace column_width;
  HostText iid(object.iid, kIid), name(object.name, kName), kind(object.kind, kKind);
  HostText repid = HostText::with_length(object.repid);
  HostText stream = HostText::with_length(object.stream);
  int16_t repid_indicator = 0, stream_indicator = 0;
  InputList vars(tarn_input_alloc(update ? 6 : 5));
  tarn_input_set(vars.get(), 0, TARN_CSTRING, kIid + 1, iid.bytes.data(), nullptr);
  tarn_input_set(vars.get(), 1, TARN_VARCHAR + 1, kRepid + 1, repid.bytes.data(), &repid_indicator);
  tarn_input_set(vars.get(), 2, TARN_CSTRING, kName + 1, name.bytes.data(), nullptr);
  tarn_input_set(vars.get(), 3, TARN_CSTRING, kKind + 1, kind.bytes.data(), nullptr);
  tarn_input_set(vars.get(), 4, TARN_LONGVARCHAR + 1, kStream, stream.bytes.data(), &stream_indicator);
  if (update) tarn_input_set(vars.get(), 5, TARN_CSTRING, kIid + 1, iid.bytes.data(), nullptr);
  sqlca ca{};
  tarn_execute_static(section, text, vars.get(), &ca);
  return ca;
}

}  // namespace

sqlca connect(const std::string& alias, const char* user, const char* password) {
  // The session's fields: the alias blank-padded to 8, user 18, password 30.
  std::string padded = alias.size() < 8 ? alias + std::string(8 - alias.size(), ' ') : alias;
  HostText alias_field(padded, 8);
  HostText user_field(user ? user : "", 17), password_field(password ? password : "", 29);
  InputList vars(tarn_input_alloc(user ? 3 : 1));
  tarn_input_set(vars.get(), 0, TARN_CSTRING, 8, alias_field.bytes.data(), nullptr);
  if (user) {
    tarn_input_set(vars.get(), 1, TARN_CSTRING, 18, user_field.bytes.data(), nullptr);
    tarn_input_set(vars.get(), 2, TARN_CSTRING, 30, password_field.bytes.data(), nullptr);
  }
  sqlca ca{};
  tarn_connect(vars.get(), &ca);
  return ca;
}

std::string store_schema(const std::string& engine) {
  std::ifstream file(std::string(IRSTORE_SCHEMA_DIR) + "/" + engine + ".sql");
  if (!file) throw std::runtime_error("no schema file for " + engine);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

namespace {

// Whether the connected database holds IRREPDAT.
bool has_tables() {
  sqlca ca{};
  tarn_prepare(2, "DELETE FROM IRREPDAT WHERE 1 = 0", &ca);
  if (ca.sqlcode == 0) tarn_execute(2, &ca);
  sqlca ignored{};
  tarn_rollback(&ignored);
  return ca.sqlcode != TARN_SQL_UNDEFINED_NAME;
}

// Makes the store's tables in the alias's database on a context of its
// own (the caller's thread may be attached to another), unless another
// creator has just made them.
sqlca create_tables(const std::string& alias, const char* user, const char* password) {
  sqlca result{};
  std::thread([&] {
    Context context;
    context.attach();
    result = connect(alias, user, password);
    if (result.sqlcode != 0 || has_tables()) return;
    std::string engine(result.sqlerrp, strnlen(result.sqlerrp, sizeof result.sqlerrp));
    tarn_run_script(store_schema(engine == "PGSQL" ? "postgresql" : "sqlite").c_str(), &result);
    if (result.sqlcode == 0) tarn_commit(&result);
    if (result.sqlcode != 0) {
      sqlca ignored{};
      tarn_rollback(&ignored);
      if (has_tables()) result = sqlca{};
    }
    sqlca ignored{};
    tarn_disconnect(&ignored);
  }).join();
  return result;
}

}  // namespace

sqlca create_database(const std::string& alias, const char* user, const char* password) {
  sqlca ca{};
  tarn_create_database(alias.c_str(), user, password, &ca);
  if (ca.sqlcode < 0) return ca;
  sqlca tables = create_tables(alias, user, password);
  return tables.sqlcode < 0 ? tables : ca;
}

sqlca execute(const std::string& text) {
  sqlca ca{};
  tarn_prepare(2, text.c_str(), &ca);
  if (ca.sqlcode == 0) tarn_execute(2, &ca);
  return ca;
}

sqlca commit() {
  sqlca ca{};
  tarn_commit(&ca);
  return ca;
}

sqlca rollback() {
  sqlca ca{};
  tarn_rollback(&ca);
  return ca;
}

sqlca insert_object(const Object& object) {
  return write_object(1, "INSERT INTO IRREPDAT VALUES (?, ?, ?, ?, ?)", object, false);
}

sqlca update_object(const Object& object) {
  return write_object(2, "UPDATE IRREPDAT SET IID = ?, REPID = ?, NAME = ?, KIND = ?, STREAM = ? WHERE IID = ?",
                      object, true);
}

BoundSqlda::BoundSqlda(int slot) {
  sqlda header{};
  tarn_describe(slot, &header, &describe_ca_);
  if (describe_ca_.sqlcode != 0) return;
  int16_t count = header.sqld;
  da_.reset(static_cast<sqlda*>(std::calloc(1, SQLDASIZE(count))));
  std::memcpy(da_->sqldaid, "SQLDA   ", 8);
  da_->sqldabc = static_cast<int32_t>(SQLDASIZE(count));
  da_->sqln = count;
  tarn_describe(slot, da_.get(), &describe_ca_);
  buffers_.resize(static_cast<size_t>(count));
  indicators_.assign(static_cast<size_t>(count), 0);
  sqlvar* vars = da_->sqlvar;
  for (int16_t i = 0; i < count; ++i) {
    int base = vars[i].sqltype & ~1;
    if (base != TARN_CHAR && base != TARN_VARCHAR && base != TARN_LONGVARCHAR) continue;
    buffers_[static_cast<size_t>(i)].assign(static_cast<size_t>(vars[i].sqllen) + 1, '\0');
    vars[i].sqltype = static_cast<int16_t>(TARN_CSTRING | (vars[i].sqltype & 1));
    vars[i].sqldata = buffers_[static_cast<size_t>(i)].data();
    vars[i].sqlind = &indicators_[static_cast<size_t>(i)];
  }
}

Row BoundSqlda::row() const {
  Row row;
  for (size_t i = 0; i < buffers_.size(); ++i) {
    if (indicators_[i] < 0)
      row.emplace_back(std::nullopt);
    else
      row.emplace_back(buffers_[i].data());
  }
  return row;
}

std::vector<Row> query(const std::string& text, sqlca* result) {
  sqlca ca{};
  std::vector<Row> rows;
  tarn_prepare(1, text.c_str(), &ca);
  if (ca.sqlcode == 0) {
    BoundSqlda da(1);
    ca = da.describe_result();
    if (ca.sqlcode == 0) tarn_open(1, 1, &ca);
    while (ca.sqlcode == 0) {
      tarn_fetch(1, da.get(), &ca);
      if (ca.sqlcode == 0) rows.push_back(da.row());
    }
    sqlca close_ca{};
    tarn_close(1, &close_ca);
  }
  if (result) *result = ca;
  return rows;
}

void TarnTest::connect_test_database() {
  sqlca ca = create_database("TESTDB");
  ASSERT_SQLCODE(0, ca);
  ca = connect("TESTDB");
  ASSERT_SQLCODE(0, ca);
}

}  // namespace tarn_test

// Helpers of the engine's tests: a fresh TARN_HOME per test, a context
// attached to the test thread, and statement calls made the way the
// store's session makes them.
#ifndef TARN_TEST_SUPPORT_H
#define TARN_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <qeloridm/column_widths.h>

#include "tarn/tarn.h"

namespace tarn_test {

namespace fs = std::filesystem;

inline std::string message_of(const sqlca& ca) {
  return std::to_string(ca.sqlcode) + " " + std::string(ca.sqlstate, 5) + " " + ca.sqlerrmc;
}

// Asserts an SQLCODE and shows the message when it differs.
#define EXPECT_SQLCODE(expected, ca) EXPECT_EQ(expected, (ca).sqlcode) << tarn_test::message_of(ca)
#define ASSERT_SQLCODE(expected, ca) ASSERT_EQ(expected, (ca).sqlcode) << tarn_test::message_of(ca)

// A fresh engine directory, named by TARN_HOME while it lives.
class TempHome {
 public:
  TempHome() {
    std::string pattern = (fs::temp_directory_path() / "tarn_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    setenv("TARN_HOME", path_.c_str(), 1);
  }
  ~TempHome() {
    unsetenv("TARN_HOME");
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const fs::path& path() const { return path_; }
  void write_catalog(const std::string& text) const;

 private:
  fs::path path_;
};

// An IID text of the store's width made of one character.
inline std::string iid(char c) { return std::string(column_width::kIid, c); }

using Row = std::vector<std::optional<std::string>>;

// A context of its own, begun at construction and ended at destruction.
class Context {
 public:
  Context();
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  void attach();
  void detach();
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
  bool attached_ = false;
};

// The statement calls of the store's session, on the calling thread's
// context.
sqlca connect(const std::string& alias, const char* user = nullptr, const char* password = nullptr);
// Creates the database of an alias (tarn_create_database) and, unless they
// are there, the store's tables in it, from the schema files in the source
// tree: the engine knows no tables, its tests use the store's.
sqlca create_database(const std::string& alias, const char* user = nullptr, const char* password = nullptr);
// The text of schema/<engine>.sql ("sqlite" or "postgresql").
std::string store_schema(const std::string& engine);
sqlca execute(const std::string& text);  // slot 2
sqlca commit();
sqlca rollback();

struct Object {
  std::string iid, repid, name, kind, stream;
};
sqlca insert_object(const Object& object);
sqlca update_object(const Object& object);

// An SQLDA set up as the session does: described from a slot, character
// columns rebound as TARN_CSTRING with buffers of sqllen + 1 bytes.
class BoundSqlda {
 public:
  explicit BoundSqlda(int slot);
  sqlda* get() { return da_.get(); }
  const sqlca& describe_result() const { return describe_ca_; }
  Row row() const;  // the delivered values; nullopt for NULL
  int16_t indicator(int column) const { return indicators_[static_cast<size_t>(column)]; }

 private:
  struct Free {
    void operator()(sqlda* da) const { std::free(da); }
  };
  std::unique_ptr<sqlda, Free> da_;
  std::vector<std::vector<char>> buffers_;
  std::vector<int16_t> indicators_;
  sqlca describe_ca_{};
};

// Runs a query the way the session does (slot 1, cursor 1) and returns its
// rows; ca receives the first failure, or the final FETCH's 100.
std::vector<Row> query(const std::string& text, sqlca* ca = nullptr);

// Every test gets a fresh TARN_HOME, an attached context and no pending
// injected failure.
class TarnTest : public ::testing::Test {
 protected:
  TarnTest() { context_.attach(); }
  ~TarnTest() override { tarn_fail_statement(0, 0); }

  // Creates and connects the database TESTDB.
  void connect_test_database();

  TempHome home_;
  Context context_;
};

}  // namespace tarn_test

#endif  // TARN_TEST_SUPPORT_H

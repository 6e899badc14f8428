// Alias resolution through TARN_HOME and its catalog, and the credentials
// a catalog entry demands.
#include "test_support.h"

namespace tarn_test {
namespace {

class CatalogTest : public TarnTest {
 protected:
  // The description of an alias's target, or the failure message.
  std::string resolve(const char* alias, int expected_code = 0) {
    char description[512];
    int code = tarn_resolve_alias(alias, description, sizeof description);
    EXPECT_EQ(expected_code, code) << description;
    return description;
  }
  std::string home() const { return home_.path().string(); }
};

TEST_F(CatalogTest, AliasWithoutEntryIsSqliteFileInHome) {
  EXPECT_EQ("sqlite " + home() + "/VADIRIRI.sqlite", resolve("VADIRIRI"));
  // Trailing blanks do not count; letters are taken as given.
  EXPECT_EQ("sqlite " + home() + "/ABC.sqlite", resolve("ABC     "));
  EXPECT_EQ("sqlite " + home() + "/abc.sqlite", resolve("abc"));
}

TEST_F(CatalogTest, HomeDefaultsToDotIrstore) {
  EXPECT_EQ(home(), tarn_home());
  std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("TARN_HOME");
  setenv("HOME", "/nowhere/user", 1);
  EXPECT_STREQ("/nowhere/user/.irstore", tarn_home());
  setenv("HOME", saved_home.c_str(), 1);
  setenv("TARN_HOME", home().c_str(), 1);
}

TEST_F(CatalogTest, EntriesNameOtherTargets) {
  home_.write_catalog(
      "# databases of this machine\n"
      "\n"
      "MAIN   sqlite /data/ir/main.db   # the shared one\n"
      "REL\tsqlite sub/rel.db\n"
      "PG postgresql host=127.0.0.1 port=5432 dbname=ir password=s3cret\n"
      "AUTH sqlite auth.db user=alice password=pa#ss\n");
  EXPECT_EQ("sqlite /data/ir/main.db", resolve("MAIN"));
  EXPECT_EQ("sqlite " + home() + "/sub/rel.db", resolve("REL"));
  EXPECT_EQ("sqlite " + home() + "/auth.db", resolve("AUTH"));
  // Descriptions end up in messages: a password never shows.
  EXPECT_EQ("postgresql host=127.0.0.1 port=5432 dbname=ir password=***", resolve("PG"));
  EXPECT_EQ("sqlite " + home() + "/OTHER.sqlite", resolve("OTHER"));
  // Aliases compare case-sensitively: "main" has no entry.
  EXPECT_EQ("sqlite " + home() + "/main.sqlite", resolve("main"));
}

TEST_F(CatalogTest, MalformedEntryOfTheAliasIsAnError) {
  home_.write_catalog(
      "A sqlite\n"
      "B cobweb /x\n"
      "C sqlite /x colour=red\n"
      "D sqlite /x user=bob\n"
      "E sqlite /x\n"
      "E sqlite /y\n"
      "F sqlite /f.db\n");
  EXPECT_NE(std::string::npos, resolve("A", TARN_SQL_ALIAS_NOT_FOUND).find("line 1"));
  EXPECT_NE(std::string::npos, resolve("B", TARN_SQL_ALIAS_NOT_FOUND).find("cobweb"));
  resolve("C", TARN_SQL_ALIAS_NOT_FOUND);
  resolve("D", TARN_SQL_ALIAS_NOT_FOUND);
  // A second entry would make the target depend on the order of lines.
  resolve("E", TARN_SQL_ALIAS_NOT_FOUND);
  // Other aliases are not held hostage by a broken line.
  EXPECT_EQ("sqlite /f.db", resolve("F"));
}

TEST_F(CatalogTest, AliasesThatCannotNameAFileAreRefused) {
  for (const char* alias : {"", "        ", "TOOLONGAL", "../x", "a/b", "A B"}) resolve(alias, TARN_SQL_ALIAS_NOT_FOUND);
  EXPECT_EQ(TARN_SQL_ALIAS_NOT_FOUND, tarn_resolve_alias(nullptr, nullptr, 0));
}

TEST_F(CatalogTest, DescriptionIsCutToItsBuffer) {
  char small[8];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(0, tarn_resolve_alias("VADIRIRI", small, sizeof small));
  EXPECT_STREQ("sqlite ", small);
}

TEST_F(CatalogTest, EntryWithCredentialsDemandsThem) {
  home_.write_catalog("AUTH sqlite auth.db user=alice password=pa#ss\n");
  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, create_database("AUTH"));
  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, create_database("AUTH", "alice", "wrong"));
  EXPECT_FALSE(fs::exists(home_.path() / "auth.db"));
  ASSERT_SQLCODE(0, create_database("AUTH", "alice", "pa#ss"));

  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, connect("AUTH"));
  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, connect("AUTH", "alice", "wrong"));
  EXPECT_SQLCODE(TARN_SQL_NOT_AUTHORIZED, connect("AUTH", "mallory", "pa#ss"));
  sqlca ca = connect("AUTH", "alice", "pa#ss");
  EXPECT_SQLCODE(0, ca);
  EXPECT_STREQ("SQLITE", ca.sqlerrp);
}

// No server answers there: CONNECT and creating fail as a lost connection
// would, with libpq's reason, and nothing falls back to an SQLite file.
TEST_F(CatalogTest, APostgresqlEntryWithoutServerFailsWithTheConnectionError) {
  home_.write_catalog("PG postgresql host=" + (home_.path() / "no-server").string() + " dbname=ir\n");
  sqlca ca = connect("PG");
  EXPECT_SQLCODE(TARN_SQL_CONNECTION_LOST, ca);
  EXPECT_NE(nullptr, std::strstr(ca.sqlerrmc, "no-server")) << ca.sqlerrmc;
  EXPECT_SQLCODE(TARN_SQL_CONNECTION_LOST, create_database("PG"));
  EXPECT_FALSE(fs::exists(home_.path() / "PG.sqlite"));
}

}  // namespace
}  // namespace tarn_test

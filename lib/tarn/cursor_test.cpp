// DESCRIBE, and OPEN / FETCH / CLOSE into the SQLDA the session builds.
#include "test_support.h"

namespace tarn_test {
namespace {

class CursorTest : public TarnTest {
 protected:
  void SetUp() override {
    connect_test_database();
    ASSERT_SQLCODE(0, insert_object({iid('a'), "IDL:Foo:1.0", "Foo", "5", "00"}));
    ASSERT_SQLCODE(0, insert_object({iid('b'), "IDL:FooBar:1.0", "FooBar", "7", "00"}));
    ASSERT_SQLCODE(0, insert_object({iid('c'), "IDL:foo:1.0", "foo", "5", "00"}));
    ASSERT_SQLCODE(0, commit());
  }

  struct Described {
    int16_t type;
    int16_t length;
    std::string name;
    bool operator==(const Described&) const = default;
  };
  std::vector<Described> describe(const std::string& text) {
    sqlca ca{};
    tarn_prepare(1, text.c_str(), &ca);
    EXPECT_SQLCODE(0, ca);
    sqlda header{};
    tarn_describe(1, &header, &ca);
    EXPECT_SQLCODE(0, ca);
    std::vector<char> block(SQLDASIZE(header.sqld));
    auto* da = reinterpret_cast<sqlda*>(block.data());
    da->sqln = header.sqld;
    tarn_describe(1, da, &ca);
    EXPECT_SQLCODE(0, ca);
    std::vector<Described> columns;
    const sqlvar* vars = da->sqlvar;
    for (int i = 0; i < da->sqld; ++i)
      columns.push_back({vars[i].sqltype, vars[i].sqllen, std::string(vars[i].sqlname.data, static_cast<size_t>(vars[i].sqlname.length))});
    return columns;
  }

  // IIDs of a name search, as one letter each, in IID order.
  std::string found(const std::string& where) {
    sqlca ca{};
    std::string letters;
    for (const Row& row : query("SELECT IID FROM IRREPDAT WHERE " + where + " ORDER BY IID", &ca))
      letters += row[0]->front();
    EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, ca);
    return letters;
  }
};

TEST_F(CursorTest, DescribeGivesTheTablesTypesWidthsAndNullability) {
  EXPECT_EQ((std::vector<Described>{{452, 32, "IID"},
                                    {449, 4095, "REPID"},
                                    {452, 254, "NAME"},
                                    {448, 12, "KIND"},
                                    {457, 32700, "STREAM"}}),
            describe("SELECT * FROM IRREPDAT"));
  EXPECT_EQ((std::vector<Described>{{452, 64, "KEYFIELD"}, {452, 32, "BUCKETIID"}, {452, 32, "IID"}}),
            describe("SELECT * FROM IRBUCKET"));
  EXPECT_EQ((std::vector<Described>{{452, 64, "KEYFIELD"}, {452, 32, "IID"}, {452, 32, "PARENTIID"}}),
            describe("SELECT * FROM IRINHER"));
  EXPECT_EQ((std::vector<Described>{{452, 64, "KEYFIELD"}, {452, 32, "IID"}, {452, 32, "REFERTOIID"}}),
            describe("SELECT * FROM IRREFER"));
  // Expressions have no declared type and may be null.
  EXPECT_EQ((std::vector<Described>{{449, 254, "UCASE(NAME)"}}), describe("SELECT UCASE(NAME) FROM IRREPDAT"));
}

TEST_F(CursorTest, DescribeWithoutRoomGivesOnlyTheCount) {
  sqlca ca{};
  tarn_prepare(1, "SELECT * FROM IRREPDAT", &ca);
  sqlda da{};
  da.sqln = 1;
  da.sqlvar[0].sqltype = 1234;
  tarn_describe(1, &da, &ca);
  EXPECT_SQLCODE(0, ca);
  EXPECT_EQ(5, da.sqld);
  EXPECT_EQ(1234, da.sqlvar[0].sqltype);
}

TEST_F(CursorTest, FetchDeliversPaddedTextAndNullIndicators) {
  sqlca ca{};
  int16_t minus_one = -1;
  auto vars = std::unique_ptr<tarn_input, void (*)(tarn_input*)>(tarn_input_alloc(1), tarn_input_free);
  char key[] = "d";
  tarn_input_set(vars.get(), 0, TARN_CSTRING + 1, 33, key, &minus_one);
  std::string set_null = "UPDATE IRREPDAT SET REPID = ? WHERE IID = '" + iid('a') + "'";
  tarn_execute_static(9, set_null.c_str(), vars.get(), &ca);
  ASSERT_SQLCODE(0, ca);

  auto rows = query("SELECT IID, REPID, NAME, KIND FROM IRREPDAT WHERE IID = '" + iid('a') + "'", &ca);
  EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, ca);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ((Row{iid('a'), std::nullopt, "Foo" + std::string(251, ' '), "5"}), rows[0]);
}

TEST_F(CursorTest, ValueLongerThanItsVariableIsCutAndFlagged) {
  sqlca ca{};
  tarn_prepare(1, ("SELECT NAME, KIND FROM IRREPDAT WHERE IID = '" + iid('b') + "'").c_str(), &ca);
  BoundSqlda da(1);
  ASSERT_SQLCODE(0, da.describe_result());
  sqlvar* vars = da.get()->sqlvar;
  vars[0].sqllen = 4;  // room for "FooB" of 254 padded characters
  tarn_open(1, 1, &ca);
  tarn_fetch(1, da.get(), &ca);
  EXPECT_SQLCODE(0, ca);
  EXPECT_EQ('W', ca.sqlwarn[1]);
  EXPECT_EQ((Row{"FooB", "7"}), da.row());
  EXPECT_EQ(254, da.indicator(0));
  EXPECT_EQ(0, da.indicator(1));
  tarn_close(1, &ca);
}

TEST_F(CursorTest, CursorStatesAreEnforced) {
  sqlca ca{};
  tarn_prepare(1, "SELECT IID FROM IRREPDAT ORDER BY IID", &ca);
  BoundSqlda da(1);
  tarn_fetch(1, da.get(), &ca);
  EXPECT_SQLCODE(TARN_SQL_CURSOR_NOT_OPEN, ca);
  tarn_close(1, &ca);
  EXPECT_SQLCODE(TARN_SQL_CURSOR_NOT_OPEN, ca);
  tarn_open(1, 3, &ca);
  EXPECT_SQLCODE(TARN_SQL_NOT_PREPARED, ca);

  tarn_open(1, 1, &ca);
  ASSERT_SQLCODE(0, ca);
  tarn_open(1, 1, &ca);
  EXPECT_SQLCODE(TARN_SQL_CURSOR_ALREADY_OPEN, ca);
  tarn_open(2, 1, &ca);  // the statement already runs under cursor 1
  EXPECT_SQLCODE(TARN_SQL_CURSOR_ALREADY_OPEN, ca);
  for (char id : {'a', 'b', 'c'}) {
    tarn_fetch(1, da.get(), &ca);
    EXPECT_SQLCODE(0, ca);
    EXPECT_EQ(Row{iid(id)}, da.row());
  }
  // After the last row the cursor keeps answering 100; it never restarts.
  for (int i = 0; i < 2; ++i) {
    tarn_fetch(1, da.get(), &ca);
    EXPECT_SQLCODE(TARN_SQL_NOT_FOUND, ca);
  }
  tarn_close(1, &ca);
  EXPECT_SQLCODE(0, ca);

  // PREPARE over the slot closes its cursor; COMMIT closes every cursor.
  tarn_open(1, 1, &ca);
  tarn_prepare(1, "SELECT KIND FROM IRREPDAT", &ca);
  tarn_fetch(1, da.get(), &ca);
  EXPECT_SQLCODE(TARN_SQL_CURSOR_NOT_OPEN, ca);
  tarn_open(1, 1, &ca);
  EXPECT_SQLCODE(0, commit());
  tarn_fetch(1, da.get(), &ca);
  EXPECT_SQLCODE(TARN_SQL_CURSOR_NOT_OPEN, ca);

  tarn_prepare(1, "DELETE FROM IRREPDAT", &ca);
  tarn_open(1, 1, &ca);
  EXPECT_SQLCODE(TARN_SQL_NOT_PREPARED, ca);
}

TEST_F(CursorTest, NullIntoVariableWithoutIndicatorIsAnError) {
  sqlca ca{};
  tarn_prepare(1, "SELECT NULL", &ca);
  BoundSqlda da(1);
  da.get()->sqlvar[0].sqlind = nullptr;
  tarn_open(1, 1, &ca);
  tarn_fetch(1, da.get(), &ca);
  EXPECT_SQLCODE(-305, ca);
}

TEST_F(CursorTest, NameSearchesMatchThePaddedCaseSensitiveName) {
  std::string blanks(251, ' ');
  EXPECT_EQ("a", found("NAME LIKE 'Foo" + blanks + "'"));
  EXPECT_EQ("ab", found("NAME LIKE 'Foo%'"));
  EXPECT_EQ("", found("NAME LIKE '%o'"));
  EXPECT_EQ("ac", found("UCASE(NAME) LIKE 'FOO" + blanks + "'"));
  EXPECT_EQ("abc", found("UCASE(NAME) LIKE 'FOO%' AND (KIND = '5' OR KIND = '7')"));
  auto rows = query("SELECT UCASE(NAME) FROM IRREPDAT WHERE IID = '" + iid('c') + "'");
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("FOO" + blanks, rows[0][0]);
}

}  // namespace
}  // namespace tarn_test

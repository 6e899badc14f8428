// Statements kept by shape: the texts the session composes are prepared
// once per shape and run with their quoted values bound.
#include "statement_cache.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using namespace tarn_test;

TEST(ShapeOf, TakesQuotedValuesOutAsMarkers) {
  tarn::Shape shape = tarn::shape_of("SELECT IID FROM IRREPDAT WHERE IID = 'ab''c' AND NAME LIKE ''");
  EXPECT_EQ(shape.text, "SELECT IID FROM IRREPDAT WHERE IID = ? AND NAME LIKE ?");
  EXPECT_EQ(shape.values, (std::vector<std::string>{"ab'c", ""}));
}

TEST(ShapeOf, LeavesUtilityStatementsAndTextsWithMarkersOrOpenQuotesAlone) {
  EXPECT_EQ(tarn::shape_of("UPDATE T SET A = ? WHERE B = 'x'").values.size(), 0u);
  EXPECT_EQ(tarn::shape_of("SET lock_timeout = '200ms'").text, "SET lock_timeout = '200ms'");
  EXPECT_EQ(tarn::shape_of("  delete FROM T WHERE K = 'k'").values, std::vector<std::string>{"k"});
  tarn::Shape open = tarn::shape_of("SELECT 'a' FROM T WHERE X = 'open");
  EXPECT_EQ(open.text, "SELECT ? FROM T WHERE X = 'open");
  EXPECT_EQ(open.values, std::vector<std::string>{"a"});
}

class StatementCacheTest : public TarnTest {};

TEST_F(StatementCacheTest, EachTextOfAShapeGetsItsOwnValues) {
  connect_test_database();
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('" + iid('a') + iid('b') + "','" + iid('a') + "','" + iid('b') + "')"));
  ASSERT_SQLCODE(0, execute("INSERT INTO IRBUCKET VALUES ('" + iid('c') + iid('d') + "','" + iid('c') + "','" + iid('d') + "')"));
  for (char container : {'a', 'c', 'a', 'x'}) {
    std::vector<Row> rows = query("SELECT IID FROM IRBUCKET WHERE BUCKETIID = '" + iid(container) + "'");
    if (container == 'x') {
      EXPECT_TRUE(rows.empty());
    } else {
      ASSERT_EQ(rows.size(), 1u) << container;
      EXPECT_EQ(*rows[0][0], iid(static_cast<char>(container + 1)));
    }
  }
  // Quotes inside values stay data.
  ASSERT_SQLCODE(0, execute("INSERT INTO IRREPDAT VALUES ('x''y', 'IDL:O''Neil:1.0', 'N', '5', NULL)"));
  std::vector<Row> rows = query("SELECT REPID FROM IRREPDAT WHERE IID = 'x''y'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(*rows[0][0], "IDL:O'Neil:1.0");
}

}  // namespace

#include "sqltext.h"

#include <gtest/gtest.h>

namespace {

TEST(StatementText, OrdinaryValuesStandUnchangedBetweenTheFragmentsQuotes) {
  StatementText sql;
  sql.fragment("SELECT * FROM IRREPDAT WHERE IID = '").value("0123abcd").fragment("'");
  EXPECT_STREQ(sql.c_str(), "SELECT * FROM IRREPDAT WHERE IID = '0123abcd'");
}

TEST(StatementText, QuotesInsideValuesAreDoubled) {
  StatementText sql;
  sql.fragment("NAME LIKE '").value("it's '' x'; DROP TABLE IRREPDAT; --").fragment("'");
  EXPECT_STREQ(sql.c_str(), "NAME LIKE 'it''s '''' x''; DROP TABLE IRREPDAT; --'");
}

TEST(StatementText, RepeatAndLastServeTheBlankFill) {
  StatementText sql;
  sql.fragment("x").repeat(' ', 3);
  EXPECT_EQ(sql.size(), 4u);
  EXPECT_EQ(sql.last(), ' ');
  EXPECT_EQ(StatementText().last(), '\0');
}

}  // namespace

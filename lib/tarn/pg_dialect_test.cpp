// Statement texts made into PostgreSQL's dialect: markers, LIKE without an
// escape character, and everything quoted left alone.
#include "pg_dialect.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

std::string translated(std::string_view text) { return to_postgresql(text).text; }

TEST(PgDialect, MarkersAreNumberedOutsideQuotesAndComments) {
  DialectText insert = to_postgresql("INSERT INTO IRREPDAT VALUES (?, ?, ?, ?, ?)");
  EXPECT_EQ("INSERT INTO IRREPDAT VALUES ($1, $2, $3, $4, $5)", insert.text);
  EXPECT_EQ(5, insert.parameters);
  EXPECT_EQ("INSERT", insert.keyword);

  DialectText quoted = to_postgresql("SELECT '?', \"a?b\" -- why?\n FROM T /* ? */ WHERE X = ?");
  EXPECT_EQ("SELECT '?', \"a?b\" -- why?\n FROM T /* ? */ WHERE X = $1", quoted.text);
  EXPECT_EQ(1, quoted.parameters);
}

TEST(PgDialect, QuotesInsideValuesNeverEndThem) {
  EXPECT_EQ("SELECT * FROM T WHERE A = 'it''s ?' AND B = $1", translated("SELECT * FROM T WHERE A = 'it''s ?' AND B = ?"));
  // An unterminated string is passed on whole for the server to refuse.
  EXPECT_EQ("SELECT 'open ?", translated("SELECT 'open ?"));
}

TEST(PgDialect, LikeGetsNoEscapeCharacterUnlessOneIsGiven) {
  EXPECT_EQ("SELECT IID FROM IRREPDAT WHERE NAME LIKE 'a\\b%' ESCAPE '' AND (KIND = '5')",
            translated("SELECT IID FROM IRREPDAT WHERE NAME LIKE 'a\\b%' AND (KIND = '5')"));
  EXPECT_EQ("SELECT IID FROM T WHERE UCASE(NAME) like $1 ESCAPE ''", translated("SELECT IID FROM T WHERE UCASE(NAME) like ?"));
  EXPECT_EQ("SELECT 1 WHERE (A NOT LIKE 'x' ESCAPE '')", translated("SELECT 1 WHERE (A NOT LIKE 'x')"));
  EXPECT_EQ("SELECT 1 WHERE A LIKE 'x!%' ESCAPE '!'", translated("SELECT 1 WHERE A LIKE 'x!%' ESCAPE '!'"));
  // An operand that goes on, or is no literal, is left as written.
  EXPECT_EQ("SELECT 1 WHERE A LIKE 'x' || B", translated("SELECT 1 WHERE A LIKE 'x' || B"));
  EXPECT_EQ("SELECT 1 WHERE A LIKE B", translated("SELECT 1 WHERE A LIKE B"));
  // LIKE inside a value or a longer word is no operator.
  EXPECT_EQ("SELECT 'LIKE ''x''' , UNLIKE FROM T", translated("SELECT 'LIKE ''x''' , UNLIKE FROM T"));
}

TEST(PgDialect, EmptyTextsAreRecognized) {
  EXPECT_TRUE(to_postgresql("").empty);
  EXPECT_TRUE(to_postgresql("  -- nothing\n /* at all */ ;").empty);
  EXPECT_FALSE(to_postgresql("SELECT 1").empty);
  EXPECT_EQ("SELECT", to_postgresql(" (select 1)").keyword);
}

}  // namespace
}  // namespace tarn

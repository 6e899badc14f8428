// The SQLCA filled for callers, and the message line the session reads.
#include <sstream>

#include "test_support.h"

namespace tarn_test {
namespace {

std::string format(const sqlca& ca, int size = 900, int width = 900) {
  std::vector<char> buffer(static_cast<size_t>(size));
  int length = tarn_format_message(buffer.data(), size, width, &ca, "tarnsql.mo");
  EXPECT_EQ(static_cast<int>(std::strlen(buffer.data())), length);
  return buffer.data();
}

sqlca with(int32_t code, const char* state, const char* message) {
  sqlca ca;
  tarn_set_sqlca(&ca, code, state, message);
  return ca;
}

TEST(MessageTest, SetSqlcaFillsEveryField) {
  sqlca ca;
  std::memset(&ca, 0x5a, sizeof ca);
  tarn_set_sqlca(&ca, TARN_SQL_NOT_FOUND, nullptr, "nothing");
  EXPECT_EQ(0, std::memcmp(ca.sqlcaid, "SQLCA   ", 8));
  EXPECT_EQ(static_cast<int32_t>(sizeof ca), ca.sqlcabc);
  EXPECT_EQ(100, ca.sqlcode);
  EXPECT_EQ("02000", std::string(ca.sqlstate, 5));  // the code's own state
  EXPECT_STREQ("nothing", ca.sqlerrmc);
  EXPECT_EQ(7, ca.sqlerrml);
  EXPECT_EQ(0, ca.sqlerrd[2]);

  std::string long_message(2000, 'm');
  tarn_set_sqlca(&ca, -901, "58004", long_message.c_str());
  EXPECT_EQ(TARN_MESSAGE_MAX - 1, ca.sqlerrml);
  EXPECT_EQ(static_cast<size_t>(TARN_MESSAGE_MAX - 1), std::strlen(ca.sqlerrmc));

  // A success after a failure keeps nothing of it.
  ca.sqlerrd[2] = 7;
  tarn_set_sqlca(&ca, TARN_SQL_OK, nullptr, nullptr);
  EXPECT_EQ(0, ca.sqlcode);
  EXPECT_EQ("00000", std::string(ca.sqlstate, 5));
  EXPECT_STREQ("", ca.sqlerrmc);
  EXPECT_EQ(0, ca.sqlerrml);
  EXPECT_EQ(0, ca.sqlerrd[2]);
}

TEST(MessageTest, LineHasCodeMessageAndState) {
  EXPECT_EQ("SQL0803N  UNIQUE constraint failed: IRREPDAT.IID  SQLSTATE=23505\r\n",
            format(with(-803, "23505", "UNIQUE constraint failed: IRREPDAT.IID")));
  EXPECT_EQ("SQL30082N  refused  SQLSTATE=08001\r\n", format(with(-30082, "08001", "refused")));
  EXPECT_EQ("SQL0001W  exists  SQLSTATE=01000\r\n", format(with(1, "01000", "exists")));
  // Without an engine message the built-in text stands in.
  std::string line = format(with(100, "02000", ""));
  EXPECT_EQ(0u, line.find("SQL0100W  No row"));
  EXPECT_EQ(0u, format(with(0, nullptr, nullptr)).find("SQL0000W  "));
}

TEST(MessageTest, LongLinesBreakAtBlanksWithinWidth) {
  std::string words;
  for (int i = 0; i < 40; ++i) words += "word" + std::to_string(i) + " ";
  sqlca ca = with(-901, "58004", words.c_str());
  std::string wrapped = format(ca, 900, 30);
  ASSERT_EQ("\r\n", wrapped.substr(wrapped.size() - 2));
  std::istringstream lines(wrapped.substr(0, wrapped.size() - 2));
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), 30u);
    EXPECT_NE(' ', line.back());
  }
  // Only the breaks differ from the unwrapped text.
  auto words_of = [](std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n'; });
    return text;
  };
  EXPECT_EQ(words_of(format(ca, 900, 0)), words_of(wrapped));
}

TEST(MessageTest, SmallBufferKeepsLineEndAndTerminator) {
  sqlca ca = with(-204, "42704", "no such table: IRREPDAT");
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(15, tarn_format_message(buffer, 16, 0, &ca, "tarnsql.mo"));
  EXPECT_EQ('\0', buffer[15]);
  EXPECT_STREQ("SQL0204N  no \r\n", buffer);
  EXPECT_LT(tarn_format_message(buffer, 2, 0, &ca, "tarnsql.mo"), 0);
  EXPECT_EQ('\0', buffer[0]);
  EXPECT_LT(tarn_format_message(buffer, 16, 0, nullptr, "tarnsql.mo"), 0);
}

}  // namespace
}  // namespace tarn_test

#include "irdb_text.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <qelororm/corba.h>
#include <qeloridm/irdb.h>

namespace {

std::string hex_of(const std::vector<unsigned char>& bytes) {
  std::unique_ptr<char[]> text(stream_to_hex(bytes.data(), static_cast<unsigned>(bytes.size())));
  return text ? std::string(text.get()) : std::string("<null>");
}

std::vector<unsigned char> bytes_of(const std::string& text) {
  std::unique_ptr<unsigned char[]> bytes(hex_to_stream(text.c_str()));
  if (!bytes) return {};
  return std::vector<unsigned char>(bytes.get(), bytes.get() + text.size() / 2);
}

TEST(StreamText, WritesTwoLowerCaseDigitsPerByteHighFirst) {
  EXPECT_EQ(hex_of({0x00, 0xff}), "00ff");
  EXPECT_EQ(hex_of({0x9a}), "9a");
  EXPECT_EQ(hex_of({0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}), "0123456789abcdef");
  EXPECT_EQ(bytes_of("00ff"), (std::vector<unsigned char>{0x00, 0xff}));
  EXPECT_EQ(bytes_of("9a"), (std::vector<unsigned char>{0x9a}));
}

TEST(StreamText, EmptyAndOddInputGiveNull) {
  EXPECT_EQ(stream_to_hex(nullptr, 0), nullptr);
  EXPECT_EQ(hex_to_stream(""), nullptr);
  EXPECT_EQ(hex_to_stream("abc"), nullptr);
}

TEST(StreamText, EveryByteValueRoundTrips) {
  std::vector<unsigned char> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
  EXPECT_EQ(bytes_of(hex_of(all)), all);
}

// Text that is not stream text decodes as it always has, digit by digit:
// c - 0x57 above '9', c - 0x30 otherwise, in 8-bit arithmetic.
TEST(StreamText, CharactersOutsideTheDigitsDecodeByTheDigitRule) {
  EXPECT_EQ(bytes_of("A0"), (std::vector<unsigned char>{static_cast<unsigned char>((0x41 - 0x57) * 16)}));
  EXPECT_EQ(bytes_of("zG"), (std::vector<unsigned char>{static_cast<unsigned char>((0x7a - 0x57) * 16 + 0x47 - 0x57)}));
  EXPECT_EQ(bytes_of(" !"), (std::vector<unsigned char>{static_cast<unsigned char>((0x20 - 0x30) * 16 + 0x21 - 0x30)}));
  EXPECT_EQ(bytes_of("\xff" "0"), (std::vector<unsigned char>{static_cast<unsigned char>((-1 - 0x30) * 16)}));
}

// Stored data relies on the eight '0' characters after texts of 505 to 509
// characters, which only byte counts of 253 and 254 produce.
TEST(StreamText, TextsOf505To509CharactersArePaddedWithEightZeros) {
  for (unsigned count : {252u, 253u, 254u, 255u}) {
    std::vector<unsigned char> bytes(count, 0xab);
    std::string text = hex_of(bytes);
    bool padded = count == 253 || count == 254;
    ASSERT_EQ(text.size(), 2 * count + (padded ? 8 : 0)) << count;
    if (padded) {
      EXPECT_EQ(text.substr(2 * count), "00000000");
    }
  }
}

TEST(StreamText, A253ByteStateReadsBackAs257BytesEndingInFourZeros) {
  std::vector<unsigned char> state(253, 0x5c);
  std::string text = hex_of(state);
  ASSERT_EQ(text.size(), 514u);
  std::vector<unsigned char> back = bytes_of(text);
  ASSERT_EQ(back.size(), 257u);
  EXPECT_TRUE(std::equal(state.begin(), state.end(), back.begin()));
  EXPECT_EQ(back[253], 0);
  EXPECT_EQ(back[256], 0);
}

TEST(StreamText, RecognisesValidText) {
  EXPECT_TRUE(is_stream_text("00ff9a"));
  EXPECT_FALSE(is_stream_text(""));
  EXPECT_FALSE(is_stream_text("abc"));
  EXPECT_FALSE(is_stream_text("00FF"));  // upper case is never written
  EXPECT_FALSE(is_stream_text("0g"));
  EXPECT_FALSE(is_stream_text("0 "));
}

std::string cut(const char* text) {
  char* result = IRDB::remove_blanks(text);
  std::string copy(result);
  CORBA::string_free(result);
  return copy;
}

TEST(RemoveBlanks, CutsAtTheFirstBlankAnywhere) {
  EXPECT_EQ(cut("Name   "), "Name");
  EXPECT_EQ(cut("two words"), "two");
  EXPECT_EQ(cut(" leading"), "");
  EXPECT_EQ(cut("plain"), "plain");
  EXPECT_EQ(cut(std::string(254, 'x').c_str()), std::string(254, 'x'));
}

TEST(RemoveBlanks, RefusesTextThatOverflowsItsBuffer) {
  EXPECT_THROW(IRDB::remove_blanks(std::string(256, 'x').c_str()), CORBA::BAD_PARAM);
  EXPECT_NO_THROW(CORBA::string_free(IRDB::remove_blanks(std::string(255, 'x').c_str())));
}

}  // namespace

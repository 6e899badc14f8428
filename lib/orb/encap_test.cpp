#include <qelororm/encap.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr unsigned char native_order = std::endian::native == std::endian::little ? 1 : 0;

std::vector<unsigned char> bytes_of(EncapIIOP& encap) {
  unsigned char* bytes = nullptr;
  unsigned length = 0;
  encap.access_buffer(bytes, length);
  return {bytes, bytes + length};
}

// A read encapsulation that owns a copy of the bytes.
std::unique_ptr<EncapIIOP> reader(const std::vector<unsigned char>& bytes, bool withByteOrder = true) {
  auto* copy = new unsigned char[bytes.size()];
  std::copy(bytes.begin(), bytes.end(), copy);
  return std::make_unique<EncapIIOP>(copy, static_cast<unsigned>(bytes.size()), ENCAP_READ, 1,
                                     withByteOrder ? 1 : 0);
}

struct StringHolder {
  char* text;
  ~StringHolder() { CORBA::string_free(text); }
};

TEST(EncapIIOP, RoundTripsEveryType) {
  EncapIIOP out(ENCAP_WRITE);
  const CORBA::Octet octets[] = {0, 1, 0xff};
  out.write_boolean(1);
  out.write_char('q');
  out.write_octet(0xfe);
  out.write_short(std::numeric_limits<CORBA::Short>::min());
  out.write_ushort(0xfffe);
  out.write_long(std::numeric_limits<CORBA::Long>::min());
  out.write_ulong(0xfffffffeu);
  out.write_longlong(std::numeric_limits<CORBA::LongLong>::min());
  out.write_ulonglong(0xfffffffffffffffeull);
  out.write_float(-1.5f);
  out.write_double(6.02214076e23);
  out.write_string("IDL:Repository/Module:1.0");
  out.write_string(nullptr);
  out.write_octet_sequence(octets, 3);
  out.write_octet_sequence(nullptr, 0);

  auto in = reader(bytes_of(out));
  EXPECT_EQ(in->read_boolean(), 1);
  EXPECT_EQ(in->read_char(), 'q');
  EXPECT_EQ(in->read_octet(), 0xfe);
  EXPECT_EQ(in->read_short(), std::numeric_limits<CORBA::Short>::min());
  EXPECT_EQ(in->read_ushort(), 0xfffe);
  EXPECT_EQ(in->read_long(), std::numeric_limits<CORBA::Long>::min());
  EXPECT_EQ(in->read_ulong(), 0xfffffffeu);
  EXPECT_EQ(in->read_longlong(), std::numeric_limits<CORBA::LongLong>::min());
  EXPECT_EQ(in->read_ulonglong(), 0xfffffffffffffffeull);
  EXPECT_EQ(in->read_float(), -1.5f);
  EXPECT_EQ(in->read_double(), 6.02214076e23);
  EXPECT_STREQ(StringHolder{in->read_string()}.text, "IDL:Repository/Module:1.0");
  EXPECT_STREQ(StringHolder{in->read_string()}.text, "");
  EXPECT_EQ(in->read_octet_sequence(), (std::vector<CORBA::Octet>{0, 1, 0xff}));
  EXPECT_TRUE(in->read_octet_sequence().empty());
  EXPECT_EQ(in->remaining(), 0u);

  // The write encapsulation reads back what it holds, too.
  EXPECT_EQ(out.read_boolean(), 1);
  EXPECT_EQ(out.read_char(), 'q');
}

TEST(EncapIIOP, AlignsFromTheByteOrderOctetWithZeroPadding) {
  EncapIIOP out(ENCAP_WRITE);
  out.write_octet(0xaa);          // offset 1
  out.write_long(0x01020304);     // 4..7
  out.write_octet(0xbb);          // 8
  out.write_short(0x0506);        // 10..11
  out.write_octet(0xcc);          // 12
  out.write_double(1.0);          // 16..23
  out.write_string("ab");         // length at 24..27, text at 28..30
  out.write_octet_sequence(reinterpret_cast<const CORBA::Octet*>("xy"), 2);  // 32..35, 36..37

  std::vector<unsigned char> bytes = bytes_of(out);
  ASSERT_EQ(bytes.size(), 38u);
  EXPECT_EQ(bytes[0], native_order);
  EXPECT_EQ(bytes[1], 0xaa);
  for (int pad : {2, 3, 9, 13, 14, 15, 31}) EXPECT_EQ(bytes[pad], 0) << "padding at " << pad;
  CORBA::Long long_value;
  std::memcpy(&long_value, &bytes[4], 4);
  EXPECT_EQ(long_value, 0x01020304);
  EXPECT_EQ(bytes[8], 0xbb);
  EXPECT_EQ(bytes[12], 0xcc);
  double double_value;
  std::memcpy(&double_value, &bytes[16], 8);
  EXPECT_EQ(double_value, 1.0);
  CORBA::ULong string_length;
  std::memcpy(&string_length, &bytes[24], 4);
  EXPECT_EQ(string_length, 3u);  // the NUL counts
  EXPECT_EQ(std::memcmp(&bytes[28], "ab", 3), 0);
  CORBA::ULong count;
  std::memcpy(&count, &bytes[32], 4);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(bytes[36], 'x');
}

TEST(EncapIIOP, ReadsBigEndianDataWrittenByHand) {
  const std::vector<unsigned char> big_endian = {
      0,                                    // byte order: big-endian
      0,    0xff, 0xfe,                     // padding, short -2 at 2
      0,    0,    0,    0,                  // padding to 8
      0x3f, 0xf8, 0, 0, 0, 0, 0, 0,         // double 1.5 at 8
      0,    0,    0,    4, 'a', 'b', 'c', 0,  // string "abc" at 16
      0x80, 0,    0,    0, 0, 0, 0, 1,      // longlong at 24
      0x3f, 0xc0, 0,    0,                  // float 1.5 at 32
      0,    0,    0,    2, 7, 9,            // octet sequence at 36
  };
  auto in = reader(big_endian);
  EXPECT_EQ(in->read_short(), -2);
  EXPECT_EQ(in->read_double(), 1.5);
  EXPECT_STREQ(StringHolder{in->read_string()}.text, "abc");
  EXPECT_EQ(static_cast<CORBA::ULongLong>(in->read_longlong()), 0x8000000000000001ull);
  EXPECT_EQ(in->read_float(), 1.5f);
  EXPECT_EQ(in->read_octet_sequence(), (std::vector<CORBA::Octet>{7, 9}));
  EXPECT_EQ(in->remaining(), 0u);
}

TEST(EncapIIOP, WithoutByteOrderReadsNativeValuesFromOffsetZero) {
  std::vector<unsigned char> bytes(8, 0);
  CORBA::ULong value = 0xdeadbeef;
  std::memcpy(&bytes[0], &value, 4);
  bytes[4] = 5;
  auto in = reader(bytes, false);
  EXPECT_EQ(in->read_ulong(), 0xdeadbeefu);
  EXPECT_EQ(in->read_octet(), 5);
  EXPECT_EQ(in->remaining(), 3u);
}

TEST(EncapIIOP, BadByteOrderOctetIsMarshalOnFirstRead) {
  auto in = reader({2, 0, 0, 0, 1, 0, 0, 0});
  EXPECT_THROW(in->read_ulong(), CORBA::MARSHAL);
  EXPECT_THROW(in->read_octet(), CORBA::MARSHAL);
  EXPECT_EQ(in->remaining(), 7u);
}

TEST(EncapIIOP, OverrunThrowsMarshalAndKeepsThePosition) {
  // A long at 4 needs bytes 4..7; only 4..5 are there.
  auto in = reader({native_order, 9, 0, 0, 1, 2});
  EXPECT_EQ(in->read_octet(), 9);
  EXPECT_THROW(in->read_long(), CORBA::MARSHAL);
  EXPECT_THROW(in->read_longlong(), CORBA::MARSHAL);
  EXPECT_EQ(in->remaining(), 4u);
  EXPECT_EQ(in->read_short(), 0);
  EXPECT_EQ(in->read_short(), static_cast<CORBA::Short>(std::endian::native == std::endian::little
                                                            ? 0x0201 : 0x0102));
  EXPECT_THROW(in->read_octet(), CORBA::MARSHAL);

  auto empty = reader({});
  EXPECT_THROW(empty->read_octet(), CORBA::MARSHAL);
}

// A string's length word at 4, followed by the given bytes.
std::vector<unsigned char> string_bytes(CORBA::ULong length, const std::vector<unsigned char>& text) {
  std::vector<unsigned char> bytes(8 + text.size(), 0);
  bytes[0] = native_order;
  std::memcpy(&bytes[4], &length, 4);
  std::copy(text.begin(), text.end(), bytes.begin() + 8);
  return bytes;
}

TEST(EncapIIOP, MalformedStringsThrowMarshalAndKeepThePosition) {
  const std::vector<std::vector<unsigned char>> malformed = {
      string_bytes(0, {}),                    // no room even for the NUL
      string_bytes(4, {'a', 'b', 0}),         // length beyond the data
      string_bytes(3, {'a', 'b', 'c'}),       // last byte is not NUL
      string_bytes(0xffffffffu, {'a', 0}),    // length that would wrap
  };
  for (const auto& bytes : malformed) {
    auto in = reader(bytes);
    EXPECT_THROW(CORBA::string_free(in->read_string()), CORBA::MARSHAL);
    EXPECT_EQ(in->remaining(), bytes.size() - 1);
  }

  auto sequence = reader(string_bytes(3, {1, 2}));
  EXPECT_THROW(sequence->read_octet_sequence(), CORBA::MARSHAL);
  EXPECT_EQ(sequence->read_ulong(), 3u);
}

TEST(EncapIIOP, AccessBufferGivesTheBytesOfAReadEncapsulation) {
  auto* bytes = new unsigned char[5]{native_order, 1, 2, 3, 4};
  EncapIIOP in(bytes, 5, ENCAP_READ, 1, 1);
  unsigned char* seen = nullptr;
  unsigned length = 0;
  in.access_buffer(seen, length);
  EXPECT_EQ(seen, bytes);
  EXPECT_EQ(length, 5u);
  // Given bytes are never written to.
  EXPECT_THROW(in.write_octet(1), CORBA::NO_IMPLEMENT);
}

}  // namespace

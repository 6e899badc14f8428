// The server's parts that need no server: type spellings, literals and the
// command line.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "literals.h"
#include "object_keys.h"
#include "options.h"
#include "type_tree.h"

namespace {

using irstore::serve::array_spelling;
using irstore::serve::decode_type_use;
using irstore::serve::object_key_of_ior;
using irstore::serve::encode_type_use;
using irstore::serve::parse_server_options;
using irstore::serve::parse_spelling;
using irstore::serve::sequence_spelling;
using irstore::serve::TypeTree;
using irstore::serve::unquoted;

TEST(Units, SpellingsTakenApart) {
  TypeTree grid = parse_spelling("double[2][3]");
  ASSERT_EQ(grid.form, TypeTree::Form::Array);
  EXPECT_EQ(grid.bound, 2u);
  EXPECT_EQ(grid.spelling, "double[2][3]");
  ASSERT_EQ(grid.element->form, TypeTree::Form::Array);
  EXPECT_EQ(grid.element->spelling, "double[3]");
  EXPECT_EQ(grid.element->element->word, "double");

  TypeTree names = parse_spelling("sequence<sequence<::M::T, 4>>");
  ASSERT_EQ(names.form, TypeTree::Form::Sequence);
  EXPECT_EQ(names.bound, 0u);
  EXPECT_EQ(names.element->spelling, "sequence<::M::T, 4>");
  EXPECT_EQ(names.element->bound, 4u);
  EXPECT_EQ(names.element->element->form, TypeTree::Form::Named);
  EXPECT_EQ(names.element->element->word, "::M::T");

  EXPECT_EQ(parse_spelling("unsigned long long").word, "unsigned long long");
  EXPECT_EQ(parse_spelling("string").form, TypeTree::Form::Primitive);
  EXPECT_EQ(parse_spelling("wstring<5>").bound, 5u);
  TypeTree fixed = parse_spelling("fixed<9, 2>");
  EXPECT_EQ(fixed.digits, 9);
  EXPECT_EQ(fixed.scale, 2);
  // A struct holding a member of an array of a named type.
  EXPECT_EQ(parse_spelling("::M::Point[4]").element->word, "::M::Point");

  for (const char* bad : {"", "sequence<long", "long[", "unsigned", "::", "::M::", "sequences<long>", "long]", "T"}) {
    EXPECT_THROW(parse_spelling(bad), std::invalid_argument) << bad;
  }
}

TEST(Units, ArraySpellingsPutNewLengthsFirst) {
  EXPECT_EQ(array_spelling("long[3]", 2), "long[2][3]");
  EXPECT_EQ(array_spelling("sequence<long[3]>", 2), "sequence<long[3]>[2]");
  EXPECT_EQ(sequence_spelling("::M::T", 0), "sequence<::M::T>");
  EXPECT_EQ(sequence_spelling("long", 7), "sequence<long, 7>");
}

TEST(Units, TypeUsesMakeObjectIdsAndBack) {
  irstore::access::TypeUse use{"sequence<::M::T>", {"IDL:M/T:1.0"}};
  EXPECT_EQ(decode_type_use(encode_type_use(use)), use);
  irstore::access::TypeUse primitive{"long", {}};
  EXPECT_EQ(encode_type_use(primitive), "long");
  EXPECT_EQ(decode_type_use("long"), primitive);
  EXPECT_THROW(decode_type_use("sequence<::M::T>\n"), std::invalid_argument);
}

TEST(Units, QuotedLiteralsDecodeTheirEscapes) {
  EXPECT_EQ(unquoted("'\\047'"), U"'");
  EXPECT_EQ(unquoted("\"a\\042b\\134c\\012\""), U"a\"b\\c\n");
  EXPECT_EQ(unquoted("L\"caf\\u00e9\""), U"caf\u00e9");
  EXPECT_EQ(unquoted("'\\x41'"), U"A");
  EXPECT_EQ(unquoted("\"tab\\there\""), U"tab\there");
  for (const char* bad : {"", "'", "\"open", "'a\"", "\"\\\"", "\"\\u\""}) {
    EXPECT_THROW(unquoted(bad), std::invalid_argument) << bad;
  }
}

// An IOR written by hand, in either byte order: a type id, a profile of
// another protocol, then an IIOP profile whose last field is the key.
class IorWriter {
 public:
  explicit IorWriter(bool little_endian) : little_(little_endian) { bytes_ += static_cast<char>(little_endian); }
  IorWriter& octet(unsigned char value) {
    bytes_ += static_cast<char>(value);
    return *this;
  }
  IorWriter& number(std::uint32_t value, std::size_t size) {
    while (bytes_.size() % size) bytes_ += '\0';
    for (std::size_t i = 0; i < size; ++i) {
      std::size_t shift = 8 * (little_ ? i : size - 1 - i);
      bytes_ += static_cast<char>(value >> shift & 0xff);
    }
    return *this;
  }
  IorWriter& octets(const std::string& text) {
    number(static_cast<std::uint32_t>(text.size()), 4);
    bytes_ += text;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  bool little_;
  std::string bytes_;
};

TEST(Units, ObjectKeysReadFromIorsOfEitherByteOrder) {
  for (bool little : {true, false}) {
    std::string key("Module\0Def\xff" "IDL:M:1.0", 19);
    IorWriter profile(!little);  // a profile may use another byte order than its IOR
    profile.octet(1).octet(2).octets(std::string("host\0", 5)).number(2809, 2).octets(key);
    IorWriter ior(little);
    ior.octets(std::string("IDL:omg.org/CORBA/Repository:1.0\0", 34)).number(2, 4);
    ior.number(1, 4).octets("another protocol's profile");
    ior.number(0, 4).octets(profile.bytes());
    EXPECT_EQ(object_key_of_ior(ior.bytes()), key) << little;
    EXPECT_FALSE(object_key_of_ior(ior.bytes().substr(0, ior.bytes().size() - 3)).has_value());
  }
  EXPECT_FALSE(object_key_of_ior("").has_value());
  EXPECT_FALSE(object_key_of_ior(IorWriter(true).octets("type").number(0, 4).bytes()).has_value());
}

TEST(Units, TheServersCommandLine) {
  auto options = parse_server_options({"--db", "other", "--port", "4711", "--ior-file", "/tmp/ior", "-ORBtraceLevel",
                                       "10", "--writable"});
  EXPECT_EQ(options.database, "other");
  EXPECT_TRUE(options.writable);
  EXPECT_FALSE(parse_server_options({}).writable);
  EXPECT_EQ(options.port, 4711);
  EXPECT_EQ(options.ior_file, "/tmp/ior");
  EXPECT_EQ(options.orb_arguments,
            (std::vector<std::string>{"-ORBtraceLevel", "10", "-ORBendPoint", "giop:tcp::4711"}));
  EXPECT_TRUE(parse_server_options({"--help"}).help);
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"--port"}, {"--port", "0"}, {"--port", "70000"}, {"--port", "12x"}, {"--bogus"}, {"-ORBtraceLevel"}}) {
    EXPECT_THROW(parse_server_options(bad), std::invalid_argument) << bad[0];
  }
}

}  // namespace

#include "irdb_text.h"

#include <array>
#include <cstring>
#include <new>

#include <qelororm/corba.h>
#include <qelororm/vekd.h>

#include <qeloridm/column_widths.h>
#include <qeloridm/irdb.h>

#include "irdb_errors.h"

namespace {

constexpr char kDigits[] = "0123456789abcdef";
constexpr std::size_t kPadFrom = 505;
constexpr std::size_t kPadTo = 509;
constexpr std::size_t kPadLength = 8;

// d(c) of every byte, looked up rather than computed per character:
// c - 0x57 above '9', c - 0x30 otherwise, in 8-bit arithmetic.
constexpr auto kDigitValues = [] {
  std::array<unsigned char, 256> values{};
  for (int byte = 0; byte < 256; ++byte) {
    char c = static_cast<char>(byte);
    values[static_cast<std::size_t>(byte)] = static_cast<unsigned char>(c > '9' ? c - 0x57 : c - 0x30);
  }
  return values;
}();

unsigned char digit_value(char c) { return kDigitValues[static_cast<unsigned char>(c)]; }

}  // namespace

char* stream_to_hex(const unsigned char* bytes, unsigned length) {
  if (length == 0) return nullptr;
  std::size_t text_length = 2 * std::size_t{length};
  bool pad = text_length >= kPadFrom && text_length <= kPadTo;
  char* text = new (std::nothrow) char[text_length + (pad ? kPadLength : 0) + 1];
  if (!text) throw IRStore::OutOfMemory();
  char* out = text;
  for (unsigned i = 0; i < length; ++i) {
    *out++ = kDigits[bytes[i] >> 4];
    *out++ = kDigits[bytes[i] & 0x0f];
  }
  if (pad) out = static_cast<char*>(std::memset(out, '0', kPadLength)) + kPadLength;
  *out = '\0';
  return text;
}

unsigned char* hex_to_stream(const char* text) {
  std::size_t text_length = std::strlen(text);
  if (text_length == 0 || text_length % 2 != 0) return nullptr;
  unsigned char* bytes = new (std::nothrow) unsigned char[text_length / 2];
  if (!bytes) throw IRStore::OutOfMemory();
  for (std::size_t i = 0; i < text_length / 2; ++i) {
    bytes[i] = static_cast<unsigned char>(digit_value(text[2 * i]) * 16 + digit_value(text[2 * i + 1]));
  }
  return bytes;
}

bool is_stream_text(const char* text) {
  std::size_t text_length = std::strlen(text);
  if (text_length == 0 || text_length % 2 != 0) return false;
  return std::strspn(text, kDigits) == text_length;
}

const char* storable_name(const char* name) {
  constexpr std::size_t kNameWidth = column_width::kName;
  if (!name || strnlen(name, kNameWidth + 1) > kNameWidth || vekdMBCSstrchr(name, ' ')) {
    throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  }
  return name;
}

char* IRDB::remove_blanks(const char* text) {
  if (std::strlen(text) >= 256) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  char buffer[256];
  std::strcpy(buffer, text);
  if (char* blank = vekdMBCSstrchr(buffer, ' ')) *blank = '\0';
  char* copy = CORBA::string_dup(buffer);
  if (!copy) throw IRStore::OutOfMemory();
  return copy;
}

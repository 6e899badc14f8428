#include "object_keys.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace irstore::serve {

namespace {

constexpr std::uint32_t kInternetIiopTag = 0;

// Reads a CDR encapsulation: its first octet gives the byte order, and
// alignment counts from that octet. Reading past the end fails.
class CdrReader {
 public:
  explicit CdrReader(std::string_view bytes) : bytes_(bytes) { little_endian_ = octet() == 1; }

  std::uint8_t octet() {
    need(1);
    return static_cast<std::uint8_t>(bytes_[at_++]);
  }
  std::uint16_t ushort() { return static_cast<std::uint16_t>(number(2)); }
  std::uint32_t ulong() { return static_cast<std::uint32_t>(number(4)); }
  std::string_view octets() {
    std::uint32_t length = ulong();
    need(length);
    std::string_view result = bytes_.substr(at_, length);
    at_ += length;
    return result;
  }

 private:
  std::uint64_t number(std::size_t size) {
    at_ = (at_ + size - 1) / size * size;
    need(size);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      auto byte = static_cast<std::uint8_t>(bytes_[at_ + (little_endian_ ? size - 1 - i : i)]);
      value = value << 8 | byte;
    }
    at_ += size;
    return value;
  }
  void need(std::size_t count) {
    if (at_ > bytes_.size() || bytes_.size() - at_ < count) throw std::out_of_range("past the end of an encapsulation");
  }

  std::string_view bytes_;
  std::size_t at_ = 0;
  bool little_endian_ = false;
};

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> object_key_of_ior(const std::string& encapsulation) {
  try {
    CdrReader ior(encapsulation);
    ior.octets();  // the type id
    for (std::uint32_t profiles = ior.ulong(); profiles > 0; --profiles) {
      std::uint32_t tag = ior.ulong();
      std::string_view body = ior.octets();
      if (tag != kInternetIiopTag) continue;
      CdrReader profile(body);
      profile.octet();   // major version
      profile.octet();   // minor version
      profile.octets();  // host
      profile.ushort();  // port
      std::string_view key = profile.octets();
      return std::string(key);
    }
  } catch (const std::out_of_range&) {
    // Not an IOR.
  }
  return std::nullopt;
}

std::optional<std::string> object_key(CORBA::ORB_ptr orb, CORBA::Object_ptr object) {
  if (CORBA::is_nil(object)) return std::nullopt;
  CORBA::String_var text = orb->object_to_string(object);
  std::string_view hex(text.in());
  if (hex.substr(0, 4) != "IOR:" || hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 4; i < hex.size(); i += 2) {
    int high = hex_digit(hex[i]), low = hex_digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high << 4 | low);
  }
  return object_key_of_ior(bytes);
}

}  // namespace irstore::serve

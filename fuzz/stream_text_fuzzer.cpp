// The stream text of IRREPDAT.STREAM, as read back from a database that
// anyone may have written: decoding never reads out of bounds, text the
// store calls valid decodes and encodes back to itself (but for the pad of
// texts of 505 to 509 characters), and every byte string round-trips.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "irdb_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
  std::unique_ptr<unsigned char[]> bytes(hex_to_stream(text.c_str()));
  if (is_stream_text(text.c_str())) {
    if (!bytes) __builtin_trap();
    std::unique_ptr<char[]> again(stream_to_hex(bytes.get(), static_cast<unsigned>(text.size() / 2)));
    std::string back(again.get());
    if (back.compare(0, text.size(), text) != 0) __builtin_trap();
  }
  if (size > 0) {
    std::unique_ptr<char[]> hex(stream_to_hex(data, static_cast<unsigned>(size)));
    std::unique_ptr<unsigned char[]> decoded(hex_to_stream(hex.get()));
    if (!decoded || std::memcmp(decoded.get(), data, size) != 0) __builtin_trap();
  }
  return 0;
}

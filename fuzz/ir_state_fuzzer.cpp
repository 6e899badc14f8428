// The state of every kind of IR object, read from bytes anyone may have
// stored: a malformed encapsulation raises CORBA::MARSHAL, never reads out
// of bounds, never allocates without limit, and an object that reads it
// writes it back to the same state.
#include <cstdint>
#include <cstring>
#include <vector>

#include <qelorirm/definitions.h>

namespace {

const CORBA::DefinitionKind kKinds[] = {
    CORBA::dk_Repository, CORBA::dk_Module, CORBA::dk_Interface, CORBA::dk_Operation,
    CORBA::dk_Attribute,  CORBA::dk_Constant, CORBA::dk_Exception, CORBA::dk_Alias,
    CORBA::dk_Struct,     CORBA::dk_Union,  CORBA::dk_Enum};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  CORBA::DefinitionKind kind = kKinds[data[0] % (sizeof kKinds / sizeof kKinds[0])];
  std::vector<unsigned char> bytes(data + 1, data + size);
  EncapIIOP stream(bytes.data(), static_cast<unsigned>(bytes.size()), ENCAP_READ, 0, 1);
  CORBA_Contained_Impl* object = nullptr;
  try {
    object = make_object(kind, const_cast<char*>("Name"), const_cast<char*>("IDL:fuzz/Name:1.0"), stream);
  } catch (CORBA::MARSHAL&) {
    return 0;
  }
  if (!object) return 0;
  EncapIIOP written(ENCAP_WRITE);
  object->object_to_stream(written);
  unsigned char* out;
  unsigned length;
  written.access_buffer(out, length);
  // What was read is written again the same way, and reads back the same.
  EncapIIOP reread(out, length, ENCAP_READ, 0, 1);
  CORBA_Contained_Impl* again = make_object(kind, const_cast<char*>("Name"), const_cast<char*>("IDL:fuzz/Other:1.0"), reread);
  EncapIIOP rewritten(ENCAP_WRITE);
  again->object_to_stream(rewritten);
  unsigned char* out2;
  unsigned length2;
  rewritten.access_buffer(out2, length2);
  if (length != length2 || std::memcmp(out, out2, length) != 0) __builtin_trap();
  CORBA::release(again);
  CORBA::release(object);
  return 0;
}

// CDR encapsulations. Every value is aligned to its size counted from the
// encapsulation's first byte, so an encapsulation can be embedded anywhere.
#include <qelororm/encap.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr unsigned char native_byte_order = std::endian::native == std::endian::little ? 1 : 0;

unsigned align(unsigned position, unsigned size) { return (position + size - 1) / size * size; }

void reverse_bytes(void* value, unsigned size) {
  auto* bytes = static_cast<unsigned char*>(value);
  std::reverse(bytes, bytes + size);
}

}  // namespace

EncapIIOP::EncapIIOP(encap_type /*type*/) : written_{native_byte_order}, position_(1) {}

EncapIIOP::EncapIIOP(unsigned char* bytes, unsigned length, encap_type /*type*/,
                     unsigned char adopt, unsigned char withByteOrder)
    : bytes_(bytes), length_(bytes ? length : 0), owned_(adopt != 0) {
  if (withByteOrder && length_ > 0) {
    // A bad octet is reported by the first read, where MARSHAL is expected.
    byte_order_valid_ = bytes_[0] <= 1;
    swap_ = byte_order_valid_ && bytes_[0] != native_byte_order;
    position_ = 1;
  }
}

EncapIIOP::~EncapIIOP() {
  if (owned_) delete[] bytes_;
}

const unsigned char* EncapIIOP::data() const { return written_.empty() ? bytes_ : written_.data(); }

unsigned EncapIIOP::size() const {
  return written_.empty() ? length_ : static_cast<unsigned>(written_.size());
}

void EncapIIOP::access_buffer(unsigned char*& bytes, unsigned& length) {
  bytes = written_.empty() ? bytes_ : written_.data();
  length = size();
}

unsigned EncapIIOP::remaining() const { return size() - position_; }

// Writing.

void EncapIIOP::write_aligned(const void* value, unsigned size) {
  // The given bytes of a read encapsulation are not ours to grow.
  if (written_.empty()) throw CORBA::NO_IMPLEMENT();
  written_.resize(align(static_cast<unsigned>(written_.size()), size), 0);
  auto* bytes = static_cast<const unsigned char*>(value);
  written_.insert(written_.end(), bytes, bytes + size);
}

void EncapIIOP::write_boolean(CORBA::Boolean value) {
  CORBA::Octet octet = value ? 1 : 0;
  write_aligned(&octet, 1);
}
void EncapIIOP::write_char(CORBA::Char value) { write_aligned(&value, 1); }
void EncapIIOP::write_octet(CORBA::Octet value) { write_aligned(&value, 1); }
void EncapIIOP::write_short(CORBA::Short value) { write_aligned(&value, 2); }
void EncapIIOP::write_ushort(CORBA::UShort value) { write_aligned(&value, 2); }
void EncapIIOP::write_long(CORBA::Long value) { write_aligned(&value, 4); }
void EncapIIOP::write_ulong(CORBA::ULong value) { write_aligned(&value, 4); }
void EncapIIOP::write_longlong(CORBA::LongLong value) { write_aligned(&value, 8); }
void EncapIIOP::write_ulonglong(CORBA::ULongLong value) { write_aligned(&value, 8); }
void EncapIIOP::write_float(CORBA::Float value) { write_aligned(&value, 4); }
void EncapIIOP::write_double(CORBA::Double value) { write_aligned(&value, 8); }

void EncapIIOP::write_string(const char* value) {
  if (!value) value = "";
  std::size_t length = std::strlen(value) + 1;
  if (length > 0xffffffffu) throw CORBA::BAD_PARAM();
  write_ulong(static_cast<CORBA::ULong>(length));
  written_.insert(written_.end(), value, value + length);
}

void EncapIIOP::write_octet_sequence(const CORBA::Octet* values, CORBA::ULong count) {
  if (!values && count > 0) throw CORBA::BAD_PARAM();
  write_ulong(count);
  if (count > 0) written_.insert(written_.end(), values, values + count);
}

// Reading. A failed read throws before it moves the position.

void EncapIIOP::read_aligned(void* value, unsigned size) {
  if (!byte_order_valid_) throw CORBA::MARSHAL();
  unsigned start = align(position_, size);
  if (start > this->size() || this->size() - start < size) throw CORBA::MARSHAL();
  std::memcpy(value, data() + start, size);
  if (swap_) reverse_bytes(value, size);
  position_ = start + size;
}

CORBA::Boolean EncapIIOP::read_boolean() { return read_octet() != 0 ? 1 : 0; }

CORBA::Char EncapIIOP::read_char() {
  CORBA::Char value;
  read_aligned(&value, 1);
  return value;
}

CORBA::Octet EncapIIOP::read_octet() {
  CORBA::Octet value;
  read_aligned(&value, 1);
  return value;
}

CORBA::Short EncapIIOP::read_short() {
  CORBA::Short value;
  read_aligned(&value, 2);
  return value;
}

CORBA::UShort EncapIIOP::read_ushort() {
  CORBA::UShort value;
  read_aligned(&value, 2);
  return value;
}

CORBA::Long EncapIIOP::read_long() {
  CORBA::Long value;
  read_aligned(&value, 4);
  return value;
}

CORBA::ULong EncapIIOP::read_ulong() {
  CORBA::ULong value;
  read_aligned(&value, 4);
  return value;
}

CORBA::LongLong EncapIIOP::read_longlong() {
  CORBA::LongLong value;
  read_aligned(&value, 8);
  return value;
}

CORBA::ULongLong EncapIIOP::read_ulonglong() {
  CORBA::ULongLong value;
  read_aligned(&value, 8);
  return value;
}

CORBA::Float EncapIIOP::read_float() {
  CORBA::Float value;
  read_aligned(&value, 4);
  return value;
}

CORBA::Double EncapIIOP::read_double() {
  CORBA::Double value;
  read_aligned(&value, 8);
  return value;
}

char* EncapIIOP::read_string() {
  unsigned start = position_;
  CORBA::ULong length = read_ulong();  // counts the NUL
  if (length == 0 || remaining() < length || data()[position_ + length - 1] != '\0') {
    position_ = start;
    throw CORBA::MARSHAL();
  }
  char* text = CORBA::string_alloc(length - 1);
  if (!text) {
    position_ = start;
    throw std::bad_alloc();
  }
  std::memcpy(text, data() + position_, length);
  position_ += length;
  return text;
}

std::vector<CORBA::Octet> EncapIIOP::read_octet_sequence() {
  unsigned start = position_;
  CORBA::ULong count = read_ulong();
  if (remaining() < count) {
    position_ = start;
    throw CORBA::MARSHAL();
  }
  std::vector<CORBA::Octet> values;
  try {
    values.assign(data() + position_, data() + position_ + count);
  } catch (...) {
    position_ = start;
    throw;
  }
  position_ += count;
  return values;
}

#include <qeloridm/irstorec.h>

#include <cstring>
#include <new>

#include <qeloridm/irstore.h>

namespace {

// Sequences that cannot get their memory fail with the store's exception
// rather than leave a length that no buffer backs.
template <class T>
T* checked(T* buffer, CORBA::ULong count) {
  if (!buffer && count > 0) throw IRStore::OutOfMemory();
  return buffer;
}

}  // namespace

// ---- Octet sequence -------------------------------------------------------

_IDL_SEQUENCE_CORBA_Char_7::_IDL_SEQUENCE_CORBA_Char_7(CORBA::ULong maximum)
    : _maximum(maximum), _buffer(maximum > 0 ? checked(allocbuf(maximum), maximum) : nullptr) {}

_IDL_SEQUENCE_CORBA_Char_7::_IDL_SEQUENCE_CORBA_Char_7(CORBA::ULong maximum, CORBA::ULong length,
                                                       unsigned char* buffer,
                                                       CORBA::Boolean release)
    : _maximum(maximum), _length(length), _buffer(buffer), _release(release) {}

_IDL_SEQUENCE_CORBA_Char_7::_IDL_SEQUENCE_CORBA_Char_7(const _IDL_SEQUENCE_CORBA_Char_7& other)
    : _maximum(other._maximum), _length(other._length),
      _buffer(other._maximum > 0 ? checked(allocbuf(other._maximum), other._maximum) : nullptr) {
  if (_buffer && _length > 0) std::memcpy(_buffer, other._buffer, _length);
}

_IDL_SEQUENCE_CORBA_Char_7& _IDL_SEQUENCE_CORBA_Char_7::operator=(
    const _IDL_SEQUENCE_CORBA_Char_7& other) {
  if (this == &other) return *this;
  if (!_release || other._maximum > _maximum) {
    unsigned char* bigger = checked(allocbuf(other._maximum), other._maximum);
    if (_release) freebuf(_buffer);
    _buffer = bigger;
    _maximum = other._maximum;
    _release = 1;
  }
  _length = other._length;
  if (_length > 0) std::memcpy(_buffer, other._buffer, _length);
  return *this;
}

_IDL_SEQUENCE_CORBA_Char_7::~_IDL_SEQUENCE_CORBA_Char_7() {
  if (_release) freebuf(_buffer);
}

void _IDL_SEQUENCE_CORBA_Char_7::length(CORBA::ULong length) {
  if (length > _maximum) {
    unsigned char* bigger = checked(allocbuf(length), length);
    if (_length > 0) std::memcpy(bigger, _buffer, _length);
    if (_release) freebuf(_buffer);
    _buffer = bigger;
    _maximum = length;
    _release = 1;
  }
  _length = length;
}

unsigned char* _IDL_SEQUENCE_CORBA_Char_7::orphan_buffer() {
  if (!_release) return nullptr;
  unsigned char* buffer = _buffer;
  _buffer = nullptr;
  _maximum = _length = 0;
  return buffer;
}

void _IDL_SEQUENCE_CORBA_Char_7::replace(CORBA::ULong maximum, CORBA::ULong length,
                                         unsigned char* buffer, CORBA::Boolean release) {
  if (_release && buffer != _buffer) freebuf(_buffer);
  _maximum = maximum;
  _length = length;
  _buffer = buffer;
  _release = release;
}

unsigned char* _IDL_SEQUENCE_CORBA_Char_7::allocbuf(CORBA::ULong count) {
  return new (std::nothrow) unsigned char[count];
}

void _IDL_SEQUENCE_CORBA_Char_7::freebuf(unsigned char* buffer) { delete[] buffer; }

// ---- Sequence of octet sequences --------------------------------------------

using Outer = _IDL_SEQUENCE_sequence_CORBA_Char_7_0;

Outer::_IDL_SEQUENCE_sequence_CORBA_Char_7_0(CORBA::ULong maximum)
    : _maximum(maximum), _buffer(maximum > 0 ? checked(allocbuf(maximum), maximum) : nullptr) {}

Outer::_IDL_SEQUENCE_sequence_CORBA_Char_7_0(CORBA::ULong maximum, CORBA::ULong length,
                                             Element* buffer, CORBA::Boolean release)
    : _maximum(maximum), _length(length), _buffer(buffer), _release(release) {}

Outer::_IDL_SEQUENCE_sequence_CORBA_Char_7_0(const Outer& other)
    : _maximum(other._maximum), _length(other._length),
      _buffer(other._maximum > 0 ? checked(allocbuf(other._maximum), other._maximum) : nullptr) {
  for (CORBA::ULong i = 0; i < _length; ++i) _buffer[i] = other._buffer[i];
}

Outer& Outer::operator=(const Outer& other) {
  if (this == &other) return *this;
  if (!_release || other._maximum > _maximum) {
    Element* bigger = checked(allocbuf(other._maximum), other._maximum);
    if (_release) freebuf(_buffer);
    _buffer = bigger;
    _maximum = other._maximum;
    _release = 1;
  }
  _length = other._length;
  for (CORBA::ULong i = 0; i < _length; ++i) _buffer[i] = other._buffer[i];
  return *this;
}

Outer::~_IDL_SEQUENCE_sequence_CORBA_Char_7_0() {
  if (_release) freebuf(_buffer);
}

void Outer::length(CORBA::ULong length) {
  if (length > _maximum) {
    Element* bigger = checked(allocbuf(length), length);
    // Elements that are the sequence's own move over with their buffers;
    // a caller's buffer stays untouched, and its elements are copied.
    for (CORBA::ULong i = 0; i < _length; ++i) {
      Element& element = _buffer[i];
      if (_release && element.release()) {
        CORBA::ULong maximum = element.maximum(), count = element.length();
        bigger[i].replace(maximum, count, element.orphan_buffer(), 1);
      } else {
        bigger[i] = element;
      }
    }
    if (_release) freebuf(_buffer);
    _buffer = bigger;
    _maximum = length;
    _release = 1;
  }
  _length = length;
}

Outer::Element* Outer::allocbuf(CORBA::ULong count) {
  // The count lives in front of the elements, so that freebuf can destroy them.
  constexpr std::size_t header = alignof(std::max_align_t);
  void* block = ::operator new(header + count * sizeof(Element), std::nothrow);
  if (!block) return nullptr;
  *static_cast<CORBA::ULong*>(block) = count;
  auto* elements = reinterpret_cast<Element*>(static_cast<char*>(block) + header);
  for (CORBA::ULong i = 0; i < count; ++i) new (&elements[i]) Element();
  return elements;
}

void Outer::freebuf(Element* elements) {
  if (!elements) return;
  constexpr std::size_t header = alignof(std::max_align_t);
  char* block = reinterpret_cast<char*>(elements) - header;
  CORBA::ULong count = *reinterpret_cast<CORBA::ULong*>(block);
  for (CORBA::ULong i = 0; i < count; ++i) elements[i].~Element();
  ::operator delete(block);
}

// Unbounded IDL sequences of strings and of object references, as the C++
// language mapping defines them. A sequence whose release flag is true owns
// its buffer and every element in it.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include <qelororm/corba.h>

namespace CORBA {

// How elements are copied and given up: strings are duplicated and freed,
// object references gain and drop a reference.
struct StringElement {
  using Type = char*;
  static char* duplicate(const char* text) { return text ? string_dup(text) : nullptr; }
  static void free(char* text) { string_free(text); }
};

template <class T>
struct ObjectElement {
  using Type = T*;
  static T* duplicate(T* object) {
    if (object) object->_add_ref();
    return object;
  }
  static void free(T* object) { release(object); }
};

template <class Element>
class UnboundedSequence {
 public:
  using T = typename Element::Type;

  UnboundedSequence() = default;
  explicit UnboundedSequence(ULong maximum)
      : maximum_(maximum), buffer_(maximum ? allocate(maximum) : nullptr) {}
  UnboundedSequence(ULong maximum, ULong length, T* buffer, Boolean release = false)
      : maximum_(maximum), length_(length), buffer_(buffer), release_(release) {}
  UnboundedSequence(const UnboundedSequence& other)
      : maximum_(other.maximum_), length_(other.length_),
        buffer_(other.maximum_ ? allocate(other.maximum_) : nullptr) {
    for (ULong i = 0; i < length_; ++i) buffer_[i] = Element::duplicate(other.buffer_[i]);
  }
  UnboundedSequence& operator=(const UnboundedSequence& other) {
    if (this == &other) return *this;
    UnboundedSequence copy(other);
    swap(copy);
    return *this;
  }
  ~UnboundedSequence() {
    if (release_) freebuf(buffer_);
  }

  ULong maximum() const { return maximum_; }
  ULong length() const { return length_; }

  // Growing past the maximum replaces the buffer by one of exactly the new
  // length; new elements are null. The elements move over when the sequence
  // owns them, and are copied when the buffer is the caller's, which stays
  // untouched. Shrinking gives up the elements cut off.
  void length(ULong length) {
    if (length > maximum_) {
      T* bigger = allocate(length);
      for (ULong i = 0; i < length_; ++i) {
        if (release_) {
          bigger[i] = buffer_[i];
          buffer_[i] = nullptr;
        } else {
          bigger[i] = Element::duplicate(buffer_[i]);
        }
      }
      if (release_) freebuf(buffer_);
      buffer_ = bigger;
      maximum_ = length;
      release_ = true;
    } else if (release_) {
      for (ULong i = length; i < length_; ++i) {
        Element::free(buffer_[i]);
        buffer_[i] = nullptr;
      }
    }
    length_ = length;
  }

  // Element access without a bounds check. Assigning to an element that
  // holds a value is the caller's business: free the old value first.
  T& operator[](ULong index) { return buffer_[index]; }
  const T& operator[](ULong index) const { return buffer_[index]; }

  T* get_buffer() { return buffer_; }
  Boolean release() const { return release_; }

  // Buffers remember their size in front of the elements, so that freebuf
  // can give up every element. Elements start null. Failure yields nullptr.
  static T* allocbuf(ULong count) {
    void* block = ::operator new(header() + count * sizeof(T), std::nothrow);
    if (!block) return nullptr;
    *static_cast<ULong*>(block) = count;
    T* elements = reinterpret_cast<T*>(static_cast<char*>(block) + header());
    for (ULong i = 0; i < count; ++i) elements[i] = nullptr;
    return elements;
  }
  static void freebuf(T* elements) {
    if (!elements) return;
    char* block = reinterpret_cast<char*>(elements) - header();
    ULong count = *reinterpret_cast<ULong*>(block);
    for (ULong i = 0; i < count; ++i) Element::free(elements[i]);
    ::operator delete(block);
  }

 private:
  static constexpr std::size_t header() { return alignof(std::max_align_t); }
  // allocbuf for the sequence's own use, where a null buffer cannot be kept.
  static T* allocate(ULong count) {
    T* elements = allocbuf(count);
    if (!elements) throw std::bad_alloc();
    return elements;
  }
  void swap(UnboundedSequence& other) {
    std::swap(maximum_, other.maximum_);
    std::swap(length_, other.length_);
    std::swap(buffer_, other.buffer_);
    std::swap(release_, other.release_);
  }

  ULong maximum_ = 0;
  ULong length_ = 0;
  T* buffer_ = nullptr;
  Boolean release_ = true;
};

using _IDL_SEQUENCE_CORBA_String_0 = UnboundedSequence<StringElement>;

class _CORBA_Contained;
using _IDL_SEQUENCE_CORBA_Contained_0 = UnboundedSequence<ObjectElement<_CORBA_Contained>>;

}  // namespace CORBA

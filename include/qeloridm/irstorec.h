// Octet sequences, in which the store's IIDs travel, and sequences of them.
//
// An IID octet sequence holds 33 octets: the 32 characters of the IID text
// and a NUL, so that its buffer can be read directly as text.
#pragma once

#include <qelororm/corba.h>
#include <qeloridm/export.h>

// Unbounded sequence of octets. A sequence whose release flag is true owns
// its buffer.
class QELORIDM_EXPORT _IDL_SEQUENCE_CORBA_Char_7 {
 public:
  _IDL_SEQUENCE_CORBA_Char_7() = default;
  explicit _IDL_SEQUENCE_CORBA_Char_7(CORBA::ULong maximum);
  _IDL_SEQUENCE_CORBA_Char_7(CORBA::ULong maximum, CORBA::ULong length, unsigned char* buffer,
                             CORBA::Boolean release);
  // A copy has a new buffer of the source's maximum, its first length octets copied.
  _IDL_SEQUENCE_CORBA_Char_7(const _IDL_SEQUENCE_CORBA_Char_7& other);
  _IDL_SEQUENCE_CORBA_Char_7& operator=(const _IDL_SEQUENCE_CORBA_Char_7& other);
  ~_IDL_SEQUENCE_CORBA_Char_7();

  CORBA::ULong maximum() const { return _maximum; }
  CORBA::ULong length() const { return _length; }
  // Growing past the maximum replaces the buffer by one of exactly that
  // many octets (the old octets copied); new octets are not initialised.
  void length(CORBA::ULong length);

  unsigned char& operator[](CORBA::ULong index) { return _buffer[index]; }
  const unsigned char& operator[](CORBA::ULong index) const { return _buffer[index]; }

  unsigned char* get_buffer() { return _buffer; }
  const unsigned char* get_buffer() const { return _buffer; }
  CORBA::Boolean release() const { return _release; }
  // Hands the buffer over to the caller, who frees it with freebuf; the
  // sequence is left empty. Returns nullptr for a buffer it does not own.
  unsigned char* orphan_buffer();
  // Frees an owned buffer and takes over the given one.
  void replace(CORBA::ULong maximum, CORBA::ULong length, unsigned char* buffer,
               CORBA::Boolean release);

  // Octets are not initialised; failure yields nullptr.
  static unsigned char* allocbuf(CORBA::ULong count);
  static void freebuf(unsigned char* buffer);

 private:
  CORBA::ULong _maximum = 0;
  CORBA::ULong _length = 0;
  unsigned char* _buffer = nullptr;
  CORBA::Boolean _release = 1;
};

// Unbounded sequence of octet sequences; the store's lists of IIDs.
class QELORIDM_EXPORT _IDL_SEQUENCE_sequence_CORBA_Char_7_0 {
 public:
  using Element = _IDL_SEQUENCE_CORBA_Char_7;

  _IDL_SEQUENCE_sequence_CORBA_Char_7_0() = default;
  explicit _IDL_SEQUENCE_sequence_CORBA_Char_7_0(CORBA::ULong maximum);
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0(CORBA::ULong maximum, CORBA::ULong length, Element* buffer,
                                        CORBA::Boolean release);
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0(const _IDL_SEQUENCE_sequence_CORBA_Char_7_0& other);
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0& operator=(
      const _IDL_SEQUENCE_sequence_CORBA_Char_7_0& other);
  ~_IDL_SEQUENCE_sequence_CORBA_Char_7_0();

  CORBA::ULong maximum() const { return _maximum; }
  CORBA::ULong length() const { return _length; }
  // Growing past the maximum replaces the buffer by one of exactly that many
  // elements, new ones empty. The old elements move over when the sequence
  // owns them (no octet is copied), and are copied when the buffer is the
  // caller's, which stays untouched.
  void length(CORBA::ULong length);

  Element& operator[](CORBA::ULong index) { return _buffer[index]; }
  const Element& operator[](CORBA::ULong index) const { return _buffer[index]; }

  Element* get_buffer() { return _buffer; }
  CORBA::Boolean release() const { return _release; }

  // Creates count empty octet sequences; failure yields nullptr.
  static Element* allocbuf(CORBA::ULong count);
  static void freebuf(Element* buffer);

 private:
  CORBA::ULong _maximum = 0;
  CORBA::ULong _length = 0;
  Element* _buffer = nullptr;
  CORBA::Boolean _release = 1;
};

// Holders of one sequence pointer: they adopt a pointer, delete the sequence
// they hold, and make deep copies of each other.
template <class Sequence>
class SequenceVar {
 public:
  SequenceVar() = default;
  SequenceVar(Sequence* sequence) : sequence_(sequence) {}  // NOLINT: adopts, as the mapping does
  SequenceVar(const SequenceVar& other)
      : sequence_(other.sequence_ ? new Sequence(*other.sequence_) : nullptr) {}
  ~SequenceVar() { delete sequence_; }

  SequenceVar& operator=(Sequence* sequence) {
    if (sequence != sequence_) {
      delete sequence_;
      sequence_ = sequence;
    }
    return *this;
  }
  SequenceVar& operator=(const SequenceVar& other) {
    if (this != &other) {
      Sequence* copy = other.sequence_ ? new Sequence(*other.sequence_) : nullptr;
      delete sequence_;
      sequence_ = copy;
    }
    return *this;
  }

  auto& operator[](CORBA::ULong index) { return (*sequence_)[index]; }
  Sequence* operator->() { return sequence_; }
  operator Sequence*() const { return sequence_; }  // NOLINT: the mapping's conversion
  // Gives the held sequence up to the caller.
  Sequence* _retn() {
    Sequence* held = sequence_;
    sequence_ = nullptr;
    return held;
  }

 private:
  Sequence* sequence_ = nullptr;
};

using _IDL_SEQUENCE_CORBA_Char_7_var = SequenceVar<_IDL_SEQUENCE_CORBA_Char_7>;
using _IDL_SEQUENCE_sequence_CORBA_Char_7_0_var = SequenceVar<_IDL_SEQUENCE_sequence_CORBA_Char_7_0>;

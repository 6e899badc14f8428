// CDR encapsulations: a byte-order octet followed by CDR-encoded values,
// each aligned to its natural boundary counted from the start of the
// encapsulation (the byte-order octet is at offset 0).
#pragma once

#include <vector>

#include <qelororm/corba.h>
#include <qelororm/export.h>

enum encap_type {
  ENCAP_WRITE = 0,  // empty, for writing
  ENCAP_READ = 1    // over given bytes, for reading
};

// What every encapsulation offers. Reading past the end, or a malformed
// value (a string without its NUL, a length beyond the data), throws
// CORBA::MARSHAL and leaves the read position where it was.
class QELORORM_EXPORT Encapsulation {
 public:
  virtual ~Encapsulation() = default;

  // The encoded bytes, byte-order octet included. They stay owned by the
  // encapsulation and valid until it is written to again or destroyed.
  virtual void access_buffer(unsigned char*& bytes, unsigned& length) = 0;

  virtual void write_boolean(CORBA::Boolean value) = 0;
  virtual void write_char(CORBA::Char value) = 0;
  virtual void write_octet(CORBA::Octet value) = 0;
  virtual void write_short(CORBA::Short value) = 0;
  virtual void write_ushort(CORBA::UShort value) = 0;
  virtual void write_long(CORBA::Long value) = 0;
  virtual void write_ulong(CORBA::ULong value) = 0;
  virtual void write_longlong(CORBA::LongLong value) = 0;
  virtual void write_ulonglong(CORBA::ULongLong value) = 0;
  virtual void write_float(CORBA::Float value) = 0;
  virtual void write_double(CORBA::Double value) = 0;
  // A CDR string: ulong length counting the NUL, the characters, the NUL.
  // nullptr is written as the empty string.
  virtual void write_string(const char* value) = 0;
  // A ulong count followed by the octets.
  virtual void write_octet_sequence(const CORBA::Octet* values, CORBA::ULong count) = 0;

  virtual CORBA::Boolean read_boolean() = 0;
  virtual CORBA::Char read_char() = 0;
  virtual CORBA::Octet read_octet() = 0;
  virtual CORBA::Short read_short() = 0;
  virtual CORBA::UShort read_ushort() = 0;
  virtual CORBA::Long read_long() = 0;
  virtual CORBA::ULong read_ulong() = 0;
  virtual CORBA::LongLong read_longlong() = 0;
  virtual CORBA::ULongLong read_ulonglong() = 0;
  virtual CORBA::Float read_float() = 0;
  virtual CORBA::Double read_double() = 0;
  // A new CORBA string, owned by the caller (CORBA::string_free).
  virtual char* read_string() = 0;
  virtual std::vector<CORBA::Octet> read_octet_sequence() = 0;

  // Bytes not yet read.
  virtual unsigned remaining() const = 0;
};

class QELORORM_EXPORT EncapIIOP : public Encapsulation {
 public:
  // An empty encapsulation for writing (type ENCAP_WRITE): it holds the
  // byte-order octet of this machine.
  explicit EncapIIOP(encap_type type);
  // An encapsulation for reading `length` bytes (type ENCAP_READ). With
  // `adopt` true it owns the bytes and frees them with delete[]; otherwise
  // they must outlive it. With `withByteOrder` true the first byte is the
  // byte-order octet (0 big-endian, 1 little-endian); otherwise the values
  // start at offset 0 in this machine's byte order.
  EncapIIOP(unsigned char* bytes, unsigned length, encap_type type, unsigned char adopt,
            unsigned char withByteOrder);
  ~EncapIIOP() override;
  EncapIIOP(const EncapIIOP&) = delete;
  EncapIIOP& operator=(const EncapIIOP&) = delete;

  void access_buffer(unsigned char*& bytes, unsigned& length) override;

  void write_boolean(CORBA::Boolean value) override;
  void write_char(CORBA::Char value) override;
  void write_octet(CORBA::Octet value) override;
  void write_short(CORBA::Short value) override;
  void write_ushort(CORBA::UShort value) override;
  void write_long(CORBA::Long value) override;
  void write_ulong(CORBA::ULong value) override;
  void write_longlong(CORBA::LongLong value) override;
  void write_ulonglong(CORBA::ULongLong value) override;
  void write_float(CORBA::Float value) override;
  void write_double(CORBA::Double value) override;
  void write_string(const char* value) override;
  void write_octet_sequence(const CORBA::Octet* values, CORBA::ULong count) override;

  CORBA::Boolean read_boolean() override;
  CORBA::Char read_char() override;
  CORBA::Octet read_octet() override;
  CORBA::Short read_short() override;
  CORBA::UShort read_ushort() override;
  CORBA::Long read_long() override;
  CORBA::ULong read_ulong() override;
  CORBA::LongLong read_longlong() override;
  CORBA::ULongLong read_ulonglong() override;
  CORBA::Float read_float() override;
  CORBA::Double read_double() override;
  char* read_string() override;
  std::vector<CORBA::Octet> read_octet_sequence() override;

  unsigned remaining() const override;

 private:
  void write_aligned(const void* value, unsigned size);
  void read_aligned(void* value, unsigned size);
  // The bytes reads walk: the given ones, or those written so far.
  const unsigned char* data() const;
  unsigned size() const;

  std::vector<unsigned char> written_;  // the bytes of a write encapsulation
  unsigned char* bytes_ = nullptr;      // the bytes of a read encapsulation
  unsigned length_ = 0;
  unsigned position_ = 0;  // offset of the next value from the encapsulation's start
  bool owned_ = false;
  bool swap_ = false;      // the data's byte order differs from this machine's
  bool byte_order_valid_ = true;  // false: the byte-order octet is neither 0 nor 1
};

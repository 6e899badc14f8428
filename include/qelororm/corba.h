// The part of the CORBA C++ language mapping that the Interface Repository
// store and its object implementations use: basic types, CORBA strings,
// system exceptions, definition kinds, type codes and reference counting.
#pragma once

#include <atomic>
#include <cstdint>

#include <qelororm/export.h>

namespace CORBA {

using Boolean = unsigned char;
using Char = char;
using Octet = unsigned char;
using Short = std::int16_t;
using UShort = std::uint16_t;
using Long = std::int32_t;
using ULong = std::uint32_t;
using LongLong = std::int64_t;
using ULongLong = std::uint64_t;
using Float = float;
using Double = double;

// CORBA strings. string_alloc(n) has room for n characters and a NUL.
// string_free(nullptr) does nothing. Allocation failure yields nullptr.
QELORORM_EXPORT char* string_alloc(ULong length);
QELORORM_EXPORT char* string_dup(const char* text);
QELORORM_EXPORT void string_free(char* text);

enum CompletionStatus { COMPLETED_YES = 0, COMPLETED_NO = 1, COMPLETED_MAYBE = 2 };

class QELORORM_EXPORT Exception {
 public:
  virtual ~Exception() = default;
  virtual const char* _name() const = 0;
};

class QELORORM_EXPORT SystemException : public Exception {
 public:
  SystemException(ULong minor, CompletionStatus completed) : minor_(minor), completed_(completed) {}
  ULong minor() const { return minor_; }
  CompletionStatus completed() const { return completed_; }

 private:
  ULong minor_;
  CompletionStatus completed_;
};

#define QELORORM_SYSTEM_EXCEPTION(NAME)                                             \
  class QELORORM_EXPORT NAME : public SystemException {                             \
   public:                                                                          \
    explicit NAME(ULong minor = 0, CompletionStatus completed = COMPLETED_NO)       \
        : SystemException(minor, completed) {}                                      \
    const char* _name() const override { return #NAME; }                            \
  };
QELORORM_SYSTEM_EXCEPTION(INTF_REPOS)    // the Interface Repository failed
QELORORM_SYSTEM_EXCEPTION(BAD_PARAM)     // an argument is out of range
QELORORM_SYSTEM_EXCEPTION(NO_IMPLEMENT)  // the operation is not implemented
QELORORM_SYSTEM_EXCEPTION(MARSHAL)       // encoded data is malformed or truncated
#undef QELORORM_SYSTEM_EXCEPTION

// Interface Repository definition kinds, with the standard numbering.
enum DefinitionKind {
  dk_none = 0,
  dk_all = 1,
  dk_Attribute = 2,
  dk_Constant = 3,
  dk_Exception = 4,
  dk_Interface = 5,
  dk_Module = 6,
  dk_Operation = 7,
  dk_Typedef = 8,
  dk_Alias = 9,
  dk_Struct = 10,
  dk_Union = 11,
  dk_Enum = 12,
  dk_Primitive = 13,
  dk_String = 14,
  dk_Sequence = 15,
  dk_Array = 16,
  dk_Repository = 17,
  dk_Wstring = 18,
  dk_Fixed = 19,
  dk_Value = 20,
  dk_ValueBox = 21,
  dk_ValueMember = 22,
  dk_Native = 23
};

enum TCKind {
  tk_null = 0, tk_void = 1, tk_short = 2, tk_long = 3, tk_ushort = 4, tk_ulong = 5,
  tk_float = 6, tk_double = 7, tk_boolean = 8, tk_char = 9, tk_octet = 10, tk_any = 11,
  tk_TypeCode = 12, tk_Principal = 13, tk_objref = 14, tk_struct = 15, tk_union = 16,
  tk_enum = 17, tk_string = 18, tk_sequence = 19, tk_array = 20, tk_alias = 21,
  tk_except = 22, tk_longlong = 23, tk_ulonglong = 24
};

// Only the kind of a type code is modelled: failure reports use type codes
// to say what each insert is.
class TypeCode {
 public:
  constexpr explicit TypeCode(TCKind kind) : kind_(kind) {}
  TCKind kind() const { return kind_; }

 private:
  TCKind kind_;
};
using TypeCode_ptr = TypeCode*;

extern QELORORM_EXPORT TypeCode_ptr const _tc_string;
extern QELORORM_EXPORT TypeCode_ptr const _tc_long;

// Base of every object reference. A new object holds one reference, owned by
// whoever created it; release drops one and deletes the object at zero.
class QELORORM_EXPORT Object {
 public:
  Object() = default;
  Object(const Object&) : references_(1) {}
  Object& operator=(const Object&) { return *this; }
  virtual ~Object() = default;

  void _add_ref() { references_.fetch_add(1, std::memory_order_relaxed); }
  void _remove_ref();
  // Takes a reference unless the last one is already gone (the object is
  // being deleted): for caches that know objects without owning them.
  bool _add_ref_if_alive();
  ULong _reference_count() const { return references_.load(std::memory_order_relaxed); }

 private:
  std::atomic<ULong> references_{1};
};

// Drops one reference; nullptr is allowed.
QELORORM_EXPORT void release(Object* object);
inline Boolean is_nil(const Object* object) { return object == nullptr; }

}  // namespace CORBA

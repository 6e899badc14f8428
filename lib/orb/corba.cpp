// CORBA strings, the two type codes failure reports use, and reference
// counting of objects.
#include <qelororm/corba.h>

#include <cstddef>
#include <cstring>
#include <new>

namespace CORBA {

char* string_alloc(ULong length) {
  // Widen before adding the NUL's byte: length + 1 wraps at 2^32 - 1.
  char* text = new (std::nothrow) char[std::size_t{length} + 1];
  if (text) text[0] = '\0';
  return text;
}

char* string_dup(const char* text) {
  if (!text) return nullptr;
  std::size_t length = std::strlen(text);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy) std::memcpy(copy, text, length + 1);
  return copy;
}

void string_free(char* text) { delete[] text; }

namespace {
// Constant-initialised: the library runs no code before main.
constinit TypeCode string_type_code(tk_string);
constinit TypeCode long_type_code(tk_long);
}  // namespace

TypeCode_ptr const _tc_string = &string_type_code;
TypeCode_ptr const _tc_long = &long_type_code;

void Object::_remove_ref() {
  // acq_rel: every use of the object by other holders happens before delete.
  if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

bool Object::_add_ref_if_alive() {
  ULong count = references_.load(std::memory_order_relaxed);
  while (count != 0) {
    if (references_.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) return true;
  }
  return false;
}

void release(Object* object) {
  if (object) object->_remove_ref();
}

}  // namespace CORBA

#include "failing_allocations.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define IRSTORE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define IRSTORE_SANITIZED 1
#endif
#endif

namespace {

thread_local long countdown = 0;
thread_local bool failed = false;

}  // namespace

namespace failing_allocations {

#ifdef IRSTORE_SANITIZED
bool available() { return false; }
#else
bool available() { return true; }
#endif

void fail_nth(long n) {
  countdown = n;
  failed = false;
}

bool fired() {
  bool was = failed;
  countdown = 0;
  failed = false;
  return was;
}

}  // namespace failing_allocations

#ifndef IRSTORE_SANITIZED

// The whole program's operator new and delete, over malloc and free; the
// nothrow and array forms of the library call these.
void* operator new(std::size_t size) {
  if (countdown > 0 && --countdown == 0) {
    failed = true;
    throw std::bad_alloc();
  }
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

#endif

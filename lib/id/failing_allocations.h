// Allocations that fail on demand, for the tests of what the store does
// without memory: the n-th allocation through operator new on the calling
// thread throws std::bad_alloc (the nothrow forms give null). Other threads
// are not touched.
//
// Sanitized builds keep their runtime's operator new, and have none of this.
#pragma once

namespace failing_allocations {

// Whether this build can make allocations fail.
bool available();
// The n-th allocation from now on this thread fails; 0 disarms.
void fail_nth(long n);
// Whether the armed failure happened since fail_nth; disarms.
bool fired();

}  // namespace failing_allocations

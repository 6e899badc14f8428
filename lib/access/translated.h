// The one place where the store's failures become access::Error: nothing
// of the store's runtime may leave the library, its exceptions included.
#pragma once

#include <exception>
#include <string>

#include <irstore_access/access.h>

namespace irstore::access {

// Error for the exception being handled (call inside a catch block). A
// lost connection is Reason::Unreachable until the store has been asked
// whether it connected again (Store::Impl does).
Error translated_current_exception(const std::string& what);

// Runs a call into the store; whatever it throws leaves as Error, its
// message starting with what.
template <class Call>
auto translated(const std::string& what, Call call) -> decltype(call()) {
  try {
    return call();
  } catch (...) {
    throw translated_current_exception(what);
  }
}

}  // namespace irstore::access

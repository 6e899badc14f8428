// Holders for what the store operations build with the ORB's allocators, so
// that "freed on every path" holds by construction.
#pragma once

#include <memory>

#include <qelororm/corba.h>

struct CorbaStringFree {
  void operator()(char* text) const { CORBA::string_free(text); }
};
// A CORBA string, freed with CORBA::string_free.
using CorbaString = std::unique_ptr<char, CorbaStringFree>;

struct CorbaRelease {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};
// One reference to an object, given up with CORBA::release.
template <class T>
using ObjectReference = std::unique_ptr<T, CorbaRelease>;

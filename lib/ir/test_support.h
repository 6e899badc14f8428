// Helpers the library's tests share: owning references, encoding an object
// and reading bytes back as the store does.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <qelorirm/definitions.h>

namespace irtest {

using Bytes = std::vector<unsigned char>;

struct Release {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};
template <class T>
using Ref = std::unique_ptr<T, Release>;  // owns one reference

inline std::string take(char* text) {
  std::unique_ptr<char, void (*)(char*)> owned(text, CORBA::string_free);
  return text;
}

inline Bytes encode(CORBA_Contained_Impl& object) {
  EncapIIOP stream(ENCAP_WRITE);
  object.object_to_stream(stream);
  unsigned char* bytes = nullptr;
  unsigned length = 0;
  stream.access_buffer(bytes, length);
  return Bytes(bytes, bytes + length);
}

// Read encapsulations as the store builds them, over bytes that outlive them.
inline CORBA_Contained_Impl* make(CORBA::DefinitionKind kind, std::string name, std::string repid,
                                  Bytes bytes) {
  EncapIIOP stream(bytes.data(), static_cast<unsigned>(bytes.size()), ENCAP_READ, 0, 1);
  return make_object(kind, name.data(), repid.data(), stream);
}

inline void reload(CORBA_Contained_Impl& object, std::string name, std::string repid, Bytes bytes) {
  EncapIIOP stream(bytes.data(), static_cast<unsigned>(bytes.size()), ENCAP_READ, 0, 1);
  object.stream_to_object(name.data(), repid.data(), stream);
}

inline CORBA_Contained_Impl* probe(std::string repid) { return irobj_get_from_cache(repid.data()); }

// The object the cache holds for repid, its probe reference already dropped.
inline CORBA_Contained_Impl* cached(std::string repid) {
  return Ref<CORBA_Contained_Impl>(probe(repid)).get();
}

template <class T>
T* create(const char* name, const char* repid) {
  if constexpr (std::is_same_v<T, CORBA_Repository_Impl>) {
    return new T();  // fixed name and id
  } else {
    return new T(name, repid);
  }
}

}  // namespace irtest

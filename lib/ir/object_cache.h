// The process-wide cache of live objects, as the object classes keep it.
// Entries do not own their objects: an object enters in its constructor and
// leaves in its destructor. Every entry is reached under one mutex.
//
// An object enters unseen: while its constructors run, the classes derived
// from the one that joined are not built yet, and another thread must not
// get it. It shows once its state is whole, that is once it has written its
// state to a stream or read it from one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class CORBA_Contained_Impl;
namespace CORBA {
class Object;
}

namespace irobj_cache {

struct Entry {
  CORBA_Contained_Impl* object = nullptr;
  // The object's counted base, converted while the object was whole: a
  // probe must not convert an object that another thread is destroying.
  CORBA::Object* counted = nullptr;
  bool visible = false;  // true once the object's state is whole
};
// Hashed, so that a probe costs the same however many objects are live;
// probed with the caller's text, without a copy of it.
struct RepidHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view repid) const { return std::hash<std::string_view>{}(repid); }
};
using Entries = std::unordered_map<std::string, Entry, RepidHash, std::equal_to<>>;

// Enters the object, unseen, under repid unless a live object holds that
// id; the entry of a dead one (being destroyed) is taken over.
void join(CORBA_Contained_Impl* object, CORBA::Object* counted, const std::string& repid);
// Removes the entry under repid if it is the object's.
void leave(const CORBA_Contained_Impl* object, const std::string& repid) noexcept;

// Shows the object's entry under repid to probes, if the entry is its.
void publish(const CORBA_Contained_Impl* object, const std::string& repid) noexcept;

// Moves an object's entry to another repository id. What can fail
// (allocation) happens in the constructor, so that the caller can prepare
// the move before it changes the object and commit it after.
class Move {
 public:
  explicit Move(const std::string& to);
  // Leaves `from` if the entry there is the object's, and joins `to` unless
  // a live object holds it; the entry stays as seen or unseen as it was.
  void commit(CORBA_Contained_Impl* object, CORBA::Object* counted,
              const std::string& from) noexcept;

 private:
  Entries::node_type node_;
};

}  // namespace irobj_cache

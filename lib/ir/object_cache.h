// The process-wide cache of live objects, as the object classes keep it.
// Entries do not own their objects: an object enters in its constructor and
// leaves in its destructor. Every entry is reached under one mutex.
#pragma once

#include <functional>
#include <map>
#include <string>

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
  bool visible = true;  // false while make_object is still loading it
};
using Entries = std::map<std::string, Entry, std::less<>>;

// Enters the object under repid unless a live object holds that id; the
// entry of a dead one (being destroyed) is taken over.
void join(CORBA_Contained_Impl* object, CORBA::Object* counted, const std::string& repid);
// Removes the entry under repid if it is the object's.
void leave(const CORBA_Contained_Impl* object, const std::string& repid) noexcept;

// While a HiddenJoins lives, the objects this thread constructs join the
// cache unseen by probes, so that nobody gets an object whose state is
// still being loaded. publish shows the object's entry.
class HiddenJoins {
 public:
  HiddenJoins() noexcept;
  ~HiddenJoins();
  HiddenJoins(const HiddenJoins&) = delete;
  HiddenJoins& operator=(const HiddenJoins&) = delete;
};
void publish(const CORBA_Contained_Impl* object, const std::string& repid) noexcept;

// Moves an object's entry to another repository id. What can fail
// (allocation) happens in the constructor, so that the caller can prepare
// the move before it changes the object and commit it after.
class Move {
 public:
  explicit Move(const std::string& to);
  // Leaves `from` if the entry there is the object's, and joins `to` unless
  // a live object holds it.
  void commit(CORBA_Contained_Impl* object, CORBA::Object* counted,
              const std::string& from) noexcept;

 private:
  Entries::node_type node_;
};

}  // namespace irobj_cache

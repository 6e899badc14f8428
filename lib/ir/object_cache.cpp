// The process-wide cache of live objects and irobj_get_from_cache.
#include "object_cache.h"

#include <mutex>
#include <string_view>
#include <utility>

#include <qelorirm/irobject.h>

namespace irobj_cache {
namespace {

struct Cache {
  std::mutex mutex;
  Entries entries;
};

// Never destroyed: objects released during exit still leave it safely.
Cache& cache() {
  static Cache& instance = *new Cache;
  return instance;
}

bool is_live(const Entry& entry) { return entry.counted->_reference_count() != 0; }

// Puts the entry under repid unless a live object holds it. Caller holds the mutex.
void put(Entries& entries, const std::string& repid, const Entry& entry) {
  auto found = entries.find(repid);
  if (found == entries.end()) {
    entries.emplace(repid, entry);
  } else if (!is_live(found->second)) {
    found->second = entry;
  }
}

}  // namespace

void join(CORBA_Contained_Impl* object, CORBA::Object* counted, const std::string& repid) {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  put(c.entries, repid, Entry{object, counted});
}

void leave(const CORBA_Contained_Impl* object, const std::string& repid) noexcept {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  auto found = c.entries.find(repid);
  if (found != c.entries.end() && found->second.object == object) c.entries.erase(found);
}

void publish(const CORBA_Contained_Impl* object, const std::string& repid) noexcept {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  auto found = c.entries.find(repid);
  if (found != c.entries.end() && found->second.object == object) found->second.visible = true;
}

Move::Move(const std::string& to) {
  Entries staging;
  staging.emplace(to, Entry{});
  node_ = staging.extract(staging.begin());
  // Room for one more entry, so that the commit does not grow the table.
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  c.entries.reserve(c.entries.size() + 1);
}

void Move::commit(CORBA_Contained_Impl* object, CORBA::Object* counted,
                  const std::string& from) noexcept {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  bool visible = false;
  auto old = c.entries.find(from);
  if (old != c.entries.end() && old->second.object == object) {
    visible = old->second.visible;
    c.entries.erase(old);
  }
  auto current = c.entries.find(node_.key());
  if (current != c.entries.end()) {
    if (is_live(current->second)) return;
    c.entries.erase(current);
  }
  node_.mapped() = Entry{object, counted, visible};
  // Inserting the node allocates nothing unless entries joined since the
  // room was made and the table must grow. If that fails, the object stays
  // out of the cache: a probe misses it and the store reads the row.
  try {
    c.entries.insert(std::move(node_));
  } catch (...) {
  }
}

}  // namespace irobj_cache

CORBA_Contained_Impl* irobj_get_from_cache(char* repid) {
  if (!repid) return nullptr;
  irobj_cache::Cache& c = irobj_cache::cache();
  std::lock_guard lock(c.mutex);
  auto found = c.entries.find(std::string_view(repid));
  if (found == c.entries.end() || !found->second.visible) return nullptr;
  // An object whose last reference is gone is being destroyed: a miss.
  if (!found->second.counted->_add_ref_if_alive()) return nullptr;
  return found->second.object;
}

// The relation walk: a breadth-first traversal over up to three relation
// tables at once, each followed in its own direction, with an optional
// level limit and target. The session's work set is its visited set, so
// cycles and shared descendants are expanded once.
#include <cassert>
#include <memory>
#include <new>

#include <qeloridm/irdb.h>
#include <qeloridm/mrwork.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_walks.h"
#include "irtable.h"
#include "mrrepdat_internal.h"
#include "work_set.h"

namespace {

// How often a walk starts again after a reconnect before it gives up.
constexpr int kWalkAttempts = 3;

[[noreturn]] void raise_connection_lost_during_walk() {
  sqlca ca{};
  tarn_set_sqlca(&ca, TARN_SQL_CONNECTION_LOST, "08001",
                 "The connection was lost again each time a walk over the relations started.");
  IRSError error = make_irs_error(ca, "SQL Walk");
  raise_translated(error);
}

// Empties the work set when the walk ends, by return or by exception: from
// its start to its end the set belongs to the walk.
class WorkSetScope {
 public:
  explicit WorkSetScope(IRWorkTable& table) : table_(table) { table_.clear_all(); }
  ~WorkSetScope() { table_.clear_all(); }
  WorkSetScope(const WorkSetScope&) = delete;
  WorkSetScope& operator=(const WorkSetScope&) = delete;

 private:
  IRWorkTable& table_;
};

std::unique_ptr<IIDList> new_list(CORBA::ULong maximum) {
  auto* list = new (std::nothrow) IIDList(maximum);
  if (!list) throw IRStore::OutOfMemory();
  return std::unique_ptr<IIDList>(list);
}

// Hands an element's buffer over to `to` without copying its text.
void move_element(IIDOctets& to, IIDOctets& from) {
  CORBA::ULong maximum = from.maximum(), length = from.length();
  to.replace(maximum, length, from.orphan_buffer(), 1);
}

// Moves every element of `from` to the end of `into`, growing it by
// doubling so that a level costs linear time.
void move_all(IIDList& into, std::unique_ptr<IIDList> from) {
  if (!from || from->length() == 0) return;
  CORBA::ULong count = into.length(), needed = count + from->length();
  if (needed > into.maximum()) {
    CORBA::ULong doubled = 2 * into.maximum();
    into.length(needed > doubled ? needed : doubled);
  }
  into.length(needed);
  for (CORBA::ULong i = 0; i < from->length(); ++i) move_element(into[count + i], (*from)[i]);
}

std::unique_ptr<IIDList> list_of(const IIDOctets& iid) {
  std::unique_ptr<IIDList> list = new_list(1);
  list->length(1);
  (*list)[0] = iid;
  return list;
}

}  // namespace

IIDList* IRDB::search_recursive(IIDOctets* start, int levels, unsigned char useReferences,
                                unsigned char useInheritance, unsigned char useContainment,
                                unsigned char referencesDirection,
                                unsigned char inheritanceDirection,
                                unsigned char containmentDirection, IIDOctets* target) {
  // The work set is the session's: only the holder of the store lock may walk.
  assert(in_store_operation());
  auto walk = [&]() -> std::unique_ptr<IIDList> {
    WorkSetScope scope(*workTable);
    std::unique_ptr<IIDList> frontier = list_of(*start);
    bool reached = false;
    for (int left = levels; left != 0 && !reached;) {
      // Frontier order; for each element its references, then its bases or
      // derivations, then its members or containers.
      std::unique_ptr<IIDList> collection = new_list(0);
      for (CORBA::ULong i = 0; i < frontier->length(); ++i) {
        IIDOctets* x = &(*frontier)[i];
        if (useReferences) move_all(*collection, std::unique_ptr<IIDList>(referTable->related_iids(x, referencesDirection)));
        if (useInheritance) move_all(*collection, std::unique_ptr<IIDList>(inherTable->related_iids(x, inheritanceDirection)));
        if (useContainment) move_all(*collection, std::unique_ptr<IIDList>(bucketTable->related_iids(x, containmentDirection)));
      }
      frontier.reset(get_candidates_list(collection.get()));
      if (target) reached = work_set_holds(iid_text(target));
      if (frontier->length() == 0) break;
      if (left != -1) --left;
    }
    if (!target) return std::unique_ptr<IIDList>(workTable->list_all(nullptr, false));
    return reached ? list_of(*start) : new_list(0);
  };
  // A reconnect empties the work set, which holds what the walk has
  // reached: a walk that met one starts again, so that no answer is ever
  // made from part of a walk. (A reconnect that lost changes is reported
  // by the request that met it, so a walk that ends normally lost none.)
  for (int attempt = 1;; ++attempt) {
    unsigned long connections = connection_count();
    std::unique_ptr<IIDList> reached = walk();
    if (connection_count() == connections) return reached.release();
    if (attempt == kWalkAttempts) raise_connection_lost_during_walk();
  }
}

IIDList* IRDB::walk(const Walk& walk, IIDOctets* start, IIDOctets* target) {
  return search_recursive(start, walk.levels, walk.references, walk.inheritance, walk.containment,
                          walk.referencesDirection, walk.inheritanceDirection, walk.containmentDirection,
                          target);
}

IIDList* IRDB::get_candidates_list(IIDList* found) {
  std::unique_ptr<IIDList> fresh = new_list(found->length());
  CORBA::ULong count = 0;
  for (CORBA::ULong i = 0; i < found->length(); ++i) {
    if (!work_set_add(iid_text(&(*found)[i]))) continue;  // reached before
    fresh->length(count + 1);
    move_element((*fresh)[count++], (*found)[i]);
  }
  return fresh.release();
}

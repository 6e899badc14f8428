// Update: the store's unit of work, between beginUpdate and endUpdate or
// cancelUpdate, with the gate held for its whole length.
#include <algorithm>
#include <stdexcept>

#include <qelororm/encap.h>

#include "renaming.h"
#include "store_impl.h"
#include "uses.h"

namespace irstore::access {

namespace {

bool contains(const std::vector<std::string>& ids, const std::string& id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::vector<std::string> unique(const std::vector<std::string>& ids) {
  std::vector<std::string> result;
  for (const std::string& id : ids) {
    if (!contains(result, id)) result.push_back(id);
  }
  return result;
}

void refuse_root(const std::string& id, const std::string& what) {
  if (id == Store::kRootId) throw Error(Error::Reason::BadInput, "the repository's root cannot be " + what);
}

// Whether the store refused a row because one with its key is stored.
bool is_duplicate(const IRStore::Exception& e) { return e.code == 1; }

class Writer {
 public:
  explicit Writer(Store::Impl& store) : store_(store) {}

  // Rewrites the container's name as it is: its row stays locked until the
  // unit of work ends, so that a writer in another process that checks the
  // same container's names waits until these changes are committed or
  // cancelled, and then sees them.
  void claim(const std::string& container) {
    std::unique_ptr<StoreHandle> at = handle(container);
    CorbaString name(store_.store->name_from_ID(at.get()));
    store_.store->update_name(at.get(), name.get());
  }

  void check_id_free(const std::string& id) {
    if (store_.store->kind_from_ID(handle(id).get()) != CORBA::dk_none) {
      throw Error(Error::Reason::IdTaken, "the repository id " + id + " is another definition's");
    }
  }

  void check_name_free(const std::string& container, const std::string& name, const std::string& id) {
    std::optional<std::string> other = store_.member_named(container, name);
    if (other && *other != id) {
      throw Error(Error::Reason::NameTaken, container + " holds " + *other + " under the name " + name);
    }
  }

  // A relation to a definition that is not stored is NotFound, not the
  // store's incoherence: the caller named it.
  template <class Add>
  void relate(Add add, const std::string& what, const std::string& other) {
    std::unique_ptr<StoreHandle> first = handle(what), second = handle(other);
    try {
      (store_.store.get()->*add)(first.get(), second.get());
    } catch (const IRStore::IncoherentIR&) {
      throw Error(Error::Reason::NotFound, what + " names " + other + ", which is not stored");
    } catch (const IRStore::Exception& e) {
      if (!is_duplicate(e)) throw;  // a duplicate is a relation stored already
    }
  }

  template <class Remove>
  void unrelate(Remove remove, const std::string& what, const std::string& other) {
    std::unique_ptr<StoreHandle> first = handle(what), second = handle(other);
    try {
      (store_.store.get()->*remove)(first.get(), second.get());
    } catch (const IRStore::NotExist&) {
      // No such row: nothing to remove.
    } catch (const IRStore::IncoherentIR&) {
      // The other definition is gone, and its rows with it.
    }
  }

  // The relations that the state names: bases and references.
  void relate_state(const Definition& d, const Definition* old) {
    std::vector<std::string> bases = unique(d.bases), old_bases = old ? old->bases : std::vector<std::string>{};
    for (const std::string& base : old_bases) {
      if (!contains(bases, base)) unrelate(&IRDB::remove_inheritance, d.id, base);
    }
    for (const std::string& base : bases) {
      if (!contains(old_bases, base)) relate(&IRDB::add_inheritance, d.id, base);
    }
    std::vector<std::string> referred = referenced_ids(d);
    std::vector<std::string> old_referred = old ? referenced_ids(*old) : std::vector<std::string>{};
    for (const std::string& id : old_referred) {
      if (!contains(referred, id)) unrelate(&IRDB::remove_reference, d.id, id);
    }
    for (const std::string& id : referred) {
      if (!contains(old_referred, id)) relate(&IRDB::add_reference, d.id, id);
    }
  }

  Definition stored(const std::string& id) {
    ObjectRef object = store_.object(id);
    if (!object) throw Error(Error::Reason::NotFound, id + " is not stored");
    return definition_of(*object);  // the object goes: a new state must not meet it in the cache
  }

 private:
  Store::Impl& store_;
};

}  // namespace

template <class Change>
void Update::change(const std::string& what, Change work) {
  if (!open_) throw std::logic_error("a change after the commit of its Update");
  try {
    store_.run(what, work);
  } catch (...) {
    failed_ = true;
    throw;
  }
}

Update::Update(Store& store) : store_(*store.impl_) {
  store_.gate.open_update();
  try {
    store_.run("starting a change", [&] { store_.store->beginUpdate(); });
  } catch (...) {
    store_.gate.close_update();
    throw;
  }
}

Update::~Update() {
  if (open_) {
    try {
      store_.store->cancelUpdate();
    } catch (...) {
      // A session that cannot roll back has lost the unit of work already.
    }
  }
  store_.gate.close_update();
}

void Update::commit() {
  if (failed_) throw std::logic_error("a commit after a failed change: the unit of work may hold part of it");
  change("committing", [&] { store_.store->endUpdate(); });
  open_ = false;
}

void Update::create(const Definition& d, const std::string& container) {
  change("creating " + d.id, [&] {
    check_name(d.name);
    Writer writer(store_);
    writer.claim(container);
    writer.check_id_free(d.id);
    writer.check_name_free(container, d.name, d.id);
    ObjectRef object = object_of(d);
    EncapIIOP state(ENCAP_WRITE);
    object->object_to_stream(state);
    try {
      store_.store->create(object.get(), state);
    } catch (const IRStore::Exception& e) {
      // Another process stored it since the check.
      if (is_duplicate(e)) throw Error(Error::Reason::IdTaken, "the repository id " + d.id + " is another definition's");
      throw;
    }
    writer.relate(&IRDB::add_to_bucket, d.id, container);
    writer.relate_state(d, nullptr);
  });
}

void Update::update(const Definition& d) {
  change("changing " + d.id, [&] {
    Writer writer(store_);
    Definition old = writer.stored(d.id);
    if (old.kind != d.kind) throw Error(Error::Reason::BadInput, d.id + " is of another kind");
    Definition fresh = d;
    fresh.name = old.name;
    store_.store->update_stream(object_of(fresh).get());
    writer.relate_state(fresh, &old);
  });
}

void Update::rename(const std::string& id, const std::string& name) {
  change("renaming " + id, [&] {
    refuse_root(id, "renamed");
    check_name(name);
    Writer writer(store_);
    std::optional<std::string> container = store_.container_of(id);
    if (!container) throw Error(Error::Reason::Incoherent, id + " is in no container");
    writer.claim(*container);
    writer.check_name_free(*container, name, id);
    Renaming renaming(store_, id, scoped_name(store_, *container) + "::" + name);
    store_.store->update_name(handle(id).get(), const_cast<char*>(name.c_str()));
    renaming.respell_users();
  });
}

void Update::move(const std::string& id, const std::string& container, const std::string& name) {
  change("moving " + id, [&] {
    refuse_root(id, "moved");
    check_name(name);
    Writer writer(store_);
    writer.claim(container);
    writer.check_name_free(container, name, id);
    std::optional<std::string> current = store_.container_of(id);
    Renaming renaming(store_, id, scoped_name(store_, container) + "::" + name);
    std::unique_ptr<StoreHandle> moved = handle(id);
    if (current == container) {
      store_.store->update_name(moved.get(), const_cast<char*>(name.c_str()));
    } else {
      store_.store->move(moved.get(), handle(container).get(), const_cast<char*>(name.c_str()));
    }
    renaming.respell_users();
  });
}

void Update::change_id(const std::string& id, const std::string& new_id) {
  change("changing the repository id of " + id, [&] {
    refuse_root(id, "given another repository id");
    Writer writer(store_);
    writer.check_id_free(new_id);
    try {
      store_.store->update_repositoryID(handle(id).get(), handle(new_id).get());
    } catch (const IRStore::Exception& e) {
      if (is_duplicate(e)) throw Error(Error::Reason::IdTaken, "the repository id " + new_id + " is another definition's");
      throw;
    }
    // The definitions that use it, and the interfaces derived from it, hold
    // the old id in their state.
    std::vector<std::string> holders = store_.referrers(new_id);
    if (store_.store->kind_from_ID(handle(new_id).get()) == CORBA::dk_Interface) {
      for (std::string& child : store_.derived(new_id)) holders.push_back(std::move(child));
    }
    for (const std::string& holder : unique(holders)) {
      Definition d = writer.stored(holder);
      if (replace_id(d, id, new_id)) store_.store->update_stream(object_of(d).get());
    }
  });
}

void Update::destroy(const std::string& id) {
  change("removing " + id, [&] {
    refuse_root(id, "removed");
    store_.store->destroy(handle(id).get());
  });
}

}  // namespace irstore::access

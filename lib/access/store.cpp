// Store: each call is one or a few store operations on the process's IRDB,
// made between Updates of other threads, with what they return converted
// to plain values and released at once.
#include <algorithm>

#include "store_impl.h"

namespace irstore::access {

namespace {

using ContainedSequence = std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_Contained_0>;
using StringSequence = std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0>;

struct HandleSequenceDelete {
  void operator()(StoreHandleSeq* sequence) const {
    for (unsigned i = 0; i < sequence->length; ++i) delete sequence->buffer[i];
    delete[] sequence->buffer;
    delete sequence;
  }
};
using HandleSequence = std::unique_ptr<StoreHandleSeq, HandleSequenceDelete>;

// What a container may hold, as the store's kind list.
constexpr const char* kMemberKinds = "2:3:4:5:6:7:8";

bool is_typedef(Kind kind) {
  return kind == Kind::Alias || kind == Kind::Struct || kind == Kind::Union || kind == Kind::Enum;
}

std::vector<Definition> definitions_of(const std::vector<ObjectRef>& objects) {
  std::vector<Definition> result;
  result.reserve(objects.size());
  for (const ObjectRef& object : objects) result.push_back(definition_of(*object));
  return result;
}

}  // namespace

static_assert(Store::kLongestId == Irrepdat::kRepidSize - 1 && Store::kLongestName == Irrepdat::kNameSize - 1,
              "the limits the access interface names are the store's columns");

// Repository ids and names longer than their columns could never be stored:
// they are refused before any statement runs.
std::unique_ptr<StoreHandle> handle(const std::string& id) {
  if (id.size() >= Irrepdat::kRepidSize) {
    throw Error(Error::Reason::BadInput, "a repository id of " + std::to_string(id.size()) +
                                             " characters (the store keeps at most " +
                                             std::to_string(Irrepdat::kRepidSize - 1) + ")");
  }
  return std::make_unique<StoreHandle>(CORBA::string_dup(id.c_str()), nullptr, 0);
}

void check_name(const std::string& name) {
  if (name.size() >= Irrepdat::kNameSize) {
    throw Error(Error::Reason::BadInput, "a name of " + std::to_string(name.size()) +
                                             " characters (the store keeps at most " +
                                             std::to_string(Irrepdat::kNameSize - 1) + ")");
  }
}

std::vector<ObjectRef> objects_of(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* returned) {
  ContainedSequence sequence(returned);
  std::vector<ObjectRef> objects;
  objects.reserve(sequence->length());
  for (CORBA::ULong i = 0; i < sequence->length(); ++i) {
    if (auto* object = dynamic_cast<CORBA_Contained_Impl*>((*sequence)[i])) {
      object->_add_ref();  // the sequence releases its own reference
      objects.emplace_back(object);
    }
  }
  return objects;
}

// Store::Impl

Store::Impl::Impl(const std::string& alias) : store(std::make_unique<IRDB>(alias.empty() ? nullptr : alias.c_str())) {}

Error Store::Impl::after_lost_connection(const Error& lost) {
  try {
    store->kind_from_ID(handle(kRootId).get());
  } catch (...) {
    return lost;
  }
  return Error(Error::Reason::Failure, std::string(lost.what()) + " (the connection has been made again)");
}

ObjectRef Store::Impl::object(const std::string& id) {
  try {
    return ObjectRef(store->object_from_ID(handle(id).get()));
  } catch (const IRStore::NotExist&) {
    return nullptr;
  }
}

std::optional<std::string> Store::Impl::container_of(const std::string& id) {
  if (id == kRootId) return std::nullopt;
  try {
    std::unique_ptr<StoreHandle> container(store->defined_in(handle(id).get()));
    return std::string(container->repid);
  } catch (const IRStore::NotExist&) {
    // Not stored at all, or stored in no container.
    if (store->kind_from_ID(handle(id).get()) == CORBA::dk_none) throw;
    return std::nullopt;
  }
}

// One search by name over the whole repository, whose few finds are then
// checked for their container, costs a statement or two; asking the
// container would read the name of each of its members.
std::optional<std::string> Store::Impl::member_named(const std::string& container, const std::string& name) {
  check_name(name);
  if (store->kind_from_ID(handle(container).get()) == CORBA::dk_none) throw IRStore::NotExist();
  std::string pattern = name, kinds = kMemberKinds;
  for (const ObjectRef& found : objects_of(store->find_objects(pattern.data(), kinds.data(), 1, nullptr))) {
    // The name is a LIKE pattern, in which "_" matches any character.
    if (found->simple_name() == name && container_of(found->repository_id()) == container) {
      return found->repository_id();
    }
  }
  return std::nullopt;
}

std::vector<ObjectRef> Store::Impl::members(const std::string& container) {
  return objects_of(store->contents(handle(container).get(), CORBA::dk_all, 1, -1));
}

std::vector<std::string> Store::Impl::referrers(const std::string& id) {
  StringSequence ids(store->get_references(handle(id).get()));
  std::vector<std::string> result;
  for (CORBA::ULong i = 0; i < ids->length(); ++i) result.emplace_back((*ids)[i]);
  return result;
}

std::vector<std::string> Store::Impl::derived(const std::string& interface) {
  HandleSequence children(store->children(handle(interface).get(), 1));
  std::vector<std::string> result;
  for (unsigned i = 0; i < children->length; ++i) result.emplace_back(children->buffer[i]->repid);
  return result;
}

// Store

const char* const Store::kRootId = CORBA_Repository_Impl::kRepositoryId;

Store::Store(const std::string& alias) {
  translated("cannot open repository " + (alias.empty() ? std::string("VADIRIRI") : alias),
             [&] { impl_ = std::make_unique<Impl>(alias); });
}

Store::~Store() = default;

std::optional<Definition> Store::find(const std::string& id) {
  return impl_->read("reading " + id, [&]() -> std::optional<Definition> {
    ObjectRef object = impl_->object(id);
    if (!object) return std::nullopt;
    return definition_of(*object);
  });
}

Kind Store::kind_of(const std::string& id) {
  return impl_->read("reading the kind of " + id,
                     [&] { return kind_from(impl_->store->kind_from_ID(handle(id).get())); });
}

std::optional<std::string> Store::container_of(const std::string& id) {
  return impl_->read("reading the container of " + id, [&] { return impl_->container_of(id); });
}

std::vector<Definition> Store::members(const std::string& container) {
  return impl_->read("reading the members of " + container,
                     [&] { return definitions_of(impl_->members(container)); });
}

std::optional<Definition> Store::member_named(const std::string& container, const std::string& name) {
  return impl_->read("looking up " + name + " in " + container, [&]() -> std::optional<Definition> {
    std::optional<std::string> id = impl_->member_named(container, name);
    if (!id) return std::nullopt;
    ObjectRef object = impl_->object(*id);
    if (!object) return std::nullopt;
    return definition_of(*object);
  });
}

std::vector<Definition> Store::lookup_name(const std::string& container, const std::string& name, int levels,
                                           Kind limit, bool exclude_inherited) {
  return impl_->read("looking up " + name + " in " + container, [&] {
    check_name(name);
    // The store matches one kind; Typedef stands for four.
    bool typedefs = limit == Kind::Typedef;
    std::vector<Definition> found = definitions_of(
        objects_of(impl_->store->lookup_name(handle(container).get(), const_cast<char*>(name.c_str()), levels,
                                             kind_to(typedefs ? Kind::All : limit), exclude_inherited)));
    if (typedefs) std::erase_if(found, [](const Definition& d) { return !is_typedef(d.kind); });
    return found;
  });
}

bool Store::inherits_from(const std::string& interface, const std::string& base) {
  return impl_->read("asking whether " + interface + " derives from " + base, [&] {
    return impl_->store->inherits_from(handle(interface).get(), handle(base).get()) != 0;
  });
}

bool Store::name_used_below(const std::string& interface, const std::string& name) {
  return impl_->read("looking for " + name + " in what derives from " + interface, [&] {
    check_name(name);
    return impl_->store->is_duplicate_name(handle(interface).get(), const_cast<char*>(name.c_str())) != 0;
  });
}

std::vector<std::string> Store::removed_with(const std::string& id) {
  return impl_->read("reading what depends on " + id, [&] {
    std::vector<std::string> ids;
    for (const ObjectRef& object : objects_of(impl_->store->get_objects_2b_deleted(handle(id).get()))) {
      // A cycle of references may bring the definition itself back.
      if (object->repository_id() != id) ids.push_back(object->repository_id());
    }
    return ids;
  });
}

}  // namespace irstore::access

// Store: each call is one or two store operations on the process's IRDB,
// with what they return converted to plain values and released at once.
#include <memory>

#include <irstore_access/access.h>
#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>
#include <qelorirm/definitions.h>

#include "definition.h"
#include "translated.h"

namespace irstore::access {

namespace {

struct Release {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};
using ObjectRef = std::unique_ptr<CORBA_Contained_Impl, Release>;

using ContainedSequence = std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_Contained_0>;

// Repository ids and names longer than their columns could never be stored:
// they are refused before any statement runs.
void check_id(const std::string& id) {
  if (id.size() >= Irrepdat::kRepidSize) {
    throw Error(Error::Reason::BadInput, "a repository id of " + std::to_string(id.size()) +
                                             " characters (the store keeps at most " +
                                             std::to_string(Irrepdat::kRepidSize - 1) + ")");
  }
}

void check_name(const std::string& name) {
  if (name.size() >= Irrepdat::kNameSize) {
    throw Error(Error::Reason::BadInput, "a name of " + std::to_string(name.size()) +
                                             " characters (the store keeps at most " +
                                             std::to_string(Irrepdat::kNameSize - 1) + ")");
  }
}

bool is_typedef(Kind kind) {
  return kind == Kind::Alias || kind == Kind::Struct || kind == Kind::Union || kind == Kind::Enum;
}

std::unique_ptr<StoreHandle> handle(const std::string& id) {
  check_id(id);
  return std::make_unique<StoreHandle>(CORBA::string_dup(id.c_str()), nullptr, 0);
}

// The definitions of a sequence the store returned, which goes with it.
std::vector<Definition> definitions_of(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* returned) {
  ContainedSequence sequence(returned);
  std::vector<Definition> result;
  result.reserve(sequence->length());
  for (CORBA::ULong i = 0; i < sequence->length(); ++i) {
    if (auto* object = dynamic_cast<CORBA_Contained_Impl*>((*sequence)[i])) {
      result.push_back(definition_of(*object));
    }
  }
  return result;
}

}  // namespace

const char* const Store::kRootId = CORBA_Repository_Impl::kRepositoryId;

struct Store::Impl {
  std::unique_ptr<IRDB> store;
};

Store::Store(const std::string& alias) : impl_(std::make_unique<Impl>()) {
  translated("cannot open repository " + (alias.empty() ? std::string("VADIRIRI") : alias), [&] {
    impl_->store = std::make_unique<IRDB>(alias.empty() ? nullptr : alias.c_str());
  });
}

Store::~Store() = default;

std::optional<Definition> Store::find(const std::string& id) {
  return translated("reading " + id, [&]() -> std::optional<Definition> {
    try {
      ObjectRef object(impl_->store->object_from_ID(handle(id).get()));
      if (!object) return std::nullopt;  // a stored kind without a class
      return definition_of(*object);
    } catch (const IRStore::NotExist&) {
      return std::nullopt;
    }
  });
}

Kind Store::kind_of(const std::string& id) {
  return translated("reading the kind of " + id,
                    [&] { return kind_from(impl_->store->kind_from_ID(handle(id).get())); });
}

std::optional<std::string> Store::container_of(const std::string& id) {
  if (id == kRootId) return std::nullopt;
  return translated("reading the container of " + id, [&]() -> std::optional<std::string> {
    try {
      std::unique_ptr<StoreHandle> container(impl_->store->defined_in(handle(id).get()));
      return std::string(container->repid);
    } catch (const IRStore::NotExist&) {
      // Not stored at all, or stored in no container.
      if (impl_->store->kind_from_ID(handle(id).get()) == CORBA::dk_none) throw;
      return std::nullopt;
    }
  });
}

std::vector<Definition> Store::members(const std::string& container) {
  return translated("reading the members of " + container, [&] {
    return definitions_of(impl_->store->contents(handle(container).get(), CORBA::dk_all, 1, -1));
  });
}

std::optional<Definition> Store::member_named(const std::string& container, const std::string& name) {
  return translated("looking up " + name + " in " + container, [&]() -> std::optional<Definition> {
    check_name(name);
    if (impl_->store->kind_from_ID(handle(container).get()) == CORBA::dk_none) throw IRStore::NotExist();
    std::unique_ptr<StoreHandle> found(
        impl_->store->is_name_in_bucket(const_cast<char*>(name.c_str()), handle(container).get()));
    if (!found) return std::nullopt;
    return find(found->repid);
  });
}

std::vector<Definition> Store::lookup_name(const std::string& container, const std::string& name, int levels,
                                           Kind limit, bool exclude_inherited) {
  return translated("looking up " + name + " in " + container, [&] {
    check_name(name);
    // The store matches one kind; Typedef stands for four.
    bool typedefs = limit == Kind::Typedef;
    std::vector<Definition> found =
        definitions_of(impl_->store->lookup_name(handle(container).get(), const_cast<char*>(name.c_str()), levels,
                                                 kind_to(typedefs ? Kind::All : limit), exclude_inherited));
    if (typedefs) std::erase_if(found, [](const Definition& d) { return !is_typedef(d.kind); });
    return found;
  });
}

bool Store::inherits_from(const std::string& interface, const std::string& base) {
  return translated("asking whether " + interface + " derives from " + base, [&] {
    return impl_->store->inherits_from(handle(interface).get(), handle(base).get()) != 0;
  });
}

}  // namespace irstore::access

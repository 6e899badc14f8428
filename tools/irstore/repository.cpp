#include "repository.h"

#include <utility>

#include <qeloridm/storehnd.h>

#include "tool_error.h"

namespace {

struct CorbaStringFree {
  void operator()(char* text) const { CORBA::string_free(text); }
};
using CorbaString = std::unique_ptr<char, CorbaStringFree>;

struct HandleSeqDelete {
  void operator()(StoreHandleSeq* sequence) const {
    for (unsigned i = 0; i < sequence->length; ++i) delete sequence->buffer[i];
    delete[] sequence->buffer;
    delete sequence;
  }
};

std::unique_ptr<StoreHandle> handle(const std::string& repid) {
  return std::make_unique<StoreHandle>(CORBA::string_dup(repid.c_str()), nullptr, 0);
}

// Takes over the objects of a sequence the store returned.
std::vector<ObjectRef> objects_of(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* raw) {
  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_Contained_0> sequence(raw);
  std::vector<ObjectRef> objects;
  for (CORBA::ULong i = 0; i < sequence->length(); ++i) {
    CORBA::_CORBA_Contained* element = (*sequence)[i];
    auto* object = dynamic_cast<CORBA_Contained_Impl*>(element);
    if (!object) continue;
    object->_add_ref();
    objects.emplace_back(object);
  }
  return objects;
}

std::vector<std::string> strings_of(CORBA::_IDL_SEQUENCE_CORBA_String_0* raw) {
  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0> sequence(raw);
  std::vector<std::string> texts;
  for (CORBA::ULong i = 0; i < sequence->length(); ++i) texts.emplace_back((*sequence)[i]);
  return texts;
}

std::vector<std::string> repids_of(StoreHandleSeq* raw) {
  std::unique_ptr<StoreHandleSeq, HandleSeqDelete> sequence(raw);
  std::vector<std::string> repids;
  for (unsigned i = 0; i < sequence->length; ++i) repids.emplace_back(sequence->buffer[i]->repid);
  return repids;
}

// Runs a relation add of the store: false, and nothing changed, when the
// relation is stored already (the store's duplicate, code 1).
template <class Add>
bool added(Add add) {
  try {
    add();
    return true;
  } catch (const IRStore::Exception& e) {
    if (e.code == 1) return false;
    throw;
  }
}

}  // namespace

std::string encoded_state(CORBA_Contained_Impl& object) {
  EncapIIOP stream(ENCAP_WRITE);
  object.object_to_stream(stream);
  unsigned char* bytes = nullptr;
  unsigned length = 0;
  stream.access_buffer(bytes, length);
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

Repository::Repository(const std::string& alias) : alias_(alias) {
  try {
    store_ = std::make_unique<IRDB>(alias.c_str());
  } catch (const IRStore::Exception& e) {
    std::string reason = e.message ? e.message : "failure code " + std::to_string(e.code);
    if (reason.find("SQL1013N") != std::string::npos) {
      reason = "it does not exist (create it with: irstore --db " + alias + " init)";
    }
    throw ToolError("cannot open repository " + alias + ": " + reason);
  } catch (const CORBA::BAD_PARAM&) {
    throw ToolError("cannot open repository " + alias + ": the alias is too long");
  }
}

Repository::~Repository() = default;

void Repository::ensure_root() {
  if (kind_of(kRootId) != CORBA::dk_none) return;
  ObjectRef root(new CORBA_Repository_Impl());
  create(*root);
}

CORBA::DefinitionKind Repository::kind_of(const std::string& repid) {
  return store_->kind_from_ID(handle(repid).get());
}

std::string Repository::name_of(const std::string& repid) {
  CorbaString name(store_->name_from_ID(handle(repid).get()));
  return name.get();
}

std::optional<std::string> Repository::container_of(const std::string& repid) {
  if (repid == kRootId) return std::nullopt;
  try {
    std::unique_ptr<StoreHandle> container(store_->defined_in(handle(repid).get()));
    return std::string(container->repid);
  } catch (const IRStore::NotExist&) {
    return std::nullopt;
  }
}

// One search by name over the whole repository, whose few finds are then
// checked for their container, costs a statement or two; asking the
// container would read the name of each of its members, and a load asks
// this for every definition it creates.
std::optional<std::string> Repository::member_named(const std::string& container,
                                                    const std::string& name) {
  static const std::string kMemberKinds = "2:3:4:5:6:7:8";  // what a container may hold
  for (const ObjectRef& object : find(name, kMemberKinds, true, std::nullopt)) {
    if (object->simple_name() != name) continue;  // an "_" in the pattern matches any character
    if (container_of(object->repository_id()) == container) return object->repository_id();
  }
  return std::nullopt;
}

std::vector<ObjectRef> Repository::members(const std::string& container, bool inherited) {
  return objects_of(store_->contents(handle(container).get(), CORBA::dk_all, !inherited, -1));
}

std::vector<ObjectRef> Repository::lookup(const std::string& container, const std::string& name) {
  return objects_of(store_->lookup_name(handle(container).get(), const_cast<char*>(name.c_str()), 1,
                                        CORBA::dk_all, 0));
}

ObjectRef Repository::object(const std::string& repid) {
  return ObjectRef(store_->object_from_ID(handle(repid).get()));
}

std::vector<std::string> Repository::parents(const std::string& interface) {
  return repids_of(store_->parents(handle(interface).get()));
}

std::vector<std::string> Repository::children(const std::string& interface) {
  return repids_of(store_->children(handle(interface).get(), 1));
}

std::vector<std::string> Repository::referrers(const std::string& repid) {
  return strings_of(store_->get_references(handle(repid).get()));
}

std::vector<ObjectRef> Repository::referrers_of_kinds(const std::string& repid,
                                                      const std::string& kindList) {
  return objects_of(store_->get_refs_object(handle(repid).get(), const_cast<char*>(kindList.c_str())));
}

std::vector<ObjectRef> Repository::find(const std::string& likePattern, const std::string& kindList,
                                        bool caseSensitive, const std::optional<std::string>& scope) {
  std::unique_ptr<StoreHandle> scopeHandle = scope ? handle(*scope) : nullptr;
  return objects_of(store_->find_objects(const_cast<char*>(likePattern.c_str()),
                                         const_cast<char*>(kindList.c_str()), caseSensitive,
                                         scopeHandle.get()));
}

std::vector<ObjectRef> Repository::deletion_set(const std::string& repid) {
  return objects_of(store_->get_objects_2b_deleted(handle(repid).get()));
}

void Repository::create(CORBA_Contained_Impl& object) {
  EncapIIOP stream(ENCAP_WRITE);
  object.object_to_stream(stream);
  store_->create(&object, stream);
}

void Repository::update_state(CORBA_Contained_Impl& object) { store_->update_stream(&object); }

bool Repository::contain(const std::string& member, const std::string& container) {
  return added([&] { store_->add_to_bucket(handle(member).get(), handle(container).get()); });
}

bool Repository::inherit(const std::string& derived, const std::string& base) {
  return added([&] { store_->add_inheritance(handle(derived).get(), handle(base).get()); });
}

bool Repository::refer(const std::string& referrer, const std::string& referred) {
  return added([&] { store_->add_reference(handle(referrer).get(), handle(referred).get()); });
}

void Repository::remove_inheritance(const std::string& derived, const std::string& base) {
  store_->remove_inheritance(handle(derived).get(), handle(base).get());
}

bool Repository::remove_reference(const std::string& referrer, const std::string& referred) {
  try {
    store_->remove_reference(handle(referrer).get(), handle(referred).get());
    return true;
  } catch (const IRStore::NotExist&) {
    return false;
  } catch (const IRStore::IncoherentIR&) {
    return false;  // the referred object is gone
  }
}

void Repository::destroy(const std::string& repid) { store_->destroy(handle(repid).get()); }

void Repository::move(const std::string& repid, const std::string& container, const char* newName) {
  store_->move(handle(repid).get(), handle(container).get(), const_cast<char*>(newName));
}

void Repository::rename(const std::string& repid, const std::string& newName) {
  store_->update_name(handle(repid).get(), const_cast<char*>(newName.c_str()));
}

void Repository::change_id(const std::string& oldId, const std::string& newId) {
  store_->update_repositoryID(handle(oldId).get(), handle(newId).get());
}

Update::Update(Repository& repository) : store_(repository.store()) { store_.beginUpdate(); }

Update::~Update() {
  if (done_) return;
  try {
    store_.cancelUpdate();
  } catch (...) {
    // The session rolls back what is left when the store goes.
  }
}

void Update::commit() {
  store_.endUpdate();
  done_ = true;
}

UserTransaction::UserTransaction(Repository& repository) : store_(repository.store()) {
  store_.beginUserTransaction();
}

UserTransaction::~UserTransaction() {
  if (done_) return;
  try {
    store_.cancelUserTransaction();
  } catch (...) {
    // As for Update.
  }
}

void UserTransaction::commit() {
  store_.endUserTransaction();
  done_ = true;
}

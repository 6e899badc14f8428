#include "served_store.h"

#include <cstdio>

namespace irstore::serve {

namespace {

constexpr CORBA::ULong kInvalidName = CORBA::OMGVMCID | 15;
constexpr CORBA::ULong kInvalidRepositoryId = CORBA::OMGVMCID | 16;

template <class Call>
auto answered(CORBA::ULong bad_input_minor, Call call) -> decltype(call()) {
  try {
    return call();
  } catch (const access::Error& e) {
    switch (e.reason()) {
      case access::Error::Reason::NotFound: throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO);
      case access::Error::Reason::BadInput: throw CORBA::BAD_PARAM(bad_input_minor, CORBA::COMPLETED_NO);
      default: repository_failure(e.what());
    }
  }
}

}  // namespace

void repository_failure(const std::string& what) {
  std::fprintf(stderr, "irstore-serve: %s\n", what.c_str());
  throw CORBA::INTF_REPOS(CORBA::OMGVMCID | 1, CORBA::COMPLETED_NO);
}

std::optional<access::Definition> ServedStore::find(const std::string& id) {
  return answered(kInvalidRepositoryId, [&] { return store_.find(id); });
}

access::Definition ServedStore::related(const std::string& id) {
  std::optional<access::Definition> found = find(id);
  if (!found) repository_failure("a stored relation names " + id + ", which is not stored");
  return std::move(*found);
}

access::Kind ServedStore::kind_of(const std::string& id) {
  return answered(kInvalidRepositoryId, [&] { return store_.kind_of(id); });
}

std::optional<std::string> ServedStore::container_of(const std::string& id) {
  return answered(kInvalidRepositoryId, [&] { return store_.container_of(id); });
}

std::vector<access::Definition> ServedStore::members(const std::string& container) {
  return answered(kInvalidRepositoryId, [&] { return store_.members(container); });
}

std::optional<access::Definition> ServedStore::member_named(const std::string& container,
                                                            const std::string& name) {
  return answered(kInvalidName, [&] { return store_.member_named(container, name); });
}

std::vector<access::Definition> ServedStore::lookup_name(const std::string& container, const std::string& name,
                                                         int levels, access::Kind limit, bool exclude_inherited) {
  return answered(kInvalidName,
                  [&] { return store_.lookup_name(container, name, levels, limit, exclude_inherited); });
}

bool ServedStore::inherits_from(const std::string& interface, const std::string& base) {
  return answered(kInvalidRepositoryId, [&] { return store_.inherits_from(interface, base); });
}

}  // namespace irstore::serve

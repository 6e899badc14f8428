#include "served_store.h"

#include <cstdio>

#include "minor_codes.h"

namespace irstore::serve {

void ServedStore::raise(const access::Error& e, CORBA::ULong bad_input_minor, CORBA::CompletionStatus completed) {
  using Reason = access::Error::Reason;
  switch (e.reason()) {
    case Reason::NotFound: throw CORBA::OBJECT_NOT_EXIST(0, completed);
    case Reason::BadInput: throw CORBA::BAD_PARAM(bad_input_minor, completed);
    case Reason::IdTaken: throw CORBA::BAD_PARAM(minor::kIdTaken, completed);
    case Reason::NameTaken: throw CORBA::BAD_PARAM(minor::kNameTaken, completed);
    case Reason::Unreachable:
      database_lost_(e.what());
      throw CORBA::TRANSIENT(0, completed);
    default: repository_failure(e.what(), completed);
  }
}

void repository_failure(const std::string& what, CORBA::CompletionStatus completed) {
  std::fprintf(stderr, "irstore-serve: %s\n", what.c_str());
  throw CORBA::INTF_REPOS(minor::kRepositoryUnavailable, completed);
}

std::optional<access::Definition> ServedStore::find(const std::string& id) {
  return answered(minor::kInvalidRepositoryId, [&] { return store_.find(id); });
}

access::Definition ServedStore::related(const std::string& id) {
  std::optional<access::Definition> found = find(id);
  if (!found) repository_failure("a stored relation names " + id + ", which is not stored");
  return std::move(*found);
}

access::Kind ServedStore::kind_of(const std::string& id) {
  return answered(minor::kInvalidRepositoryId, [&] { return store_.kind_of(id); });
}

std::optional<std::string> ServedStore::container_of(const std::string& id) {
  return answered(minor::kInvalidRepositoryId, [&] { return store_.container_of(id); });
}

std::vector<access::Definition> ServedStore::members(const std::string& container) {
  return answered(minor::kInvalidRepositoryId, [&] { return store_.members(container); });
}

std::optional<access::Definition> ServedStore::member_named(const std::string& container,
                                                            const std::string& name) {
  return answered(minor::kInvalidName, [&] { return store_.member_named(container, name); });
}

std::vector<access::Definition> ServedStore::lookup_name(const std::string& container, const std::string& name,
                                                         int levels, access::Kind limit, bool exclude_inherited) {
  return answered(minor::kInvalidName,
                  [&] { return store_.lookup_name(container, name, levels, limit, exclude_inherited); });
}

bool ServedStore::inherits_from(const std::string& interface, const std::string& base) {
  return answered(minor::kInvalidRepositoryId, [&] { return store_.inherits_from(interface, base); });
}

bool ServedStore::name_used_below(const std::string& interface, const std::string& name) {
  return answered(minor::kInvalidName, [&] { return store_.name_used_below(interface, name); });
}

std::vector<std::string> ServedStore::removed_with(const std::string& id) {
  return answered(minor::kInvalidRepositoryId, [&] { return store_.removed_with(id); });
}

}  // namespace irstore::serve

#include "served_update.h"

#include "minor_codes.h"

namespace irstore::serve {

void read_only() { throw CORBA::NO_PERMISSION(0, CORBA::COMPLETED_NO); }

void unsupported_change(const ServeContext& context) {
  if (!context.writable) read_only();
  throw CORBA::NO_IMPLEMENT(0, CORBA::COMPLETED_NO);
}

ServedUpdate::ServedUpdate(ServeContext& context) : store_(context.store) {
  if (!context.writable) read_only();
  store_.answered(0, [&] { update_.emplace(store_.store()); });
}

void ServedUpdate::create(const access::Definition& definition, const std::string& container) {
  store_.answered(minor::kInvalidName, [&] { update_->create(definition, container); });
}

void ServedUpdate::update(const access::Definition& definition) {
  store_.answered(0, [&] { update_->update(definition); });
}

void ServedUpdate::rename(const std::string& id, const std::string& name) {
  store_.answered(minor::kInvalidName, [&] { update_->rename(id, name); });
}

void ServedUpdate::move(const std::string& id, const std::string& container, const std::string& name) {
  store_.answered(minor::kInvalidContainer, [&] { update_->move(id, container, name); });
}

void ServedUpdate::change_id(const std::string& id, const std::string& new_id) {
  store_.answered(minor::kInvalidRepositoryId, [&] { update_->change_id(id, new_id); });
}

void ServedUpdate::destroy(const std::string& id) {
  store_.answered(0, [&] { update_->destroy(id); });
}

void ServedUpdate::commit() {
  store_.answered(0, [&] { update_->commit(); }, CORBA::COMPLETED_MAYBE);
}

}  // namespace irstore::serve

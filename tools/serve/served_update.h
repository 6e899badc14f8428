// The changes of one request: one unit of work of the store, committed by
// commit() once the request's work is done and cancelled when the request
// raises instead, so that a request that fails leaves nothing behind. While
// it is open, the server's other requests wait for it (access::Update).
// Failures arrive as ServedStore gives them; a failed commit is
// COMPLETED_MAYBE, as the database may have kept the changes.
#pragma once

#include <optional>
#include <string>

#include "context.h"

namespace irstore::serve {

// NO_PERMISSION: the server was not started to change the repository.
[[noreturn]] void read_only();
// A change that the repository cannot make (a value type, an anonymous
// type in place): NO_IMPLEMENT, or NO_PERMISSION on a read-only server.
[[noreturn]] void unsupported_change(const ServeContext& context);

class ServedUpdate {
 public:
  // NO_PERMISSION unless the server is writable.
  explicit ServedUpdate(ServeContext& context);

  void create(const access::Definition& definition, const std::string& container);
  void update(const access::Definition& definition);
  void rename(const std::string& id, const std::string& name);
  void move(const std::string& id, const std::string& container, const std::string& name);
  void change_id(const std::string& id, const std::string& new_id);
  void destroy(const std::string& id);
  void commit();

 private:
  ServedStore& store_;
  std::optional<access::Update> update_;
};

}  // namespace irstore::serve

// The object adapters of the server: one POA per kind of object, each with
// one default servant and no active object, so that a reference costs
// nothing until it is used and stays valid across restarts (persistent
// POAs with user ids: the object key is the adapter's name and the id).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "orb.h"

namespace irstore::serve {

enum class ObjectKind {
  Module,
  Interface,
  AbstractInterface,
  Operation,
  Attribute,
  Constant,
  Exception,
  Alias,
  Struct,
  Union,
  Enum,
  // The anonymous types: no row of their own, their object id is their type
  // (encode_type_use).
  Primitive,
  String,
  Wstring,
  Fixed,
  Sequence,
  Array,
  // The root, alone in the ORB's adapter for corbaloc keys.
  Repository,
};
// The kinds with an adapter of their own: all but the root.
constexpr std::size_t kAdapterKinds = static_cast<std::size_t>(ObjectKind::Repository);

inline bool is_anonymous(ObjectKind kind) { return kind >= ObjectKind::Primitive && kind < ObjectKind::Repository; }

// The repository id of the interface that objects of the kind implement.
const char* interface_id(ObjectKind kind);
CORBA::DefinitionKind definition_kind(ObjectKind kind);
// The kind of object that serves a stored definition.
ObjectKind object_kind(const access::Definition& definition);

class Adapters {
 public:
  // The key under which the root answers at corbaloc::HOST:PORT/KEY.
  static constexpr const char* kRootKey = "InterfaceRepository";

  explicit Adapters(CORBA::ORB_ptr orb);

  // Gives each adapter its default servant, and the root its servant.
  void serve(ObjectKind kind, PortableServer::Servant servant);
  void serve_root(PortableServer::Servant servant);
  // Starts answering requests.
  void activate();

  CORBA::Object_ptr reference(ObjectKind kind, const std::string& object_id);
  CORBA::Object_ptr root();
  // The object id of the request being served.
  std::string current_id();
  // The kind and object id of a reference to one of this server's objects,
  // or to the same object of another server of the repository (by its
  // object key, whatever its address); the root's is Store::kRootId.
  std::optional<std::pair<ObjectKind, std::string>> identify(CORBA::Object_ptr object);

 private:
  void learn_key_prefixes();

  CORBA::ORB_var orb_;
  PortableServer::POA_var root_poa_;
  PortableServer::POA_var ins_poa_;
  std::array<PortableServer::POA_var, kAdapterKinds> poas_;
  std::array<std::string, kAdapterKinds> key_prefixes_;  // each adapter's part of its keys
  PortableServer::Current_var current_;
};

}  // namespace irstore::serve

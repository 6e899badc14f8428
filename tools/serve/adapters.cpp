#include "adapters.h"

#include <stdexcept>

#include "object_keys.h"

namespace irstore::serve {

namespace {

struct KindInfo {
  const char* adapter;  // the POA's name: part of every object key
  const char* interface;
  CORBA::DefinitionKind definition_kind;
};

const KindInfo& info(ObjectKind kind) {
  static const KindInfo kinds[] = {
      {"ModuleDef", CORBA::ModuleDef::_PD_repoId, CORBA::dk_Module},
      {"InterfaceDef", CORBA::InterfaceDef::_PD_repoId, CORBA::dk_Interface},
      {"AbstractInterfaceDef", CORBA::AbstractInterfaceDef::_PD_repoId, CORBA::dk_AbstractInterface},
      {"OperationDef", CORBA::OperationDef::_PD_repoId, CORBA::dk_Operation},
      {"AttributeDef", CORBA::AttributeDef::_PD_repoId, CORBA::dk_Attribute},
      {"ConstantDef", CORBA::ConstantDef::_PD_repoId, CORBA::dk_Constant},
      {"ExceptionDef", CORBA::ExceptionDef::_PD_repoId, CORBA::dk_Exception},
      {"AliasDef", CORBA::AliasDef::_PD_repoId, CORBA::dk_Alias},
      {"StructDef", CORBA::StructDef::_PD_repoId, CORBA::dk_Struct},
      {"UnionDef", CORBA::UnionDef::_PD_repoId, CORBA::dk_Union},
      {"EnumDef", CORBA::EnumDef::_PD_repoId, CORBA::dk_Enum},
      {"PrimitiveDef", CORBA::PrimitiveDef::_PD_repoId, CORBA::dk_Primitive},
      {"StringDef", CORBA::StringDef::_PD_repoId, CORBA::dk_String},
      {"WstringDef", CORBA::WstringDef::_PD_repoId, CORBA::dk_Wstring},
      {"FixedDef", CORBA::FixedDef::_PD_repoId, CORBA::dk_Fixed},
      {"SequenceDef", CORBA::SequenceDef::_PD_repoId, CORBA::dk_Sequence},
      {"ArrayDef", CORBA::ArrayDef::_PD_repoId, CORBA::dk_Array},
      {"omniINSPOA", CORBA::Repository::_PD_repoId, CORBA::dk_Repository},
  };
  return kinds[static_cast<std::size_t>(kind)];
}

PortableServer::ObjectId_var object_id(const std::string& text) {
  PortableServer::ObjectId_var id = new PortableServer::ObjectId(static_cast<CORBA::ULong>(text.size()));
  id->length(static_cast<CORBA::ULong>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) id[static_cast<CORBA::ULong>(i)] = static_cast<CORBA::Octet>(text[i]);
  return id;
}

std::string text_of(const PortableServer::ObjectId& id) {
  return std::string(reinterpret_cast<const char*>(id.get_buffer()), id.length());
}

}  // namespace

const char* interface_id(ObjectKind kind) { return info(kind).interface; }

CORBA::DefinitionKind definition_kind(ObjectKind kind) { return info(kind).definition_kind; }

ObjectKind object_kind(const access::Definition& definition) {
  switch (definition.kind) {
    case access::Kind::Module: return ObjectKind::Module;
    case access::Kind::Interface:
      return definition.is_abstract ? ObjectKind::AbstractInterface : ObjectKind::Interface;
    case access::Kind::Operation: return ObjectKind::Operation;
    case access::Kind::Attribute: return ObjectKind::Attribute;
    case access::Kind::Constant: return ObjectKind::Constant;
    case access::Kind::Exception: return ObjectKind::Exception;
    case access::Kind::Alias: return ObjectKind::Alias;
    case access::Kind::Struct: return ObjectKind::Struct;
    case access::Kind::Union: return ObjectKind::Union;
    case access::Kind::Enum: return ObjectKind::Enum;
    default: throw CORBA::INTF_REPOS(0, CORBA::COMPLETED_NO);  // no object serves it
  }
}

Adapters::Adapters(CORBA::ORB_ptr orb) : orb_(CORBA::ORB::_duplicate(orb)) {
  CORBA::Object_var root = orb_->resolve_initial_references("RootPOA");
  root_poa_ = PortableServer::POA::_narrow(root);
  CORBA::Object_var ins = orb_->resolve_initial_references("omniINSPOA");
  ins_poa_ = PortableServer::POA::_narrow(ins);
  CORBA::Object_var current = orb_->resolve_initial_references("POACurrent");
  current_ = PortableServer::Current::_narrow(current);

  CORBA::PolicyList policies(5);
  policies.length(5);
  policies[0] = root_poa_->create_lifespan_policy(PortableServer::PERSISTENT);
  policies[1] = root_poa_->create_id_assignment_policy(PortableServer::USER_ID);
  policies[2] = root_poa_->create_request_processing_policy(PortableServer::USE_DEFAULT_SERVANT);
  policies[3] = root_poa_->create_servant_retention_policy(PortableServer::NON_RETAIN);
  policies[4] = root_poa_->create_id_uniqueness_policy(PortableServer::MULTIPLE_ID);
  PortableServer::POAManager_var manager = root_poa_->the_POAManager();
  for (std::size_t kind = 0; kind < kAdapterKinds; ++kind) {
    poas_[kind] = root_poa_->create_POA(info(static_cast<ObjectKind>(kind)).adapter, manager, policies);
  }
  for (CORBA::ULong i = 0; i < policies.length(); ++i) policies[i]->destroy();
  learn_key_prefixes();
}

// A persistent adapter's keys are the same in every run and every server:
// its own part, then the object id.
void Adapters::learn_key_prefixes() {
  for (std::size_t kind = 0; kind < kAdapterKinds; ++kind) {
    std::string& prefix = key_prefixes_[kind];
    for (const char* probe : {"a", "bc"}) {
      CORBA::Object_var made = reference(static_cast<ObjectKind>(kind), probe);
      std::optional<std::string> key = object_key(orb_, made);
      std::size_t length = std::char_traits<char>::length(probe);
      bool ends_with_id = key && key->size() > length && key->compare(key->size() - length, length, probe) == 0;
      std::string own_part = ends_with_id ? key->substr(0, key->size() - length) : std::string();
      if (!ends_with_id || (!prefix.empty() && own_part != prefix)) {
        throw std::runtime_error("the ORB's object keys do not end with the object id");
      }
      prefix = own_part;
    }
  }
}

void Adapters::serve(ObjectKind kind, PortableServer::Servant servant) {
  poas_[static_cast<std::size_t>(kind)]->set_servant(servant);
}

void Adapters::serve_root(PortableServer::Servant servant) {
  ins_poa_->activate_object_with_id(object_id(kRootKey), servant);
}

void Adapters::activate() {
  PortableServer::POAManager_var manager = root_poa_->the_POAManager();
  manager->activate();
  PortableServer::POAManager_var ins_manager = ins_poa_->the_POAManager();
  ins_manager->activate();
}

CORBA::Object_ptr Adapters::reference(ObjectKind kind, const std::string& id) {
  return poas_[static_cast<std::size_t>(kind)]->create_reference_with_id(object_id(id), interface_id(kind));
}

CORBA::Object_ptr Adapters::root() { return ins_poa_->id_to_reference(object_id(kRootKey)); }

std::string Adapters::current_id() {
  PortableServer::ObjectId_var id = current_->get_object_id();
  return text_of(id.in());
}

std::optional<std::pair<ObjectKind, std::string>> Adapters::identify(CORBA::Object_ptr object) {
  std::optional<std::string> key = object_key(orb_, object);
  if (!key) return std::nullopt;
  if (*key == kRootKey) return std::make_pair(ObjectKind::Repository, std::string(access::Store::kRootId));
  for (std::size_t kind = 0; kind < kAdapterKinds; ++kind) {
    const std::string& prefix = key_prefixes_[kind];
    if (key->compare(0, prefix.size(), prefix) == 0) {
      return std::make_pair(static_cast<ObjectKind>(kind), key->substr(prefix.size()));
    }
  }
  return std::nullopt;
}

}  // namespace irstore::serve

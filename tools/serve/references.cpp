#include "references.h"

#include <stdexcept>

#include "kinds.h"
#include "names.h"

namespace irstore::serve {

ObjectKind anonymous_kind(TypeTree::Form form) {
  switch (form) {
    case TypeTree::Form::String: return ObjectKind::String;
    case TypeTree::Form::Wstring: return ObjectKind::Wstring;
    case TypeTree::Form::Fixed: return ObjectKind::Fixed;
    case TypeTree::Form::Sequence: return ObjectKind::Sequence;
    case TypeTree::Form::Array: return ObjectKind::Array;
    default: return ObjectKind::Primitive;
  }
}

CORBA::Repository_ptr repository_reference(ServeContext& context) {
  CORBA::Object_var root = context.adapters.root();
  return CORBA::Repository::_unchecked_narrow(root);
}

CORBA::Contained_ptr contained_reference(ServeContext& context, const access::Definition& definition) {
  CORBA::Object_var object = context.adapters.reference(object_kind(definition), definition.id);
  return CORBA::Contained::_unchecked_narrow(object);
}

CORBA::Container_ptr container_reference(ServeContext& context, const std::string& id) {
  if (id == access::Store::kRootId) return repository_reference(context);
  access::Definition definition = context.store.related(id);
  if (!is_container(definition.kind)) repository_failure(id + " holds definitions but is no container");
  CORBA::Object_var object = context.adapters.reference(object_kind(definition), id);
  return CORBA::Container::_unchecked_narrow(object);
}

CORBA::IDLType_ptr type_reference(ServeContext& context, const TypeTree& type) {
  CORBA::Object_var object;
  if (type.form == TypeTree::Form::Named) {
    access::Definition definition = context.store.related(type.id);
    if (!is_type(definition.kind)) repository_failure(type.word + " is used as a type but is none");
    object = context.adapters.reference(object_kind(definition), definition.id);
  } else {
    object = context.adapters.reference(anonymous_kind(type.form), encode_type_use(type_use_of(type)));
  }
  return CORBA::IDLType::_unchecked_narrow(object);
}

access::TypeUse type_use_of_reference(ServeContext& context, CORBA::IDLType_ptr type) {
  std::optional<std::pair<ObjectKind, std::string>> identity = context.adapters.identify(type);
  if (!identity) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  auto& [kind, id] = *identity;
  if (is_anonymous(kind)) {
    try {
      access::TypeUse use = decode_type_use(id);
      parse_spelling(use.spelling);
      return use;
    } catch (const std::invalid_argument&) {
      throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
    }
  }
  std::optional<access::Definition> definition = context.store.find(id);
  if (!definition || !is_type(definition->kind)) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  return {absolute_name(context.store, *definition), {definition->id}};
}

}  // namespace irstore::serve

#include "descriptions.h"

#include "literals.h"
#include "references.h"
#include "type_resolution.h"

namespace irstore::serve {

std::string defined_in(ServeContext& context, const std::string& id) {
  std::optional<std::string> container = context.store.container_of(id);
  return !container || *container == access::Store::kRootId ? std::string() : *container;
}

// The four fields every description starts with.
template <class Description>
Description Describer::identified(const access::Definition& d) {
  Description description;
  description.name = d.name.c_str();
  description.id = d.id.c_str();
  description.defined_in = container_of(d.id).c_str();
  description.version = d.version.c_str();
  return description;
}

const std::string& Describer::container_of(const std::string& id) {
  auto known = containers_.find(id);
  if (known == containers_.end()) known = containers_.emplace(id, defined_in(context_, id)).first;
  return known->second;
}

CORBA::IDLType_ptr Describer::type_definition(const TypeTree& type) {
  std::string key = encode_type_use(type_use_of(type));
  auto known = type_definitions_.find(key);
  if (known == type_definitions_.end()) known = type_definitions_.emplace(key, type_reference(context_, type)).first;
  return CORBA::IDLType::_duplicate(known->second);
}

CORBA::Contained::Description* Describer::describe(const access::Definition& definition) {
  CORBA::Contained::Description_var description = new CORBA::Contained::Description;
  description->kind = definition_kind(object_kind(definition));
  CORBA::Any_var value = value_of(definition);
  description->value = value.in();
  return description._retn();
}

CORBA::Any* Describer::value_of(const access::Definition& d) {
  CORBA::Any_var value = new CORBA::Any;
  switch (d.kind) {
    case access::Kind::Module:
      value <<= identified<CORBA::ModuleDescription>(d);
      break;
    case access::Kind::Interface: {
      CORBA::InterfaceDescription description = identified<CORBA::InterfaceDescription>(d);
      description.base_interfaces.length(static_cast<CORBA::ULong>(d.bases.size()));
      for (CORBA::ULong i = 0; i < description.base_interfaces.length(); ++i) {
        description.base_interfaces[i] = d.bases[i].c_str();
      }
      value <<= description;
      break;
    }
    case access::Kind::Operation:
      value <<= operation(d);
      break;
    case access::Kind::Attribute:
      value <<= attribute(d);
      break;
    case access::Kind::Constant: {
      CORBA::ConstantDescription description = identified<CORBA::ConstantDescription>(d);
      description.type = types_.of(d.type);
      CORBA::Any_var constant = literal_value(context_, d.value, description.type);
      description.value = constant.in();
      value <<= description;
      break;
    }
    case access::Kind::Exception: {
      CORBA::ExceptionDescription description = identified<CORBA::ExceptionDescription>(d);
      description.type = types_.of(d);
      value <<= description;
      break;
    }
    default: {  // alias, struct, union, enum
      CORBA::TypeDescription description = identified<CORBA::TypeDescription>(d);
      description.type = types_.of(d);
      value <<= description;
    }
  }
  return value._retn();
}

CORBA::ParDescriptionSeq Describer::parameters(const access::Definition& operation) {
  CORBA::ParDescriptionSeq result(static_cast<CORBA::ULong>(operation.parameters.size()));
  result.length(static_cast<CORBA::ULong>(operation.parameters.size()));
  for (CORBA::ULong i = 0; i < result.length(); ++i) {
    const access::Parameter& parameter = operation.parameters[i];
    TypeTree type = resolved_type(context_.store, parameter.type);
    result[i].name = parameter.name.c_str();
    result[i].type = types_.of(type);
    result[i].type_def = type_definition(type);
    result[i].mode = static_cast<CORBA::ParameterMode>(parameter.mode);
  }
  return result;
}

CORBA::ExcDescriptionSeq Describer::exceptions(const access::Definition& operation) {
  CORBA::ExcDescriptionSeq result(static_cast<CORBA::ULong>(operation.exceptions.size()));
  result.length(static_cast<CORBA::ULong>(operation.exceptions.size()));
  for (CORBA::ULong i = 0; i < result.length(); ++i) {
    const std::string& id = operation.exceptions[i];
    auto known = exceptions_.find(id);
    if (known == exceptions_.end()) {
      access::Definition exception = context_.store.related(id);
      CORBA::ExceptionDescription description = identified<CORBA::ExceptionDescription>(exception);
      description.type = types_.of(exception);
      known = exceptions_.emplace(id, description).first;
    }
    result[i] = known->second;
  }
  return result;
}

CORBA::OperationDescription Describer::operation(const access::Definition& operation) {
  CORBA::OperationDescription description = identified<CORBA::OperationDescription>(operation);
  description.result = types_.of(operation.type);
  description.mode = operation.oneway ? CORBA::OP_ONEWAY : CORBA::OP_NORMAL;
  description.contexts.length(static_cast<CORBA::ULong>(operation.contexts.size()));
  for (CORBA::ULong i = 0; i < description.contexts.length(); ++i) {
    description.contexts[i] = operation.contexts[i].c_str();
  }
  description.parameters = parameters(operation);
  description.exceptions = exceptions(operation);
  return description;
}

CORBA::AttributeDescription Describer::attribute(const access::Definition& attribute) {
  CORBA::AttributeDescription description = identified<CORBA::AttributeDescription>(attribute);
  description.type = types_.of(attribute.type);
  description.mode = attribute.readonly ? CORBA::ATTR_READONLY : CORBA::ATTR_NORMAL;
  return description;
}

}  // namespace irstore::serve

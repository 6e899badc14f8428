#include "descriptions.h"

#include "literals.h"
#include "references.h"
#include "type_codes.h"
#include "type_resolution.h"

namespace irstore::serve {

namespace {

// The four fields every description starts with.
template <class Description>
Description identified(ServeContext& context, const access::Definition& d) {
  Description description;
  description.name = d.name.c_str();
  description.id = d.id.c_str();
  description.defined_in = defined_in(context, d.id).c_str();
  description.version = d.version.c_str();
  return description;
}

CORBA::TypeCode_ptr type_of(ServeContext& context, const access::Definition& d) {
  return TypeCodeBuilder(context).of(d);
}

CORBA::ExcDescriptionSeq exception_descriptions(ServeContext& context, const access::Definition& operation) {
  CORBA::ExcDescriptionSeq result(static_cast<CORBA::ULong>(operation.exceptions.size()));
  result.length(static_cast<CORBA::ULong>(operation.exceptions.size()));
  for (CORBA::ULong i = 0; i < result.length(); ++i) {
    access::Definition exception = context.store.related(operation.exceptions[i]);
    result[i] = identified<CORBA::ExceptionDescription>(context, exception);
    result[i].type = type_of(context, exception);
  }
  return result;
}

CORBA::Any* value_of(ServeContext& context, const access::Definition& d) {
  auto* value = new CORBA::Any;
  switch (d.kind) {
    case access::Kind::Module:
      *value <<= identified<CORBA::ModuleDescription>(context, d);
      break;
    case access::Kind::Interface: {
      CORBA::InterfaceDescription description = identified<CORBA::InterfaceDescription>(context, d);
      description.base_interfaces.length(static_cast<CORBA::ULong>(d.bases.size()));
      for (CORBA::ULong i = 0; i < description.base_interfaces.length(); ++i) {
        description.base_interfaces[i] = d.bases[i].c_str();
      }
      *value <<= description;
      break;
    }
    case access::Kind::Operation:
      *value <<= operation_description(context, d);
      break;
    case access::Kind::Attribute:
      *value <<= attribute_description(context, d);
      break;
    case access::Kind::Constant: {
      CORBA::ConstantDescription description = identified<CORBA::ConstantDescription>(context, d);
      description.type = TypeCodeBuilder(context).of(d.type);
      CORBA::Any_var constant = literal_value(context, d.value, description.type);
      description.value = constant.in();
      *value <<= description;
      break;
    }
    case access::Kind::Exception: {
      CORBA::ExceptionDescription description = identified<CORBA::ExceptionDescription>(context, d);
      description.type = type_of(context, d);
      *value <<= description;
      break;
    }
    default: {  // alias, struct, union, enum
      CORBA::TypeDescription description = identified<CORBA::TypeDescription>(context, d);
      description.type = type_of(context, d);
      *value <<= description;
    }
  }
  return value;
}

}  // namespace

std::string defined_in(ServeContext& context, const std::string& id) {
  std::optional<std::string> container = context.store.container_of(id);
  return !container || *container == access::Store::kRootId ? std::string() : *container;
}

CORBA::Contained::Description* describe(ServeContext& context, const access::Definition& definition) {
  auto* description = new CORBA::Contained::Description;
  CORBA::Contained::Description_var owned = description;
  description->kind = definition_kind(object_kind(definition));
  CORBA::Any_var value = value_of(context, definition);
  description->value = value.in();
  return owned._retn();
}

CORBA::ParDescriptionSeq parameter_descriptions(ServeContext& context, const access::Definition& operation) {
  CORBA::ParDescriptionSeq result(static_cast<CORBA::ULong>(operation.parameters.size()));
  result.length(static_cast<CORBA::ULong>(operation.parameters.size()));
  for (CORBA::ULong i = 0; i < result.length(); ++i) {
    const access::Parameter& parameter = operation.parameters[i];
    TypeTree type = resolved_type(context.store, parameter.type);
    result[i].name = parameter.name.c_str();
    result[i].type = TypeCodeBuilder(context).of(type);
    result[i].type_def = type_reference(context, type);
    result[i].mode = static_cast<CORBA::ParameterMode>(parameter.mode);
  }
  return result;
}

CORBA::OperationDescription operation_description(ServeContext& context, const access::Definition& operation) {
  CORBA::OperationDescription description = identified<CORBA::OperationDescription>(context, operation);
  description.result = TypeCodeBuilder(context).of(operation.type);
  description.mode = operation.oneway ? CORBA::OP_ONEWAY : CORBA::OP_NORMAL;
  description.contexts.length(static_cast<CORBA::ULong>(operation.contexts.size()));
  for (CORBA::ULong i = 0; i < description.contexts.length(); ++i) {
    description.contexts[i] = operation.contexts[i].c_str();
  }
  description.parameters = parameter_descriptions(context, operation);
  description.exceptions = exception_descriptions(context, operation);
  return description;
}

CORBA::AttributeDescription attribute_description(ServeContext& context, const access::Definition& attribute) {
  CORBA::AttributeDescription description = identified<CORBA::AttributeDescription>(context, attribute);
  description.type = TypeCodeBuilder(context).of(attribute.type);
  description.mode = attribute.readonly ? CORBA::ATTR_READONLY : CORBA::ATTR_NORMAL;
  return description;
}

}  // namespace irstore::serve

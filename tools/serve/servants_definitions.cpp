// The default servants of the stored definitions' adapters: modules,
// interfaces, operations, attributes, constants, exceptions, aliases,
// structs, unions and enums.
#include "arguments.h"
#include "descriptions.h"
#include "idl_rules.h"
#include "literals.h"
#include "minor_codes.h"
#include "references.h"
#include "servant_parts.h"
#include "servants.h"
#include "type_codes.h"
#include "type_resolution.h"

namespace irstore::serve {

namespace {

CORBA::IDLType_ptr type_definition(ServeContext& context, const access::TypeUse& use) {
  return type_reference(context, resolved_type(context.store, use));
}

CORBA::StructMemberSeq* struct_members(ServeContext& context, const std::vector<access::Member>& members) {
  CORBA::StructMemberSeq_var result = new CORBA::StructMemberSeq;
  result->length(static_cast<CORBA::ULong>(members.size()));
  TypeCodeBuilder types(context);
  for (CORBA::ULong i = 0; i < result->length(); ++i) {
    TypeTree type = resolved_type(context.store, members[i].type);
    result[i].name = members[i].name.c_str();
    result[i].type = types.of(type);
    result[i].type_def = type_reference(context, type);
  }
  return result._retn();
}

class ModuleServant : public POA_CORBA::ModuleDef, public ContainerPart, public ContainedPart {
 public:
  explicit ModuleServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Module; }
};

class InterfaceServant : public virtual POA_CORBA::InterfaceDef,
                         public ContainerPart,
                         public ContainedPart,
                         public StoredTypePart {
 public:
  explicit InterfaceServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Interface; }

  CORBA::InterfaceDefSeq* base_interfaces() override {
    access::Definition interface = target();
    CORBA::InterfaceDefSeq_var result = new CORBA::InterfaceDefSeq;
    result->length(static_cast<CORBA::ULong>(interface.bases.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i) {
      CORBA::Contained_var base = contained_reference(context_, context_.store.related(interface.bases[i]));
      result[i] = CORBA::InterfaceDef::_unchecked_narrow(base);
    }
    return result._retn();
  }
  void base_interfaces(const CORBA::InterfaceDefSeq& bases) override {
    change_target([&](access::Definition& d) {
      d.bases = base_arguments(context_, bases);
      check_bases(context_, d);
    });
  }

  CORBA::Boolean is_a(const char* interface_id) override {
    access::Definition interface = target();
    if (interface.id == interface_id) return true;
    if (!interface.is_abstract && std::string(interface_id) == CORBA::Object::_PD_repoId) return true;
    return context_.store.kind_of(interface_id) == access::Kind::Interface &&
           context_.store.inherits_from(interface.id, interface_id);
  }

  CORBA::InterfaceDef::FullInterfaceDescription* describe_interface() override {
    access::Definition interface = target();
    auto* result = new CORBA::InterfaceDef::FullInterfaceDescription;
    CORBA::InterfaceDef::FullInterfaceDescription_var owned = result;
    result->name = interface.name.c_str();
    result->id = interface.id.c_str();
    result->defined_in = irstore::serve::defined_in(context_, interface.id).c_str();
    result->version = interface.version.c_str();
    Describer describer(context_);
    for (const access::Definition& feature : listed(CORBA::dk_all, false)) {
      if (feature.kind == access::Kind::Operation) {
        CORBA::ULong at = result->operations.length();
        result->operations.length(at + 1);
        result->operations[at] = describer.operation(feature);
      } else if (feature.kind == access::Kind::Attribute) {
        CORBA::ULong at = result->attributes.length();
        result->attributes.length(at + 1);
        result->attributes[at] = describer.attribute(feature);
      }
    }
    result->base_interfaces.length(static_cast<CORBA::ULong>(interface.bases.size()));
    for (CORBA::ULong i = 0; i < result->base_interfaces.length(); ++i) {
      result->base_interfaces[i] = interface.bases[i].c_str();
    }
    result->type = TypeCodeBuilder(context_).of(interface);
    return owned._retn();
  }

  CORBA::AttributeDef_ptr create_attribute(const char* id, const char* name, const char* version,
                                           CORBA::IDLType_ptr type, CORBA::AttributeMode mode) override {
    CORBA::Contained_var created = create_member(access::Kind::Attribute, id, name, version, [&](auto& d) {
      d.type = type_argument(context_, type);
      d.readonly = mode == CORBA::ATTR_READONLY;
    });
    return CORBA::AttributeDef::_unchecked_narrow(created);
  }
  CORBA::OperationDef_ptr create_operation(const char* id, const char* name, const char* version,
                                           CORBA::IDLType_ptr result, CORBA::OperationMode mode,
                                           const CORBA::ParDescriptionSeq& params,
                                           const CORBA::ExceptionDefSeq& exceptions,
                                           const CORBA::ContextIdSeq& contexts) override {
    CORBA::Contained_var created = create_member(access::Kind::Operation, id, name, version, [&](auto& d) {
      d.type = type_argument(context_, result);
      d.oneway = mode == CORBA::OP_ONEWAY;
      d.parameters = parameter_arguments(context_, params);
      d.exceptions = exception_arguments(context_, exceptions);
      d.contexts = context_arguments(contexts);
      check_oneway(d);
    });
    return CORBA::OperationDef::_unchecked_narrow(created);
  }
};

class AbstractInterfaceServant : public POA_CORBA::AbstractInterfaceDef, public InterfaceServant {
 public:
  explicit AbstractInterfaceServant(ServeContext& context) : IRObjectPart(context), InterfaceServant(context) {}
  ObjectKind served_kind() const override { return ObjectKind::AbstractInterface; }
};

class OperationServant : public POA_CORBA::OperationDef, public ContainedPart {
 public:
  explicit OperationServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Operation; }

  CORBA::TypeCode_ptr result() override { return TypeCodeBuilder(context_).of(target().type); }
  CORBA::IDLType_ptr result_def() override { return type_definition(context_, target().type); }
  void result_def(CORBA::IDLType_ptr type) override {
    change_operation([&](access::Definition& d) { d.type = type_argument(context_, type); });
  }
  CORBA::ParDescriptionSeq* params() override {
    return new CORBA::ParDescriptionSeq(Describer(context_).parameters(target()));
  }
  void params(const CORBA::ParDescriptionSeq& params) override {
    change_operation([&](access::Definition& d) { d.parameters = parameter_arguments(context_, params); });
  }
  CORBA::OperationMode mode() override { return target().oneway ? CORBA::OP_ONEWAY : CORBA::OP_NORMAL; }
  void mode(CORBA::OperationMode mode) override {
    change_operation([&](access::Definition& d) { d.oneway = mode == CORBA::OP_ONEWAY; });
  }
  CORBA::ContextIdSeq* contexts() override {
    access::Definition operation = target();
    CORBA::ContextIdSeq_var result = new CORBA::ContextIdSeq;
    result->length(static_cast<CORBA::ULong>(operation.contexts.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i) result[i] = operation.contexts[i].c_str();
    return result._retn();
  }
  void contexts(const CORBA::ContextIdSeq& contexts) override {
    change_operation([&](access::Definition& d) { d.contexts = context_arguments(contexts); });
  }
  CORBA::ExceptionDefSeq* exceptions() override {
    access::Definition operation = target();
    CORBA::ExceptionDefSeq_var result = new CORBA::ExceptionDefSeq;
    result->length(static_cast<CORBA::ULong>(operation.exceptions.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i) {
      CORBA::Contained_var exception =
          contained_reference(context_, context_.store.related(operation.exceptions[i]));
      result[i] = CORBA::ExceptionDef::_unchecked_narrow(exception);
    }
    return result._retn();
  }
  void exceptions(const CORBA::ExceptionDefSeq& exceptions) override {
    change_operation([&](access::Definition& d) { d.exceptions = exception_arguments(context_, exceptions); });
  }

 private:
  template <class Edit>
  void change_operation(Edit edit) {
    change_target([&](access::Definition& d) {
      edit(d);
      check_oneway(d);
    });
  }
};

class AttributeServant : public POA_CORBA::AttributeDef, public ContainedPart {
 public:
  explicit AttributeServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Attribute; }

  CORBA::TypeCode_ptr type() override { return TypeCodeBuilder(context_).of(target().type); }
  CORBA::IDLType_ptr type_def() override { return type_definition(context_, target().type); }
  void type_def(CORBA::IDLType_ptr type) override {
    change_target([&](access::Definition& d) { d.type = type_argument(context_, type); });
  }
  CORBA::AttributeMode mode() override { return target().readonly ? CORBA::ATTR_READONLY : CORBA::ATTR_NORMAL; }
  void mode(CORBA::AttributeMode mode) override {
    change_target([&](access::Definition& d) { d.readonly = mode == CORBA::ATTR_READONLY; });
  }
};

class ConstantServant : public POA_CORBA::ConstantDef, public ContainedPart {
 public:
  explicit ConstantServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Constant; }

  CORBA::TypeCode_ptr type() override { return TypeCodeBuilder(context_).of(target().type); }
  CORBA::IDLType_ptr type_def() override { return type_definition(context_, target().type); }
  // The value stays, as a value of the new type.
  void type_def(CORBA::IDLType_ptr type) override {
    change_target([&](access::Definition& d) {
      d.type = type_argument(context_, type);
      d.value = literal_as(context_, d.value, d.type, 0);
    });
  }
  CORBA::Any* value() override {
    access::Definition constant = target();
    CORBA::TypeCode_var type = TypeCodeBuilder(context_).of(constant.type);
    return literal_value(context_, constant.value, type);
  }
  void value(const CORBA::Any& value) override {
    change_target([&](access::Definition& d) { d.value = constant_argument(context_, value, d.type); });
  }
};

class ExceptionServant : public POA_CORBA::ExceptionDef, public ContainedPart, public ContainerPart {
 public:
  explicit ExceptionServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Exception; }

  CORBA::TypeCode_ptr type() override { return TypeCodeBuilder(context_).of(target()); }
  CORBA::StructMemberSeq* members() override { return struct_members(context_, target().members); }
  void members(const CORBA::StructMemberSeq& members) override {
    change_target([&](access::Definition& d) { d.members = member_arguments(context_, members); });
  }
};

class AliasServant : public POA_CORBA::AliasDef, public ContainedPart, public StoredTypePart {
 public:
  explicit AliasServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Alias; }

  CORBA::IDLType_ptr original_type_def() override { return type_definition(context_, target().type); }
  void original_type_def(CORBA::IDLType_ptr type) override {
    change_type([&](access::Definition& d) {
      d.type = type_argument(context_, type);
      check_alias_type(context_, d);
    });
  }
};

class StructServant : public POA_CORBA::StructDef, public ContainedPart, public ContainerPart, public StoredTypePart {
 public:
  explicit StructServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Struct; }

  CORBA::StructMemberSeq* members() override { return struct_members(context_, target().members); }
  void members(const CORBA::StructMemberSeq& members) override {
    change_target([&](access::Definition& d) { d.members = member_arguments(context_, members); });
  }
};

class UnionServant : public POA_CORBA::UnionDef, public ContainedPart, public ContainerPart, public StoredTypePart {
 public:
  explicit UnionServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Union; }

  CORBA::TypeCode_ptr discriminator_type() override { return TypeCodeBuilder(context_).of(target().type); }
  CORBA::IDLType_ptr discriminator_type_def() override { return type_definition(context_, target().type); }
  // The labels stay, as values of the new discriminator type.
  void discriminator_type_def(CORBA::IDLType_ptr type) override {
    change_target([&](access::Definition& d) {
      d.type = type_argument(context_, type);
      check_discriminator(context_, d.type);
      for (access::UnionCase& c : d.cases) {
        if (c.label != "default") c.label = literal_as(context_, c.label, d.type, minor::kIncompatibleLabel);
      }
    });
  }
  CORBA::UnionMemberSeq* members() override {
    access::Definition union_definition = target();
    TypeCodeBuilder types(context_);
    CORBA::TypeCode_var discriminator = types.of(union_definition.type);
    CORBA::UnionMemberSeq_var result = new CORBA::UnionMemberSeq;
    result->length(static_cast<CORBA::ULong>(union_definition.cases.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i) {
      const access::UnionCase& c = union_definition.cases[i];
      TypeTree type = resolved_type(context_.store, c.type);
      result[i].name = c.name.c_str();
      if (c.label == "default") {
        result[i].label <<= CORBA::Any::from_octet(0);
      } else {
        CORBA::Any_var label = literal_value(context_, c.label, discriminator);
        result[i].label = label.in();
      }
      result[i].type = types.of(type);
      result[i].type_def = type_reference(context_, type);
    }
    return result._retn();
  }
  void members(const CORBA::UnionMemberSeq& members) override {
    change_target([&](access::Definition& d) { d.cases = case_arguments(context_, members, d.type); });
  }
};

class EnumServant : public POA_CORBA::EnumDef, public ContainedPart, public StoredTypePart {
 public:
  explicit EnumServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Enum; }

  CORBA::EnumMemberSeq* members() override {
    access::Definition enumeration = target();
    CORBA::EnumMemberSeq_var result = new CORBA::EnumMemberSeq;
    result->length(static_cast<CORBA::ULong>(enumeration.enumerators.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i) result[i] = enumeration.enumerators[i].c_str();
    return result._retn();
  }
  void members(const CORBA::EnumMemberSeq& members) override {
    change_type([&](access::Definition& d) { d.enumerators = enumerator_arguments(members); });
  }
};

}  // namespace

void install_definition_servants(ServeContext& context) {
  install<ModuleServant>(context, ObjectKind::Module);
  install<InterfaceServant>(context, ObjectKind::Interface);
  install<AbstractInterfaceServant>(context, ObjectKind::AbstractInterface);
  install<OperationServant>(context, ObjectKind::Operation);
  install<AttributeServant>(context, ObjectKind::Attribute);
  install<ConstantServant>(context, ObjectKind::Constant);
  install<ExceptionServant>(context, ObjectKind::Exception);
  install<AliasServant>(context, ObjectKind::Alias);
  install<StructServant>(context, ObjectKind::Struct);
  install<UnionServant>(context, ObjectKind::Union);
  install<EnumServant>(context, ObjectKind::Enum);
}

}  // namespace irstore::serve

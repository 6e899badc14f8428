// irstore-ir-client: a small omniORB client of an Interface Repository, such
// as `irstore serve`. For each repository id it is given, it looks the
// definition up, describes an interface with its operations and attributes
// (inherited ones too), and prints the TypeCode of a type.
//
//   irstore-ir-client -ORBInitRef InterfaceRepository=corbaloc::HOST:PORT/InterfaceRepository ID...
#ifndef ENABLE_CLIENT_IR_SUPPORT
#define ENABLE_CLIENT_IR_SUPPORT  // the Interface Repository's stubs
#endif
#include <omniORB4/CORBA.h>

#include <cstdio>
#include <string>

namespace {

// A TypeCode written the way IDL would spell the type, named types with
// what they are made of (down to `depth` levels).
std::string spelled(CORBA::TypeCode_ptr type, int depth = 2) {
  auto members = [&](const char* keyword, const std::string& after_name = "") {
    std::string text = std::string(keyword) + " " + type->name() + after_name + " {";
    if (depth == 0) return text + " ... }";
    for (CORBA::ULong i = 0; i < type->member_count(); ++i) {
      CORBA::TypeCode_var member = type->member_type(i);
      text += " " + spelled(member, depth - 1) + " " + type->member_name(i) + ";";
    }
    return text + " }";
  };
  switch (type->kind()) {
    case CORBA::tk_void: return "void";
    case CORBA::tk_short: return "short";
    case CORBA::tk_long: return "long";
    case CORBA::tk_longlong: return "long long";
    case CORBA::tk_ushort: return "unsigned short";
    case CORBA::tk_ulong: return "unsigned long";
    case CORBA::tk_ulonglong: return "unsigned long long";
    case CORBA::tk_float: return "float";
    case CORBA::tk_double: return "double";
    case CORBA::tk_boolean: return "boolean";
    case CORBA::tk_char: return "char";
    case CORBA::tk_octet: return "octet";
    case CORBA::tk_any: return "any";
    case CORBA::tk_TypeCode: return "TypeCode";
    case CORBA::tk_string:
      return type->length() ? "string<" + std::to_string(type->length()) + ">" : "string";
    case CORBA::tk_sequence: {
      CORBA::TypeCode_var element = type->content_type();
      std::string bound = type->length() ? ", " + std::to_string(type->length()) : "";
      return "sequence<" + spelled(element, depth) + bound + ">";
    }
    case CORBA::tk_array: {
      CORBA::TypeCode_var element = type->content_type();
      return spelled(element, depth) + "[" + std::to_string(type->length()) + "]";
    }
    case CORBA::tk_alias: {
      CORBA::TypeCode_var original = type->content_type();
      return std::string(type->name()) + " (typedef " + spelled(original, depth) + ")";
    }
    case CORBA::tk_struct: return members("struct");
    case CORBA::tk_except: return members("exception");
    case CORBA::tk_union: {
      CORBA::TypeCode_var discriminator = type->discriminator_type();
      return members("union", " switch (" + spelled(discriminator, 0) + ")");
    }
    case CORBA::tk_enum: {
      std::string text = std::string("enum ") + type->name() + " {";
      for (CORBA::ULong i = 0; i < type->member_count(); ++i) text += std::string(i ? ", " : " ") + type->member_name(i);
      return text + " }";
    }
    case CORBA::tk_objref: return type->name();
    default: return "(TypeCode kind " + std::to_string(static_cast<int>(type->kind())) + ")";
  }
}

const char* mode_word(CORBA::ParameterMode mode) {
  return mode == CORBA::PARAM_OUT ? "out" : mode == CORBA::PARAM_INOUT ? "inout" : "in";
}

void describe_interface(CORBA::InterfaceDef_ptr interface) {
  CORBA::InterfaceDef::FullInterfaceDescription_var full = interface->describe_interface();
  for (CORBA::ULong i = 0; i < full->base_interfaces.length(); ++i) {
    std::printf("  base %s\n", full->base_interfaces[i].in());
  }
  for (CORBA::ULong i = 0; i < full->attributes.length(); ++i) {
    const CORBA::AttributeDescription& attribute = full->attributes[i];
    std::printf("  %sattribute %s %s\n", attribute.mode == CORBA::ATTR_READONLY ? "readonly " : "",
                spelled(attribute.type, 0).c_str(), attribute.name.in());
  }
  for (CORBA::ULong i = 0; i < full->operations.length(); ++i) {
    const CORBA::OperationDescription& operation = full->operations[i];
    std::string line = std::string(operation.mode == CORBA::OP_ONEWAY ? "oneway " : "") +
                       spelled(operation.result, 0) + " " + operation.name.in() + "(";
    for (CORBA::ULong p = 0; p < operation.parameters.length(); ++p) {
      const CORBA::ParameterDescription& parameter = operation.parameters[p];
      line += std::string(p ? ", " : "") + mode_word(parameter.mode) + " " + spelled(parameter.type, 0) + " " +
              parameter.name.in();
    }
    line += ")";
    for (CORBA::ULong e = 0; e < operation.exceptions.length(); ++e) {
      line += std::string(e ? ", " : " raises (") + operation.exceptions[e].name.in();
    }
    if (operation.exceptions.length()) line += ")";
    std::printf("  %s\n", line.c_str());
  }
}

int ask(CORBA::Repository_ptr repository, const char* id) {
  CORBA::Contained_var found = repository->lookup_id(id);
  if (CORBA::is_nil(found)) {
    std::printf("%s: not in the repository\n", id);
    return 1;
  }
  CORBA::String_var name = found->absolute_name();
  CORBA::Contained::Description_var description = found->describe();
  std::printf("%s: %s (definition kind %d)\n", id, name.in(), static_cast<int>(description->kind));
  CORBA::InterfaceDef_var interface = CORBA::InterfaceDef::_narrow(found);
  if (!CORBA::is_nil(interface)) {
    describe_interface(interface);
    return 0;
  }
  CORBA::IDLType_var type = CORBA::IDLType::_narrow(found);
  if (!CORBA::is_nil(type)) {
    CORBA::TypeCode_var code = type->type();
    std::printf("  %s\n", spelled(code).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    CORBA::ORB_var orb = CORBA::ORB_init(argc, argv);
    if (argc < 2) {
      std::fprintf(stderr, "usage: %s -ORBInitRef InterfaceRepository=corbaloc::HOST:PORT/InterfaceRepository ID...\n",
                   argv[0]);
      return 2;
    }
    CORBA::Object_var object = orb->resolve_initial_references("InterfaceRepository");
    CORBA::Repository_var repository = CORBA::Repository::_narrow(object);
    if (CORBA::is_nil(repository)) {
      std::fprintf(stderr, "irstore-ir-client: InterfaceRepository is no Interface Repository\n");
      return 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) status |= ask(repository, argv[i]);
    orb->destroy();
    return status;
  } catch (const CORBA::Exception& e) {
    std::fprintf(stderr, "irstore-ir-client: %s\n", e._name());
    return 1;
  }
}

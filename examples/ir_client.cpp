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

bool is_named(CORBA::TCKind kind) {
  switch (kind) {
    case CORBA::tk_alias:
    case CORBA::tk_struct:
    case CORBA::tk_except:
    case CORBA::tk_union:
    case CORBA::tk_enum:
    case CORBA::tk_objref:
    case CORBA::tk_abstract_interface:
    case CORBA::tk_local_interface:
    case CORBA::tk_value: return true;
    default: return false;
  }
}

// A TypeCode written the way IDL would spell the type; a named type with
// what it is made of down to `depth` levels, below them by its name.
std::string spelled(CORBA::TypeCode_ptr type, int depth = 2) {
  static const char* const kBasic[] = {"null", "void", "short", "long", "unsigned short", "unsigned long", "float",
                                       "double", "boolean", "char", "octet", "any", "TypeCode", "Principal"};
  CORBA::TCKind kind = type->kind();
  if (static_cast<std::size_t>(kind) < std::size(kBasic)) return kBasic[kind];
  if (is_named(kind) && (depth == 0 || kind == CORBA::tk_objref)) return type->name();
  auto members = [&](const std::string& head) {
    std::string text = head + " {";
    for (CORBA::ULong i = 0; i < type->member_count(); ++i) {
      CORBA::TypeCode_var member = type->member_type(i);
      text += " " + spelled(member, depth - 1) + " " + type->member_name(i) + ";";
    }
    return text + " }";
  };
  switch (kind) {
    case CORBA::tk_longlong: return "long long";
    case CORBA::tk_ulonglong: return "unsigned long long";
    case CORBA::tk_wchar: return "wchar";
    case CORBA::tk_string:
    case CORBA::tk_wstring: {
      std::string word = kind == CORBA::tk_string ? "string" : "wstring";
      return type->length() ? word + "<" + std::to_string(type->length()) + ">" : word;
    }
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
      return "typedef " + spelled(original, depth - 1) + " " + type->name();
    }
    case CORBA::tk_struct: return members(std::string("struct ") + type->name());
    case CORBA::tk_except: return members(std::string("exception ") + type->name());
    case CORBA::tk_union: {
      CORBA::TypeCode_var discriminator = type->discriminator_type();
      return members(std::string("union ") + type->name() + " switch (" + spelled(discriminator, 0) + ")");
    }
    case CORBA::tk_enum: {
      std::string text = std::string("enum ") + type->name() + " {";
      for (CORBA::ULong i = 0; i < type->member_count(); ++i) text += std::string(i ? ", " : " ") + type->member_name(i);
      return text + " }";
    }
    default: return is_named(kind) ? type->name() : "(a type of TypeCode kind " + std::to_string(kind) + ")";
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

// Writes one encoded state of every kind of IR object into a directory, as
// seeds for ir_state_fuzzer: the kind's index in its first byte, then the
// encapsulation.
#include <cstdio>
#include <string>

#include <qelorirm/definitions.h>

namespace {

void write_seed(const std::string& directory, int index, CORBA_Contained_Impl* object) {
  EncapIIOP stream(ENCAP_WRITE);
  object->object_to_stream(stream);
  unsigned char* bytes;
  unsigned length;
  stream.access_buffer(bytes, length);
  std::string path = directory + "/kind" + std::to_string(index);
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    unsigned char kind = static_cast<unsigned char>(index);
    std::fwrite(&kind, 1, 1, file);
    std::fwrite(bytes, 1, length, file);
    std::fclose(file);
  }
  CORBA::release(object);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_ir_seeds DIRECTORY\n");
    return 2;
  }
  std::string out = argv[1];
  IRType long_type{"long", {}};
  IRType named{"::M::T", {"IDL:M/T:1.0"}};
  write_seed(out, 0, new CORBA_Repository_Impl());
  write_seed(out, 1, new CORBA_ModuleDef_Impl("M", "IDL:M:1.0"));
  auto* interface = new CORBA_InterfaceDef_Impl("I", "IDL:M/I:1.0");
  interface->base_interfaces = {"IDL:M/B:1.0", "IDL:M/C:1.0"};
  write_seed(out, 2, interface);
  auto* operation = new CORBA_OperationDef_Impl("op", "IDL:M/I/op:1.0");
  operation->result = named;
  operation->parameters = {{"a", long_type, IRParameterMode::In}, {"b", named, IRParameterMode::InOut}};
  operation->exceptions = {"IDL:M/E:1.0"};
  operation->contexts = {"ctx"};
  write_seed(out, 3, operation);
  auto* attribute = new CORBA_AttributeDef_Impl("at", "IDL:M/I/at:1.0");
  attribute->type = named;
  attribute->readonly = true;
  write_seed(out, 4, attribute);
  auto* constant = new CORBA_ConstantDef_Impl("C", "IDL:M/C:1.0");
  constant->type = long_type;
  constant->value = "42";
  write_seed(out, 5, constant);
  auto* exception = new CORBA_ExceptionDef_Impl("E", "IDL:M/E:1.0");
  exception->members = {{"why", {"string", {}}}};
  write_seed(out, 6, exception);
  auto* alias = new CORBA_AliasDef_Impl("T", "IDL:M/T:1.0");
  alias->original_type = {"sequence<long>", {}};
  write_seed(out, 7, alias);
  auto* structure = new CORBA_StructDef_Impl("S", "IDL:M/S:1.0");
  structure->members = {{"x", long_type}, {"t", named}};
  write_seed(out, 8, structure);
  auto* union_def = new CORBA_UnionDef_Impl("U", "IDL:M/U:1.0");
  union_def->discriminator_type = long_type;
  union_def->members = {{"a", "1", long_type}, {"b", "default", named}};
  write_seed(out, 9, union_def);
  auto* enumeration = new CORBA_EnumDef_Impl("E", "IDL:M/Col:1.0");
  enumeration->members = {"red", "green"};
  write_seed(out, 10, enumeration);
  return 0;
}

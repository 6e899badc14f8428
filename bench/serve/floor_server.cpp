#include "floor_server.h"

#include <filesystem>
#include <fstream>

#include <floor.hh>

#include "clients.h"
#include "setup.h"

namespace irstore::serve_bench {

namespace {

class FloorServant : public POA_IrstoreBench::Floor {
 public:
  explicit FloorServant(CORBA::Repository_ptr root) {
    found_ = root->lookup_id(kLookedUp);
    CORBA::Contained_var big = root->lookup_id(kBig);
    description_ = CORBA::InterfaceDef::_narrow(big)->describe_interface();
    CORBA::Contained_var hundred = root->lookup_id(kHundred);
    contents_ = CORBA::ModuleDef::_narrow(hundred)->contents(CORBA::dk_all, false);
    CORBA::Contained_var grow = root->lookup_id(kGrow);
    CORBA::IDLType_var long_type = root->get_primitive(CORBA::pk_long);
    created_ = CORBA::InterfaceDef::_narrow(grow)->create_operation(
        "IDL:Bench/Grow/floor:1.0", "floor", "1.0", long_type, CORBA::OP_NORMAL, created_parameters(long_type),
        CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq());
  }

  CORBA::Contained_ptr lookup_id(const char*) override { return CORBA::Contained::_duplicate(found_); }
  CORBA::InterfaceDef::FullInterfaceDescription* describe_interface() override {
    return new CORBA::InterfaceDef::FullInterfaceDescription(description_.in());
  }
  CORBA::ContainedSeq* contents(CORBA::DefinitionKind, CORBA::Boolean) override {
    return new CORBA::ContainedSeq(contents_.in());
  }
  CORBA::OperationDef_ptr create_operation(const char*, const char*, const char*, CORBA::IDLType_ptr,
                                           CORBA::OperationMode, const CORBA::ParDescriptionSeq&,
                                           const CORBA::ExceptionDefSeq&, const CORBA::ContextIdSeq&) override {
    return CORBA::OperationDef::_duplicate(created_);
  }

 private:
  CORBA::Contained_var found_;
  CORBA::InterfaceDef::FullInterfaceDescription_var description_;
  CORBA::ContainedSeq_var contents_;
  CORBA::OperationDef_var created_;
};

}  // namespace

int run_floor(const std::string& server_ior, const std::string& ior_file) {
  int argc = 1;
  char name[] = "irstore_serve_bench";
  char* argv[] = {name, nullptr};
  CORBA::ORB_var orb = CORBA::ORB_init(argc, argv);
  CORBA::Object_var object = orb->string_to_object(server_ior.c_str());
  CORBA::Repository_var root = CORBA::Repository::_narrow(object);
  CORBA::Object_var poa_object = orb->resolve_initial_references("RootPOA");
  PortableServer::POA_var poa = PortableServer::POA::_narrow(poa_object);
  PortableServer::Servant_var<FloorServant> servant = new FloorServant(root);
  PortableServer::ObjectId_var id = poa->activate_object(servant);
  CORBA::Object_var floor = poa->id_to_reference(id);
  PortableServer::POAManager_var manager = poa->the_POAManager();
  manager->activate();
  CORBA::String_var ior = orb->object_to_string(floor);
  {
    std::ofstream(ior_file + ".partial") << ior.in() << '\n';
  }
  std::filesystem::rename(ior_file + ".partial", ior_file);
  orb->run();  // until SIGTERM ends the process
  return 0;
}

}  // namespace irstore::serve_bench

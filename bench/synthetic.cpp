#include "synthetic.h"

namespace {

class Planner {
 public:
  int add(const std::string& name, CORBA::DefinitionKind kind, int container) {
    std::string path = container < 0 ? name : path_of(container) + "/" + name;
    plan.objects.push_back({"IDL:bench/" + path + ":1.0", name, kind, container, {}, {}});
    return static_cast<int>(plan.objects.size()) - 1;
  }
  std::string path_of(int index) const {
    const std::string& repid = plan.objects[static_cast<std::size_t>(index)].repid;
    return repid.substr(10, repid.size() - 14);  // between "IDL:bench/" and ":1.0"
  }
  PlannedObject& at(int index) { return plan.objects[static_cast<std::size_t>(index)]; }

  Plan plan;
};

}  // namespace

std::string struct_name(int block, int index) {
  return "Record" + std::to_string(block) + "x" + std::to_string(index);
}

Plan make_plan(int objects, int victims) {
  Planner p;
  int blocks = objects / 100 > 0 ? objects / 100 : 1;
  for (int b = 0; b < blocks; ++b) {
    Block block{};
    block.module = p.add("Module" + std::to_string(b), CORBA::dk_Module, -1);
    int exceptions[4];
    for (int s = 0; s < 5; ++s) block.structs[s] = p.add(struct_name(b, s), CORBA::dk_Struct, block.module);
    for (int e = 0; e < 4; ++e) exceptions[e] = p.add("Failure" + std::to_string(e), CORBA::dk_Exception, block.module);
    for (int i = 0; i < 10; ++i) {
      int interface = p.add("Service" + std::to_string(i), CORBA::dk_Interface, block.module);
      block.interfaces[i] = interface;
      if (i >= 1) p.at(interface).bases.push_back(block.interfaces[i - 1]);
      if (i >= 2 && i % 2 == 0) p.at(interface).bases.push_back(block.interfaces[i - 2]);
      int alias = p.add("Sequence", CORBA::dk_Alias, interface);
      p.at(alias).references.push_back(block.structs[i % 5]);
      for (int o = 0; o < 5; ++o) {
        int operation = p.add("op" + std::to_string(o), CORBA::dk_Operation, interface);
        p.at(operation).references = {block.structs[(i + o) % 5], exceptions[o % 4]};
      }
      for (int a = 0; a < 2; ++a) {
        int attribute = p.add("attribute" + std::to_string(a), CORBA::dk_Attribute, interface);
        p.at(attribute).references.push_back(alias);
      }
    }
    p.plan.blocks.push_back(block);
  }
  for (int v = 0; v < victims; ++v) {
    int module = p.add("Victim" + std::to_string(v), CORBA::dk_Module, -1);
    p.plan.victims.push_back(module);
    int record = p.add("Data", CORBA::dk_Struct, module);
    for (int i = 0; i < 2; ++i) {
      int interface = p.add("Target" + std::to_string(i), CORBA::dk_Interface, module);
      for (int o = 0; o < 3; ++o) {
        int operation = p.add("call" + std::to_string(o), CORBA::dk_Operation, interface);
        p.at(operation).references.push_back(record);
      }
    }
  }
  return p.plan;
}

#include "synthetic.h"

namespace {

// Offsets inside a block: the module, five structs, four exceptions, then
// ten interfaces of nine objects (interface, typedef, five operations, two
// attributes).
constexpr int kStructs = 1;
constexpr int kExceptions = 6;
constexpr int kInterfaces = 10;
constexpr int kPerInterface = 9;

std::string repid_of(const std::string& path) { return "IDL:bench/" + path + ":1.0"; }

}  // namespace

std::string struct_name(int block, int index) {
  return "Record" + std::to_string(block) + "x" + std::to_string(index);
}

Plan::Plan(int objects, int victims)
    : blocks_(objects / kBlockSize > 0 ? objects / kBlockSize : 1), victims_(victims) {}

Block Plan::block(int b) const {
  Block block{};
  int base = b * kBlockSize;
  block.module = base;
  for (int s = 0; s < 5; ++s) block.structs[s] = base + kStructs + s;
  for (int k = 0; k < 10; ++k) block.interfaces[k] = base + kInterfaces + kPerInterface * k;
  return block;
}

std::vector<int> Plan::victims() const {
  std::vector<int> modules;
  for (int v = 0; v < victims_; ++v) modules.push_back(blocks_ * kBlockSize + v * kVictimSize);
  return modules;
}

PlannedObject Plan::object(int index) const {
  if (index < blocks_ * kBlockSize) return block_object(index / kBlockSize, index % kBlockSize);
  int rest = index - blocks_ * kBlockSize;
  return victim_object(rest / kVictimSize, rest % kVictimSize);
}

PlannedObject Plan::block_object(int b, int offset) const {
  Block block = this->block(b);
  std::string module = "Module" + std::to_string(b);
  if (offset == 0) return {repid_of(module), module, CORBA::dk_Module, -1, {}, {}};
  if (offset < kExceptions) {
    std::string name = struct_name(b, offset - kStructs);
    return {repid_of(module + "/" + name), name, CORBA::dk_Struct, block.module, {}, {}};
  }
  if (offset < kInterfaces) {
    std::string name = "Failure" + std::to_string(offset - kExceptions);
    return {repid_of(module + "/" + name), name, CORBA::dk_Exception, block.module, {}, {}};
  }
  int k = (offset - kInterfaces) / kPerInterface;
  int member = (offset - kInterfaces) % kPerInterface;
  int interface = block.interfaces[k];
  std::string path = module + "/Service" + std::to_string(k);
  if (member == 0) {
    std::vector<int> bases;
    if (k >= 1) bases.push_back(block.interfaces[k - 1]);
    if (k >= 2 && k % 2 == 0) bases.push_back(block.interfaces[k - 2]);
    return {repid_of(path), "Service" + std::to_string(k), CORBA::dk_Interface, block.module, bases, {}};
  }
  if (member == 1) {
    return {repid_of(path + "/Sequence"), "Sequence", CORBA::dk_Alias, interface, {}, {block.structs[k % 5]}};
  }
  if (member < 7) {
    int o = member - 2;
    std::string name = "op" + std::to_string(o);
    int exception = b * kBlockSize + kExceptions + o % 4;
    return {repid_of(path + "/" + name), name, CORBA::dk_Operation, interface, {},
            {block.structs[(k + o) % 5], exception}};
  }
  std::string name = "attribute" + std::to_string(member - 7);
  return {repid_of(path + "/" + name), name, CORBA::dk_Attribute, interface, {}, {interface + 1}};
}

PlannedObject Plan::victim_object(int v, int offset) const {
  int module = blocks_ * kBlockSize + v * kVictimSize;
  std::string path = "Victim" + std::to_string(v);
  if (offset == 0) return {repid_of(path), path, CORBA::dk_Module, -1, {}, {}};
  if (offset == 1) return {repid_of(path + "/Data"), "Data", CORBA::dk_Struct, module, {}, {}};
  int i = (offset - 2) / 4, member = (offset - 2) % 4;
  int interface = module + 2 + 4 * i;
  std::string target = path + "/Target" + std::to_string(i);
  if (member == 0) return {repid_of(target), "Target" + std::to_string(i), CORBA::dk_Interface, module, {}, {}};
  std::string name = "call" + std::to_string(member - 1);
  return {repid_of(target + "/" + name), name, CORBA::dk_Operation, interface, {}, {module + 1}};
}

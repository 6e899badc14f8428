// Synthetic repositories shaped like real IDL: modules holding interfaces
// with single and multiple inheritance, operations, attributes, typedefs,
// structs and exceptions, and references from operations and attributes to
// the types they use. Built in blocks of 100 objects, so that every
// workload's answer has the same size whatever the repository's size.
#pragma once

#include <string>
#include <vector>

#include <qelororm/corba.h>

struct PlannedObject {
  std::string repid;
  std::string name;
  CORBA::DefinitionKind kind;
  int container;                // index into the plan; -1: the root repository
  std::vector<int> bases;       // interfaces only
  std::vector<int> references;  // the types it uses
};

// One block: a module with ten interfaces forming a chain (I1 derives from
// I0, ..., I9 from I8; the even ones also from the one two before), each
// with five operations, two attributes and a typedef; five structs and four
// exceptions in the module.
struct Block {
  int module;
  int interfaces[10];
  int structs[5];
};

struct Plan {
  std::vector<PlannedObject> objects;
  std::vector<Block> blocks;
  // Small modules destroyed one by one by the destroy workload.
  std::vector<int> victims;
};

// About `objects` objects (a multiple of 100), plus `victims` small modules.
Plan make_plan(int objects, int victims);

// The simple name of a planned struct: unique in the repository.
std::string struct_name(int block, int index);

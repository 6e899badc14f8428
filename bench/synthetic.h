// Synthetic repositories shaped like real IDL: modules holding interfaces
// with single and multiple inheritance, operations, attributes, typedefs,
// structs and exceptions, and references from operations and attributes to
// the types they use. Built of blocks of 100 objects, so that every
// workload's answer has the same size whatever the repository's size.
//
// The plan is computed, not stored: object i is derived from i alone, so
// that the benchmark's own memory does not grow with the repository.
#pragma once

#include <string>
#include <vector>

#include <qelororm/corba.h>

struct PlannedObject {
  std::string repid;
  std::string name;
  CORBA::DefinitionKind kind;
  int container;                // index of the container; -1: the root repository
  std::vector<int> bases;       // interfaces only, in declaration order
  std::vector<int> references;  // the types it uses
};

// One block: a module with five structs, four exceptions and ten interfaces
// forming a chain (I1 derives from I0, ..., I9 from I8; the even ones also
// from the one two before), each with a typedef, five operations and two
// attributes.
struct Block {
  int module;
  int interfaces[10];
  int structs[5];
};

class Plan {
 public:
  // About `objects` objects (whole blocks of 100), then `victims` small
  // modules of 10 objects for the destroy workload.
  Plan(int objects, int victims);

  int size() const { return blocks_ * kBlockSize + victims_ * kVictimSize; }
  int blocks() const { return blocks_; }
  Block block(int b) const;
  PlannedObject object(int index) const;
  std::vector<int> victims() const;

  static constexpr int kBlockSize = 100;
  static constexpr int kVictimSize = 10;

 private:
  PlannedObject block_object(int b, int offset) const;
  PlannedObject victim_object(int v, int offset) const;

  int blocks_;
  int victims_;
};

// The simple name of a planned struct: unique in the repository.
std::string struct_name(int block, int index);

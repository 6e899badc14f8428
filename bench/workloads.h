// The workloads the benchmark measures, in the order it runs them, and the
// operands each one works on: the same, from the same seed, for the store,
// the engine floor and the in-memory maps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "synthetic.h"

enum class Workload {
  kCreate,
  kObjectFromId,
  kContents,
  kLookupName1,
  kLookupNameAll,
  kFindObjectsGlobal,
  kFindObjectsScoped,
  kInheritsFrom,
  kAddToBucket,
  kRemoveFromBucket,
  kDestroyModule,
  kUpdateRepositoryId,
  kContentsWide,  // contents of one module holding as many members as the size
  kSetup,  // work that is not measured (relations of the build, commits)
};

inline constexpr Workload kMeasured[] = {
    Workload::kCreate,           Workload::kObjectFromId,       Workload::kContents,
    Workload::kLookupName1,      Workload::kLookupNameAll,      Workload::kFindObjectsGlobal,
    Workload::kFindObjectsScoped, Workload::kInheritsFrom,      Workload::kAddToBucket,
    Workload::kRemoveFromBucket, Workload::kDestroyModule,      Workload::kUpdateRepositoryId,
    Workload::kContentsWide};

const char* workload_name(Workload workload);

// Whether the workload's answer grows with the repository: only that of
// contents_wide does (the synthetic blocks keep every other answer the same
// size). Such a workload is to grow linearly.
bool answer_grows(Workload workload);

// Whether the workload is a point operation (one object or one row).
bool is_point_operation(Workload workload);

// The operands of every measured workload but create and destroy: indexes
// into the plan (objects or blocks), drawn from a fixed seed.
struct Operands {
  std::vector<int> objects;   // object_from_id
  std::vector<int> blocks;    // contents, lookups, finds, inherits_from, relations, id changes
};
Operands operands_for(const Plan& plan, Workload workload);

// The relation and repository-id workloads change what they touch, so each
// of their operands is a target of its own, used once: for the relation
// workloads a struct and an interface of a block (the struct is put into
// the interface, then taken out), for the id workload an interface.
struct Target {
  int block;
  int structure;  // 0 to 4
  int interface;  // 0 to 9
};
Target target_of(Workload workload, int operand);

// The name a lookup or search looks for.
inline const char* kLookupOne = "op2";
inline const char* kLookupAll = "op3";
inline const char* kScopedName = "op1";
// The repository id an interface gets in the repository-id workload.
std::string changed_repid(const std::string& repid);

#include "workloads.h"

#include <algorithm>
#include <random>

const char* workload_name(Workload workload) {
  switch (workload) {
    case Workload::kCreate: return "create";
    case Workload::kObjectFromId: return "object_from_id";
    case Workload::kContents: return "contents";
    case Workload::kLookupName1: return "lookup_name_1";
    case Workload::kLookupNameAll: return "lookup_name_all";
    case Workload::kFindObjectsGlobal: return "find_objects_global";
    case Workload::kFindObjectsScoped: return "find_objects_scoped";
    case Workload::kInheritsFrom: return "inherits_from";
    case Workload::kAddToBucket: return "add_to_bucket";
    case Workload::kRemoveFromBucket: return "remove_from_bucket";
    case Workload::kDestroyModule: return "destroy_module";
    case Workload::kUpdateRepositoryId: return "update_repository_id";
    case Workload::kContentsWide: return "contents_wide";
    case Workload::kSetup: return "setup";
  }
  return "?";
}

bool answer_grows(Workload workload) { return workload == Workload::kContentsWide; }

bool is_point_operation(Workload workload) {
  switch (workload) {
    case Workload::kCreate:
    case Workload::kObjectFromId:
    case Workload::kLookupName1:
    case Workload::kAddToBucket:
    case Workload::kRemoveFromBucket:
      return true;
    default:
      return false;
  }
}

namespace {

// How many times each workload runs, whatever the repository's size.
int repetitions(Workload workload) {
  switch (workload) {
    case Workload::kObjectFromId: return 2000;
    case Workload::kInheritsFrom: return 1000;
    case Workload::kContents:
    case Workload::kLookupName1:
    case Workload::kFindObjectsGlobal:
    case Workload::kAddToBucket:
    case Workload::kRemoveFromBucket: return 500;
    case Workload::kLookupNameAll:
    case Workload::kFindObjectsScoped:
    case Workload::kUpdateRepositoryId: return 200;
    default: return 0;
  }
}

// How many targets of its own a block offers a workload that changes what
// it touches; 0 for the others.
int targets_per_block(Workload workload) {
  switch (workload) {
    case Workload::kAddToBucket:
    case Workload::kRemoveFromBucket: return 5 * 10;
    case Workload::kUpdateRepositoryId: return 10;
    default: return 0;
  }
}

}  // namespace

Target target_of(Workload workload, int operand) {
  int per_block = targets_per_block(workload);
  int slot = operand % per_block;
  if (workload == Workload::kUpdateRepositoryId) return {operand / per_block, 0, slot};
  return {operand / per_block, slot / 10, slot % 10};
}

Operands operands_for(const Plan& plan, Workload workload) {
  std::mt19937 random(static_cast<unsigned>(workload) * 7919u + 17u);
  Operands operands;
  int count = repetitions(workload);
  if (workload == Workload::kObjectFromId) {
    std::uniform_int_distribution<int> pick(0, static_cast<int>(static_cast<std::size_t>(plan.size())) - 1);
    for (int i = 0; i < count; ++i) operands.objects.push_back(pick(random));
    return operands;
  }
  int blocks = static_cast<int>(plan.blocks());
  if (int per_block = targets_per_block(workload)) {
    // Each target at most once, from blocks all over the repository.
    std::vector<int> all(static_cast<std::size_t>(blocks * per_block));
    for (std::size_t t = 0; t < all.size(); ++t) all[t] = static_cast<int>(t);
    std::shuffle(all.begin(), all.end(), std::mt19937(42));
    all.resize(std::min<std::size_t>(all.size(), static_cast<std::size_t>(count)));
    operands.blocks = all;
    return operands;
  }
  std::uniform_int_distribution<int> pick(0, blocks - 1);
  for (int i = 0; i < count; ++i) operands.blocks.push_back(pick(random));
  return operands;
}

std::string changed_repid(const std::string& repid) { return repid.substr(0, repid.size() - 4) + ":2.0"; }

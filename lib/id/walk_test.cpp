// The relation walk over chains, cycles and diamonds, with level limits and
// targets; the work set it uses as its visited set is empty afterwards.
#include <algorithm>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class Walk : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Root", "Middle", "Leaf", "Alpha", "Beta", "Top", "Left", "Right", "Bottom", "Lone"}) {
      build.define<CORBA_InterfaceDef_Impl>(name, repid(name));
    }
    build.inherit(repid("Leaf"), repid("Middle"));
    build.inherit(repid("Middle"), repid("Root"));
    build.inherit(repid("Alpha"), repid("Beta"));
    build.inherit(repid("Beta"), repid("Alpha"));
    build.inherit(repid("Bottom"), repid("Left"));
    build.inherit(repid("Bottom"), repid("Right"));
    build.inherit(repid("Left"), repid("Top"));
    build.inherit(repid("Right"), repid("Top"));
  }
  static std::string repid(const std::string& name) { return "IDL:" + name + ":1.0"; }
  static std::string iid(const std::string& name) { return iid_of(repid(name)); }
  // IIDs of the named interfaces, in ascending order as the walk gives them.
  static std::vector<std::string> sorted(std::initializer_list<const char*> names) {
    std::vector<std::string> iids;
    for (const char* name : names) iids.push_back(iid(name));
    std::sort(iids.begin(), iids.end());
    return iids;
  }
  // The walk over IRINHER towards base interfaces.
  std::vector<std::string> bases(const std::string& start, int levels, const char* target = nullptr) {
    IIDOctets from = iid_octets(iid(start));
    IIDOctets to = iid_octets(target ? iid(target) : "");
    std::vector<std::string> result = iids_of(IRDBInternals::walk(store, &from, levels, false, true, false,
                                                                  false, true, false, target ? &to : nullptr));
    EXPECT_TRUE(work_set_empty());
    return result;
  }
  bool work_set_empty() {
    IRWorkTable work(nullptr, &store);
    return iids_of(work.list_all(nullptr, false)).empty();
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
};

TEST_F(Walk, AChainIsWalkedLevelByLevel) {
  EXPECT_EQ(bases("Leaf", -1), sorted({"Root", "Middle"}));
  EXPECT_EQ(bases("Leaf", 1), sorted({"Middle"}));
  EXPECT_EQ(bases("Leaf", 2), sorted({"Root", "Middle"}));
  EXPECT_TRUE(bases("Leaf", 0).empty());
  EXPECT_TRUE(bases("Root", -1).empty());
}

TEST_F(Walk, ATargetStopsTheWalkAndTheStartCountsOnlyThroughACycle) {
  EXPECT_EQ(bases("Leaf", -1, "Root"), std::vector<std::string>{iid("Leaf")});
  EXPECT_EQ(bases("Leaf", -1, "Middle"), std::vector<std::string>{iid("Leaf")});
  EXPECT_TRUE(bases("Leaf", -1, "Leaf").empty());
  EXPECT_TRUE(bases("Leaf", 1, "Root").empty());  // one level does not reach it
  EXPECT_TRUE(bases("Leaf", 0, "Middle").empty());
  EXPECT_TRUE(bases("Root", -1, "Leaf").empty());
}

TEST_F(Walk, ACycleEndsAndComesBackToItsStart) {
  EXPECT_EQ(bases("Alpha", -1), sorted({"Alpha", "Beta"}));
  EXPECT_EQ(bases("Alpha", -1, "Alpha"), std::vector<std::string>{iid("Alpha")});
}

TEST_F(Walk, ADiamondListsItsTopOnce) {
  EXPECT_EQ(bases("Bottom", -1), sorted({"Left", "Right", "Top"}));
}

TEST_F(Walk, TheOtherDirectionAndOtherTablesAreFollowedAsAsked) {
  IIDOctets top = iid_octets(iid("Top"));
  EXPECT_EQ(iids_of(IRDBInternals::walk(store, &top, -1, false, true, false, false, false, false)),
            sorted({"Left", "Right", "Bottom"}));
  // The root repository contains every interface, one level down.
  IIDOctets root = iid_octets(iid_of(CORBA_Repository_Impl::kRepositoryId));
  EXPECT_EQ(iids_of(IRDBInternals::walk(store, &root, 1, false, false, true, false, false, true)).size(), 10u);
  IIDOctets lone = iid_octets(iid("Lone"));
  EXPECT_TRUE(iids_of(IRDBInternals::walk(store, &lone, -1, true, true, true, false, false, true)).empty());
  IIDOctets nothing = iid_octets(iid("Nothing"));
  EXPECT_TRUE(iids_of(IRDBInternals::walk(store, &nothing, -1, true, true, true, true, true, true)).empty());
  EXPECT_TRUE(work_set_empty());
}

TEST_F(Walk, AFailedWalkLeavesTheWorkSetEmpty) {
  IIDOctets leaf = iid_octets(iid("Leaf"));
  long before = tarn_statement_count();
  delete IRDBInternals::walk(store, &leaf, 1, false, true, false, false, true, false);
  long first_level = tarn_statement_count() - before;
  // Fail a query of the second level, after the first level's IIDs are in the set.
  tarn_fail_statement(static_cast<int>(first_level) + 1, TARN_SQL_DISK_FULL);
  EXPECT_THROW(delete IRDBInternals::walk(store, &leaf, -1, false, true, false, false, true, false),
               IRStore::Unrecoverable);
  EXPECT_TRUE(work_set_empty());
}

}  // namespace

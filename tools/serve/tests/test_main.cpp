// The server tests' main: the shared repository and its server stop when
// the tests end, before anything static goes.
#include <gtest/gtest.h>

#include "served_repository.h"

namespace {

class SharedRepositoryEnvironment : public testing::Environment {
 public:
  void TearDown() override { ServedRepository::release_shared(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new SharedRepositoryEnvironment);
  return RUN_ALL_TESTS();
}

#include "descriptors/invariant.h"

#include <gtest/gtest.h>

namespace {

using namespace vexlor;

TEST(DescriptorsInvariantDeathTest, NamesTheBrokenConditionAndItsSource) {
  EXPECT_DEATH(DESCRIPTORS_INVARIANT(1 + 1 == 3),
               "invariant_test\\.cpp:[0-9]+: Assertion `1 \\+ 1 == 3' failed\\.");
}

TEST(DescriptorsInvariantDeathTest, StaysQuietWhileTheConditionHolds) {
  int evaluations = 0;
  DESCRIPTORS_INVARIANT(++evaluations == 1);
  EXPECT_EQ(evaluations, 1);
}

}  // namespace

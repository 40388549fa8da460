// The progress line vexlor-batch shows on a terminal.

#include "batch/progress.h"

#include <gtest/gtest.h>

namespace {

using namespace vexlor;

TEST(Progress, LineTellsDoneRateAndTimeLeft) {
  EXPECT_EQ(Progress::Line(250, 3, 1000, 2.0),
            "250/1000 icons (25%), 3 bad, 125 icons/s, 0:00:06 left");
  EXPECT_EQ(Progress::Line(7200, 0, 36000, 1.0),
            "7200/36000 icons (20%), 0 bad, 7200 icons/s, 0:00:04 left");
  EXPECT_EQ(Progress::Line(10, 0, 100000, 1.0),
            "10/100000 icons (0%), 0 bad, 10 icons/s, 2:46:39 left");
  EXPECT_EQ(Progress::Line(42, 1, -1, 2.0), "42 icons, 1 bad, 21 icons/s");
}

}  // namespace

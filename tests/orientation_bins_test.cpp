#include "descriptors/orientation_bins.h"

#include <cmath>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

namespace {

using namespace vexlor;

TEST(WholeDegrees, MovesByPiWrapsAndTruncates) {
  EXPECT_EQ(WholeDegrees(0.0f), 180u);
  EXPECT_EQ(WholeDegrees(static_cast<float>(-CV_PI)), 359u) << "float -pi is below -CV_PI";
  EXPECT_EQ(WholeDegrees(static_cast<float>(CV_PI)), 0u) << "float pi is above CV_PI";
  EXPECT_EQ(WholeDegrees(static_cast<float>(CV_PI / 2)), 270u);
  EXPECT_EQ(WholeDegrees(static_cast<float>(-CV_PI / 2)), 89u);
  EXPECT_EQ(WholeDegrees(-3.0f * static_cast<float>(CV_PI)), 359u) << "wraps more than once";
}

TEST(GradientDegrees, AgreesWithTheStoredOrientationForEveryDifference) {
  for (int dy = -255; dy <= 255; ++dy)
    for (int dx = -255; dx <= 255; ++dx) {
      double theta = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
      if (theta == CV_PI) theta = -CV_PI;
      const std::uint32_t expected = WholeDegrees(static_cast<float>(theta));
      ASSERT_EQ(GradientDegrees(dx, dy), expected) << dx << ", " << dy;
      ASSERT_EQ(GradientDegrees(dx, dy), expected) << "memoised " << dx << ", " << dy;
    }
}

TEST(ShareOfDegrees, SplitsEachVoteBetweenABinAndTheNext) {
  EXPECT_EQ(ShareOfDegrees(0).bin, 0u);
  EXPECT_EQ(ShareOfDegrees(0).keep, 1.0);
  EXPECT_EQ(ShareOfDegrees(44).bin, 0u);
  EXPECT_EQ(ShareOfDegrees(45).bin, 1u);
  EXPECT_EQ(ShareOfDegrees(359).bin, 7u);
  EXPECT_EQ(ShareOfDegrees(359).nextBin, 0u);
  EXPECT_EQ(ShareOfDegrees(359).pass, 359 / 45.0 - 7);
  EXPECT_EQ(ShareOfDegrees(89).keep, 1 - (89 / 45.0 - 1));
  for (std::uint32_t d = 0; d < 360; ++d) {
    EXPECT_EQ(ShareOfDegrees(d).bin, d / 45);
    EXPECT_EQ(ShareOfDegrees(d).nextBin, (d / 45 + 1) % 8);
  }
}

}  // namespace

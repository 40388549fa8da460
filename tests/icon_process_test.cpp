#include "vexlor/icon.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "tests/test_support.h"

namespace {

using namespace vexlor;

// A small icon whose every pixel differs, so that blurs and scalings show.
cv::Mat PatternIcon() {
  cv::Mat icon(5, 7, CV_8UC3);
  for (int y = 0; y < icon.rows; ++y)
    for (int x = 0; x < icon.cols; ++x)
      icon.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(y * 40 + x),
                                           static_cast<uchar>(255 - x * 30),
                                           static_cast<uchar>((x * y * 17) % 256));
  return icon;
}

bool SamePixels(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() &&
         cv::countNonZero(a.reshape(1) != b.reshape(1)) == 0;
}

TEST(IconProcess, LeavesTheIconAloneWithoutBlurAndWithUnitFactors) {
  cv::Mat icon = PatternIcon();
  const cv::Mat original = icon.clone();
  const uchar* buffer = icon.data;
  const double c[3] = {1.0, 1.0, 1.0};
  IconProcess(icon, Distortion{.blur = 0, .red = c[2], .green = c[1], .blue = c[0]});
  EXPECT_TRUE(SamePixels(icon, original));
  EXPECT_EQ(icon.data, buffer) << "the icon stays the same object";
}

TEST(IconProcess, BlursWithTheDerivedSigmaAndReplicatedBorder) {
  for (int blur : {1, 2, 3}) {
    cv::Mat icon = PatternIcon();
    cv::Mat expected;
    const int aperture = 2 * blur + 1;
    cv::GaussianBlur(icon, expected, cv::Size(aperture, aperture), 0, 0,
                     cv::BORDER_REPLICATE);
    const double c[3] = {1.0, 1.0, 1.0};
    IconProcess(icon, Distortion{.blur = blur, .red = c[2], .green = c[1], .blue = c[0]});
    EXPECT_TRUE(SamePixels(icon, expected)) << "blur " << blur;
  }
}

TEST(IconProcess, BlurOfAFlatIconKeepsItFlatUpToTheEdges) {
  // Replicated border: a flat icon has nothing darker beyond its edge.
  cv::Mat icon = SolidIcon(4, 4, cv::Vec3b(200, 100, 50));
  const double c[3] = {1.0, 1.0, 1.0};
  IconProcess(icon, Distortion{.blur = 3, .red = c[2], .green = c[1], .blue = c[0]});
  EXPECT_TRUE(SamePixels(icon, SolidIcon(4, 4, cv::Vec3b(200, 100, 50))));
}

TEST(IconProcess, ScalesEachChannelWithRoundingAndSaturation) {
  cv::Mat icon = SolidIcon(2, 2, cv::Vec3b(255, 100, 200));
  icon.at<cv::Vec3b>(1, 1) = cv::Vec3b(100, 255, 0);
  const double c[3] = {0.5, 0.5, 2.0};  // blue, green, red
  IconProcess(icon, Distortion{.blur = 0, .red = c[2], .green = c[1], .blue = c[0]});
  EXPECT_EQ(icon.at<cv::Vec3b>(0, 0), cv::Vec3b(128, 50, 255));
  EXPECT_EQ(icon.at<cv::Vec3b>(1, 1), cv::Vec3b(50, 128, 0));
}

TEST(IconProcess, ZeroOrNegativeFactorsBlankOnlyTheirChannel) {
  for (double green : {0.0, -1.0, -1e300}) {
    cv::Mat icon = SolidIcon(3, 3, cv::Vec3b(10, 20, 30));
    const double c[3] = {1.0, green, 1.0};
    IconProcess(icon, Distortion{.blur = 0, .red = c[2], .green = c[1], .blue = c[0]});
    EXPECT_EQ(icon.at<cv::Vec3b>(2, 2), cv::Vec3b(10, 0, 30)) << green;
  }
}

TEST(IconProcess, HugeFactorsSaturateInsteadOfWrapping) {
  for (double red : {300.0, 1e10, 1e300, std::numeric_limits<double>::infinity()}) {
    cv::Mat icon = SolidIcon(1, 40, cv::Vec3b(1, 2, 1));
    icon.at<cv::Vec3b>(0, 5) = cv::Vec3b(0, 0, 0);
    const double c[3] = {1.0, 1.0, red};
    IconProcess(icon, Distortion{.blur = 0, .red = c[2], .green = c[1], .blue = c[0]});
    EXPECT_EQ(icon.at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 255)) << red;
    EXPECT_EQ(icon.at<cv::Vec3b>(0, 39), cv::Vec3b(1, 2, 255)) << red;
    EXPECT_EQ(icon.at<cv::Vec3b>(0, 5), cv::Vec3b(0, 0, 0)) << "0 stays 0";
  }
}

TEST(IconProcess, ANanFactorCountsAsNotOne) {
  cv::Mat icon = SolidIcon(2, 2, cv::Vec3b(10, 20, 30));
  const double c[3] = {1.0, std::nan(""), 1.0};
  IconProcess(icon, Distortion{.blur = 0, .red = c[2], .green = c[1], .blue = c[0]});
  EXPECT_EQ(icon.at<cv::Vec3b>(0, 0), cv::Vec3b(10, 0, 30));
}

TEST(IconProcess, ScalesTheBlurredValues) {
  cv::Mat icon = PatternIcon();
  cv::Mat expected;
  cv::GaussianBlur(icon, expected, cv::Size(3, 3), 0, 0, cv::BORDER_REPLICATE);
  expected.convertTo(expected, CV_8U, 0.5);
  const double c[3] = {0.5, 0.5, 0.5};
  IconProcess(icon, Distortion{.blur = 1, .red = c[2], .green = c[1], .blue = c[0]});
  EXPECT_TRUE(SamePixels(icon, expected));
}

}  // namespace

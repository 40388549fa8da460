#include "opencv/gradient_maps.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

using namespace vexlor;

// A Lab image whose L plane is `l` everywhere and whose a and b are neutral.
cv::Mat FlatLab(uchar l) { return cv::Mat(62, 62, CV_8UC3, cv::Scalar(l, 128, 128)); }

void SetL(cv::Mat& lab, int row, int col, uchar l) { lab.at<cv::Vec3b>(row, col)[0] = l; }

TEST(GradientMaps, FlatLightnessGivesZeroMagnitudeAndPositiveZeroOrientation) {
  const GradientMaps maps = ComputeGradientMaps(FlatLab(77));
  ASSERT_EQ(maps.magnitude.size(), cv::Size(63, 63));
  ASSERT_EQ(maps.orientation.size(), cv::Size(63, 63));
  for (int y = 0; y < 63; ++y)
    for (int x = 0; x < 63; ++x) {
      EXPECT_EQ(maps.magnitude.at<float>(y, x), 0.0f);
      EXPECT_FALSE(std::signbit(maps.orientation.at<float>(y, x)));
    }
}

TEST(GradientMaps, CentralDifferencesGiveMagnitudeAndOrientation) {
  cv::Mat lab = FlatLab(0);
  SetL(lab, 10, 21, 3);  // right neighbour of (10, 20)
  SetL(lab, 11, 20, 4);  // lower neighbour of (10, 20)
  const GradientMaps maps = ComputeGradientMaps(lab);
  EXPECT_EQ(maps.magnitude.at<float>(10, 20), 5.0f);
  EXPECT_EQ(maps.orientation.at<float>(10, 20),
            static_cast<float>(std::atan2(4.0, 3.0)));
}

TEST(GradientMaps, GradientPointingLeftIsMinusPiNeverPlusPi) {
  cv::Mat lab = FlatLab(0);
  SetL(lab, 30, 29, 200);  // left neighbour of (30, 30) is lighter
  const GradientMaps maps = ComputeGradientMaps(lab);
  EXPECT_EQ(maps.orientation.at<float>(30, 30), static_cast<float>(-CV_PI));
  EXPECT_EQ(maps.magnitude.at<float>(30, 30), 200.0f);
  for (int y = 0; y < 63; ++y)
    for (int x = 0; x < 63; ++x)
      EXPECT_LT(maps.orientation.at<float>(y, x), static_cast<float>(CV_PI));
}

TEST(GradientMaps, LighterBelowIsPlusHalfPi) {
  cv::Mat lab = FlatLab(100);
  SetL(lab, 31, 30, 101);
  const GradientMaps maps = ComputeGradientMaps(lab);
  EXPECT_EQ(maps.orientation.at<float>(30, 30), static_cast<float>(CV_PI / 2));
  EXPECT_EQ(maps.magnitude.at<float>(30, 30), 1.0f);
}

TEST(GradientMaps, OnlyTheWorkingAreaHoldsValues) {
  cv::Mat lab(62, 62, CV_8UC3);
  cv::randu(lab, cv::Scalar::all(0), cv::Scalar::all(256));
  const GradientMaps maps = ComputeGradientMaps(lab);
  for (int i = 0; i < 63; ++i)
    for (int edge : {0, 61, 62}) {
      EXPECT_EQ(maps.magnitude.at<float>(edge, i), 0.0f);
      EXPECT_EQ(maps.magnitude.at<float>(i, edge), 0.0f);
      EXPECT_EQ(maps.orientation.at<float>(edge, i), 0.0f);
      EXPECT_EQ(maps.orientation.at<float>(i, edge), 0.0f);
    }
  // The outer ring of the icon enters only as neighbours.
  cv::Mat ring = lab.clone();
  ring.row(0).setTo(cv::Scalar::all(0));
  EXPECT_NE(cv::countNonZero(ComputeGradientMaps(ring).magnitude !=
                             maps.magnitude),
            0);
  EXPECT_EQ(Region, cv::Rect(1, 1, 60, 60));
}

}  // namespace

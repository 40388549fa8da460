#include "vexlor/descriptors.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "opencv/gradient_maps.h"
#include "opencv/lab_icon.h"
#include "opencv/working_images_measure.h"
#include "tests/test_support.h"

namespace {

using namespace vexlor;

const cv::Vec3b kBlack(0, 0, 0);
const cv::Vec3b kWhite(255, 255, 255);

// Orientation entry of cell `cell` (1..12), bin `bin`.
std::uint32_t OrientationIndex(std::uint32_t cell, std::uint32_t bin) {
  return (cell - 1) * 8 + bin;
}
// Lab sum `sum` (0..5: L+, L-, a+, a-, b+, b-) of cell `cell`.
std::uint32_t LabIndex(std::uint32_t cell, std::uint32_t sum) {
  return 96 + (cell - 1) * 6 + sum;
}

// A 62 x 62 icon split into two halves at row or column 31: `first` above or
// left of it, `second` from it on. The only gradients lie in map rows (or
// columns) 30 and 31, which are working-area rows 29 and 30: the last of row
// block 1 and the first of row block 2 (likewise for columns).
cv::Mat HalvesIcon(bool splitColumns, cv::Vec3b first, cv::Vec3b second) {
  cv::Mat icon = SolidIcon(62, 62, second);
  if (splitColumns)
    icon(cv::Rect(0, 0, 31, 62)).setTo(cv::Scalar(first[0], first[1], first[2]));
  else
    icon(cv::Rect(0, 0, 62, 31)).setTo(cv::Scalar(first[0], first[1], first[2]));
  return icon;
}

// Working images made by hand: a flat grey Lab icon and gradient maps that
// are zero but for the pixels a test sets (working-area coordinates).
struct HandMaps {
  cv::Mat lab = cv::Mat(62, 62, CV_8UC3, cv::Scalar(128, 128, 128));
  GradientMaps maps{cv::Mat::zeros(63, 63, CV_32FC1),
                    cv::Mat::zeros(63, 63, CV_32FC1)};
  void Set(int k, int t, float magnitude, float orientation) {
    maps.magnitude.at<float>(k + 1, t + 1) = magnitude;
    maps.orientation.at<float>(k + 1, t + 1) = orientation;
  }
  Descriptors Compute() const {
    Descriptors d(SolidIcon(1, 1, kBlack));
    WorkingImagesMeasure::Calc(lab, maps, &d);
    return d;
  }
};

// Expects every orientation entry of `d` to be 0 except those in `nonzero`.
void ExpectOrientationZeroExcept(const Descriptors& d,
                                 const std::set<std::uint32_t>& nonzero) {
  for (std::uint32_t i = 0; i < derivative_desc_length; ++i)
    if (nonzero.count(i) == 0) {
      EXPECT_EQ(d.recDesc()[i], 0.0) << "entry " << i;
    }
}

TEST(Descriptors, VectorsHaveTheirLengthsAndConstantWeightsForAnyIcon) {
  for (const cv::Mat& icon : {SolidIcon(1, 1, kWhite), SolidIcon(62, 62, kBlack),
                              SolidIcon(3, 500, cv::Vec3b(1, 2, 3))}) {
    const Descriptors d(icon);
    EXPECT_EQ(d.recDesc().size(), 168u);
    EXPECT_EQ(d.recDescInt().size(), 168u);
    EXPECT_EQ(d.groupDesc().size(), 40u);
    EXPECT_EQ(d.groupDescInt().size(), 40u);
    EXPECT_EQ(d.recWeights().size(), 168u);
    EXPECT_EQ(d.recWeightsInt().size(), 168u);
    EXPECT_EQ(d.groupRanges().size(), 40u);
    EXPECT_EQ(d.groupRangesInt().size(), 40u);
    for (std::uint32_t i = 0; i < 168; ++i) {
      EXPECT_EQ(d.recWeights()[i], i < 96 ? 16.0 : 1.0);
      EXPECT_EQ(d.recWeightsInt()[i], i < 96 ? 4u : 1u);
    }
    for (std::uint32_t i = 0; i < 40; ++i) {
      EXPECT_EQ(d.groupRanges()[i], 8.0);
      EXPECT_EQ(d.groupRangesInt()[i], 40u);
    }
    const std::uint32_t expectedParams[7] = {16, 16, 16, 1, 1, 1, 8};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(d.weightParams()[i], expectedParams[i]);
  }
}

TEST(Descriptors, FlatIconHasNoOrientationAndTheLabSumsOfItsColour) {
  const cv::Vec3b colour(10, 200, 30);
  const cv::Vec3b lab = LabOf(colour);
  const Descriptors d(SolidIcon(62, 62, colour));
  ExpectOrientationZeroExcept(d, {});
  for (std::uint32_t i = 0; i < 40; ++i) EXPECT_EQ(d.groupDesc()[i], 0.0);
  for (std::uint32_t cell = 1; cell <= 12; ++cell) {
    for (std::uint32_t channel = 0; channel < 3; ++channel) {
      const double v = lab[channel] - 128.0;
      const double positive = v > 0 ? v : 0, negative = v < 0 ? -v : 0;
      EXPECT_EQ(d.recDesc()[LabIndex(cell, 2 * channel)], positive);
      EXPECT_EQ(d.recDesc()[LabIndex(cell, 2 * channel + 1)], negative);
      EXPECT_EQ(d.recDescInt()[LabIndex(cell, 2 * channel)],
                static_cast<std::uint32_t>(2 * positive));
      EXPECT_EQ(d.recDescInt()[LabIndex(cell, 2 * channel + 1)],
                static_cast<std::uint32_t>(2 * negative));
    }
  }
}

TEST(Descriptors, LabTinyIntOfBlackClampsAndOfWhiteDoesNot) {
  ASSERT_EQ(LabOf(kBlack), cv::Vec3b(0, 128, 128));
  ASSERT_EQ(LabOf(kWhite), cv::Vec3b(255, 128, 128));
  const Descriptors black(SolidIcon(62, 62, kBlack));
  const Descriptors white(SolidIcon(62, 62, kWhite));
  EXPECT_EQ(black.recDesc()[LabIndex(7, 1)], 128.0);
  EXPECT_EQ(black.recDescInt()[LabIndex(7, 1)], 255u) << "2 x 128 is clamped";
  EXPECT_EQ(white.recDesc()[LabIndex(7, 0)], 127.0);
  EXPECT_EQ(white.recDescInt()[LabIndex(7, 0)], 254u);
  // A neutral a or b of exactly 128 adds to neither of its sums.
  for (std::uint32_t sum = 2; sum < 6; ++sum)
    EXPECT_EQ(black.recDesc()[LabIndex(7, sum)], 0.0);
}

TEST(Descriptors, GradientPointingRightGoesWholeIntoBinFour) {
  const Descriptors d(HalvesIcon(true, kBlack, kWhite));
  // Working-area column 29 is in column block 1 (cells 3..6), column 30 in
  // block 2 (cells 7..10): 15 pixels of magnitude 255 per cell.
  std::set<std::uint32_t> nonzero;
  for (std::uint32_t cell = 3; cell <= 10; ++cell) {
    nonzero.insert(OrientationIndex(cell, 4));
    EXPECT_EQ(d.recDesc()[OrientationIndex(cell, 4)], 17.0);
    EXPECT_EQ(d.recDescInt()[OrientationIndex(cell, 4)], 136u);
  }
  ExpectOrientationZeroExcept(d, nonzero);
  // Each quadrant: one central cell (1.0) and one edge cell (0.5).
  for (std::uint32_t group = 0; group < 4; ++group) {
    EXPECT_EQ(d.groupDesc()[group * 8 + 4], 25.5);
    EXPECT_EQ(d.groupDescInt()[group * 8 + 4], 127u);
  }
  EXPECT_EQ(d.groupDesc()[32 + 4], 68.0);
  EXPECT_EQ(d.groupDescInt()[32 + 4], 255u);
  // Cells left of the step are black, right of it white.
  EXPECT_EQ(d.recDescInt()[LabIndex(6, 1)], 255u);
  EXPECT_EQ(d.recDescInt()[LabIndex(7, 0)], 254u);
  EXPECT_EQ(d.recDescInt()[LabIndex(7, 1)], 0u);
}

TEST(Descriptors, GradientPointingLeftSplitsBetweenBinsZeroAndSeven) {
  // Stored as -pi in single precision: 359 whole degrees, 44/45 to bin 0.
  const Descriptors d(HalvesIcon(true, kWhite, kBlack));
  std::set<std::uint32_t> nonzero;
  for (std::uint32_t cell = 3; cell <= 10; ++cell) {
    nonzero.insert(OrientationIndex(cell, 0));
    nonzero.insert(OrientationIndex(cell, 7));
    EXPECT_NEAR(d.recDesc()[OrientationIndex(cell, 0)], 17.0 * 44 / 45, 1e-12);
    EXPECT_NEAR(d.recDesc()[OrientationIndex(cell, 7)], 17.0 / 45, 1e-12);
    EXPECT_EQ(d.recDescInt()[OrientationIndex(cell, 0)], 132u);  // 132.98
    EXPECT_EQ(d.recDescInt()[OrientationIndex(cell, 7)], 3u);    // 3.02
  }
  ExpectOrientationZeroExcept(d, nonzero);
  EXPECT_EQ(d.groupDescInt()[0], 124u);       // 5 x 25.5 x 44/45 = 124.67
  EXPECT_EQ(d.groupDescInt()[7], 2u);         // 5 x 25.5 / 45 = 2.83
  EXPECT_EQ(d.groupDescInt()[32 + 7], 7u);    // 5 x 68 / 45 = 7.56
}

TEST(Descriptors, GradientPointingDownGoesWholeIntoBinSix) {
  const Descriptors d(HalvesIcon(false, kBlack, kWhite));
  // Row block 1 holds cells 1, 4, 8, 11 and row block 2 cells 2, 5, 9, 12.
  std::set<std::uint32_t> nonzero;
  for (std::uint32_t cell : {1, 4, 8, 11, 2, 5, 9, 12}) {
    nonzero.insert(OrientationIndex(cell, 6));
    EXPECT_EQ(d.recDesc()[OrientationIndex(cell, 6)], 17.0);
  }
  ExpectOrientationZeroExcept(d, nonzero);
  for (std::uint32_t group = 0; group < 4; ++group)
    EXPECT_EQ(d.groupDesc()[group * 8 + 6], 25.5);
  EXPECT_EQ(d.groupDesc()[32 + 6], 68.0);
}

TEST(Descriptors, GradientPointingUpSplitsBetweenBinsOneAndTwo) {
  // -pi/2 in single precision is a little below -pi/2: 89 whole degrees.
  const Descriptors d(HalvesIcon(false, kWhite, kBlack));
  std::set<std::uint32_t> nonzero;
  for (std::uint32_t cell : {1, 4, 8, 11, 2, 5, 9, 12}) {
    nonzero.insert(OrientationIndex(cell, 1));
    nonzero.insert(OrientationIndex(cell, 2));
    EXPECT_NEAR(d.recDesc()[OrientationIndex(cell, 1)], 17.0 / 45, 1e-12);
    EXPECT_NEAR(d.recDesc()[OrientationIndex(cell, 2)], 17.0 * 44 / 45, 1e-12);
  }
  ExpectOrientationZeroExcept(d, nonzero);
}

// A white pixel on black inside one cell: its four neighbours carry the
// gradients, all inside the same cell.
cv::Mat DotIcon(int row, int col) {
  cv::Mat icon = SolidIcon(62, 62, kBlack);
  icon.at<cv::Vec3b>(row, col) = kWhite;
  return icon;
}

TEST(Descriptors, GradientInACentralCellShowsInItsQuadrantAndTheMiddle) {
  // Map pixel (23, 23) lies in cell 4 (map rows and columns 16..30).
  const Descriptors d(DotIcon(23, 23));
  double cellTotal = 0;
  for (std::uint32_t bin = 0; bin < 8; ++bin) {
    const double value = d.recDesc()[OrientationIndex(4, bin)];
    cellTotal += value;
    EXPECT_EQ(d.groupDesc()[0 * 8 + bin], value) << "quadrant 0, weight 1.0";
    EXPECT_EQ(d.groupDesc()[32 + bin], value) << "middle, weight 1.0";
    for (std::uint32_t group = 1; group < 4; ++group)
      EXPECT_EQ(d.groupDesc()[group * 8 + bin], 0.0);
  }
  // Four neighbours of magnitude 255 each, over 225 pixels.
  EXPECT_NEAR(cellTotal, 4 * 255.0 / 225, 1e-12);
  EXPECT_EQ(d.recDesc()[OrientationIndex(4, 4)], 255.0 / 225);  // left one
  EXPECT_EQ(d.recDesc()[OrientationIndex(4, 6)], 255.0 / 225);  // upper one
}

TEST(Descriptors, GradientInAnEdgeCellShowsAtHalfWeightInItsQuadrantOnly) {
  // Map pixel (23, 8) lies in cell 1 (map rows 16..30, columns 1..15).
  const Descriptors d(DotIcon(23, 8));
  for (std::uint32_t bin = 0; bin < 8; ++bin) {
    EXPECT_EQ(d.groupDesc()[bin], 0.5 * d.recDesc()[OrientationIndex(1, bin)]);
    EXPECT_EQ(d.groupDesc()[32 + bin], 0.0);
  }
  EXPECT_EQ(d.groupDesc()[4], 0.5 * 255.0 / 225);
}

TEST(Descriptors, OrientationJustAbovePiWrapsToBinZero) {
  HandMaps hand;
  hand.Set(20, 20, 225.0f, static_cast<float>(CV_PI));  // float rounds up
  const Descriptors d = hand.Compute();
  EXPECT_EQ(d.recDesc()[OrientationIndex(4, 0)], 1.0);
  ExpectOrientationZeroExcept(d, {OrientationIndex(4, 0)});
}

TEST(Descriptors, OrientationTinyIntReachesExactly255AndClampsAbove) {
  HandMaps hand;
  hand.Set(20, 5, 7171.875f, 0.0f);   // cell 1: 31.875 x 8 = 255
  hand.Set(50, 20, 7171.0f, 0.0f);    // cell 6: 31.871 x 8 = 254.97
  hand.Set(5, 35, 9000.0f, 0.0f);     // cell 7: 40 x 8 = 320
  const Descriptors d = hand.Compute();
  EXPECT_EQ(d.recDesc()[OrientationIndex(1, 4)], 31.875);
  EXPECT_EQ(d.recDescInt()[OrientationIndex(1, 4)], 255u);
  EXPECT_EQ(d.recDescInt()[OrientationIndex(6, 4)], 254u);
  EXPECT_EQ(d.recDescInt()[OrientationIndex(7, 4)], 255u);
}

TEST(Descriptors, GroupTinyIntReachesExactly255AndClampsAbove) {
  HandMaps hand;
  hand.Set(20, 20, 11475.0f, 0.0f);  // cell 4 bin 4: 51.0
  hand.Set(20, 35, 11420.0f, 0.0f);  // cell 8 bin 4: 50.76
  const Descriptors d = hand.Compute();
  EXPECT_EQ(d.groupDesc()[0 * 8 + 4], 51.0);
  EXPECT_EQ(d.groupDescInt()[0 * 8 + 4], 255u);
  EXPECT_EQ(d.groupDescInt()[1 * 8 + 4], 253u);  // 253.78
  EXPECT_EQ(d.groupDescInt()[32 + 4], 255u) << "101.76 x 5 is clamped";
}

TEST(Descriptors, GroupSumsWeightEdgeCellsByHalf) {
  // The same value in bin 3 of every cell: quadrants 2v, middle 4v.
  HandMaps hand;
  for (int cy = 0; cy < 4; ++cy)
    for (int cx = 0; cx < 4; ++cx)
      hand.Set(15 * cy + 7, 15 * cx + 7, 450.0f,
               static_cast<float>(135 * CV_PI / 180 - CV_PI) + 1e-6f);
  const Descriptors d = hand.Compute();
  for (std::uint32_t cell = 1; cell <= 12; ++cell)
    ASSERT_EQ(d.recDesc()[OrientationIndex(cell, 3)], 2.0);
  for (std::uint32_t group = 0; group < 4; ++group)
    EXPECT_EQ(d.groupDesc()[group * 8 + 3], 4.0);
  EXPECT_EQ(d.groupDesc()[32 + 3], 8.0);
}

TEST(Descriptors, CornerSquaresAreNeverRead) {
  HandMaps hand;
  for (int k : {0, 59})
    for (int t : {0, 59}) hand.Set(k, t, 1000.0f, 0.0f);
  hand.lab(cv::Rect(1, 1, 15, 15)).setTo(cv::Scalar(255, 0, 0));
  const Descriptors d = hand.Compute();
  ExpectOrientationZeroExcept(d, {});
  for (std::uint32_t i = 96; i < 168; ++i) EXPECT_EQ(d.recDesc()[i], 0.0);
}

TEST(Descriptors, CalcDescriptorsTwiceGivesTheSameVectors) {
  const cv::Mat icon = DotIcon(23, 23);
  Descriptors d(icon);
  const Descriptors first = d;
  d.CalcDescriptors(icon);
  EXPECT_EQ(d.recDesc(), first.recDesc());
  EXPECT_EQ(d.groupDesc(), first.groupDesc());
  EXPECT_EQ(d.groupDescInt(), first.groupDescInt());
  EXPECT_EQ(d.recDescInt(), first.recDescInt());
}

TEST(Descriptors, LeavesTheIconUnchanged) {
  const cv::Mat icon = DotIcon(10, 40);
  const cv::Mat copy = icon.clone();
  const Descriptors d(icon);
  EXPECT_EQ(cv::countNonZero(icon.reshape(1) != copy.reshape(1)), 0);
}

TEST(Descriptors, AllTinyIntValuesLieInByteRange) {
  cv::Mat icon(40, 70, CV_8UC3);
  cv::randu(icon, cv::Scalar::all(0), cv::Scalar::all(256));
  const Descriptors d(icon);
  for (auto* v : {&d.recDescInt(), &d.groupDescInt(), &d.recWeightsInt(), &d.groupRangesInt()})
    for (std::uint32_t value : *v) EXPECT_LE(value, 255u);
}

TEST(Descriptors, GradientsFromTheIconAgreeWithTheStoredMaps) {
  // CalcDescriptors takes each gradient straight from the lightness plane;
  // going through the stored single-precision maps must give the same bits.
  cv::RNG rng(7);
  for (int round = 0; round < 20; ++round) {
    cv::Mat icon(20 + round * 7, 90 - round * 3, CV_8UC3);
    if (round % 2 == 0) {
      rng.fill(icon, cv::RNG::UNIFORM, 0, 256);
    } else {  // few levels: long runs of equal pixels and extreme steps
      rng.fill(icon, cv::RNG::UNIFORM, 0, 3);
      icon *= 127;
    }
    const Descriptors direct(icon);
    Descriptors viaMaps(icon);
    const cv::Mat lab = NormaliseToLab(icon);
    WorkingImagesMeasure::Calc(lab, ComputeGradientMaps(lab), &viaMaps);
    ASSERT_EQ(direct.recDesc(), viaMaps.recDesc()) << round;
    ASSERT_EQ(direct.groupDesc(), viaMaps.groupDesc()) << round;
    ASSERT_EQ(direct.recDescInt(), viaMaps.recDescInt()) << round;
    ASSERT_EQ(direct.groupDescInt(), viaMaps.groupDescInt()) << round;
  }
}

TEST(NormaliseToLab, ConvertsA62By62IconWithoutResampling) {
  cv::Mat icon(62, 62, CV_8UC3);
  cv::randu(icon, cv::Scalar::all(0), cv::Scalar::all(256));
  cv::Mat expected;
  cv::cvtColor(icon, expected, cv::COLOR_BGR2Lab);
  const cv::Mat lab = NormaliseToLab(icon);
  EXPECT_EQ(cv::countNonZero(lab.reshape(1) != expected.reshape(1)), 0);
}

TEST(NormaliseToLab, ResamplesEverySideOnItsOwn) {
  for (const cv::Size size : {cv::Size(62, 61), cv::Size(61, 62), cv::Size(1, 1),
                              cv::Size(300, 20)}) {
    cv::Mat icon(size, CV_8UC3);
    cv::randu(icon, cv::Scalar::all(0), cv::Scalar::all(256));
    cv::Mat resized, expected;
    cv::resize(icon, resized, cv::Size(62, 62), 0, 0, cv::INTER_LINEAR);
    cv::cvtColor(resized, expected, cv::COLOR_BGR2Lab);
    const cv::Mat lab = NormaliseToLab(icon);
    ASSERT_EQ(lab.size(), cv::Size(62, 62));
    EXPECT_EQ(cv::countNonZero(lab.reshape(1) != expected.reshape(1)), 0)
        << size;
  }
}

}  // namespace

#include <algorithm>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "descriptors/descriptors.h"
#include "tests/test_support.h"

namespace {

template <typename Print>
std::string Captured(Print print) {
  testing::internal::CaptureStdout();
  print();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// All black: no orientation, L- of 128 (TinyInt 255) in every cell.
Descriptors BlackRecord() { return Descriptors(SolidIcon(62, 62, cv::Vec3b(0, 0, 0))); }

TEST(PrintResults, TinyIntListingIsExactlyAsLaidOut) {
  const Descriptors d = BlackRecord();
  const std::string listing = Captured([&] { d.PrintResults(true); });
  const std::string zeros8 = "\n" + Repeat("  0 ", 8);
  const std::string expected =
      "\nRec Derivative(Lab) Descriptors: " + Repeat(zeros8, 12) +
      "\nRec Lab Descriptor: " + Repeat("\n  0 255   0   0   0   0 ", 12) +
      "\nGroup Derivative(L) Descriptors: " + Repeat(zeros8, 4) +
      "\nGroup Derivative(L)middle Descriptor: " + zeros8 +
      "\nRec Derivative(Lab) Weights: " + Repeat("\n" + Repeat("  4 ", 8), 12) +
      "\nRec Lab Weights: " + Repeat("\n" + Repeat("  1 ", 6), 12) +
      "\nGroup Derivative(L) Ranges: " + Repeat("\n" + Repeat(" 40 ", 8), 4) +
      "\nGroup Derivative(L)middle Ranges: " + "\n" + Repeat(" 40 ", 8);
  EXPECT_EQ(listing, expected);
  EXPECT_EQ(listing.size(), 1962u);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 66);
}

TEST(PrintResults, IsDescriptorsThenWeightsThenRanges) {
  const Descriptors d = BlackRecord();
  for (bool tinyInt : {true, false}) {
    const std::string whole = Captured([&] { d.PrintResults(tinyInt); });
    const std::string parts = Captured([&] { d.PrintDescriptors(tinyInt); }) +
                              Captured([&] { d.PrintWeights(tinyInt); }) +
                              Captured([&] { d.PrintRanges(tinyInt); });
    EXPECT_EQ(whole, parts);
  }
}

TEST(PrintResults, DoubleFormUsesThreeDecimalsForDescriptorsAndTwoOtherwise) {
  Descriptors d = BlackRecord();
  d.recDesc[0] = 1.0 / 12;
  d.recDesc[1] = 12.5;
  d.groupDesc[32] = 7.0;
  d.recWeights[95] = 1.0 / 12;
  const std::string descriptors = Captured([&] { d.PrintDescriptors(false); });
  EXPECT_TRUE(descriptors.starts_with(
      "\nRec Derivative(Lab) Descriptors: \n0.083 12.500 0.000 0.000 "));
  EXPECT_NE(descriptors.find("\nRec Lab Descriptor: \n0.000 128.000 0.000 "),
            std::string::npos);
  EXPECT_NE(descriptors.find("middle Descriptor: \n7.000 0.000 "), std::string::npos);

  const std::string weights = Captured([&] { d.PrintWeights(false); });
  EXPECT_TRUE(weights.starts_with("\nRec Derivative(Lab) Weights: \n16.00 16.00 "));
  EXPECT_NE(weights.find("16.00 0.08 \nRec Lab Weights: \n1.00 1.00 "),
            std::string::npos);
  const std::string ranges = Captured([&] { d.PrintRanges(false); });
  EXPECT_TRUE(ranges.ends_with("\n8.00 8.00 8.00 8.00 8.00 8.00 8.00 8.00 "));
}

}  // namespace

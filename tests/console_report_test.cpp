#include <algorithm>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "vexlor/console_report.h"

namespace {

using namespace vexlor;

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
  const std::string listing = Captured([&] { PrintResults(d, RecordForm::kTinyInt); });
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
  for (RecordForm form : {RecordForm::kTinyInt, RecordForm::kDouble}) {
    const std::string whole = Captured([&] { PrintResults(d, form); });
    const std::string parts = Captured([&] { PrintDescriptors(d, form); }) +
                              Captured([&] { PrintWeights(d, form); }) +
                              Captured([&] { PrintRanges(d, form); });
    EXPECT_EQ(whole, parts);
  }
}

TEST(PrintResults, DoubleFormUsesThreeDecimalsForDescriptorsAndTwoOtherwise) {
  cv::Mat icon = SolidIcon(62, 62, cv::Vec3b(0, 0, 0));
  icon.colRange(31, 62).setTo(cv::Scalar(200, 180, 160));
  const Descriptors d(icon);
  auto fixed = [](const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return std::string(text);
  };
  ASSERT_NE(d.recDesc()[52], 0.0) << "cell 7 lies on the edge";
  const std::string descriptors = Captured([&] { PrintDescriptors(d, RecordForm::kDouble); });
  EXPECT_TRUE(descriptors.starts_with(
      "\nRec Derivative(Lab) Descriptors: \n0.000 0.000 0.000 0.000 0.000 "));
  EXPECT_NE(descriptors.find(fixed("%2.3f ", d.recDesc()[52]) + fixed("%2.3f ", d.recDesc()[53])),
            std::string::npos);
  EXPECT_NE(descriptors.find("\nRec Lab Descriptor: \n0.000 128.000 0.000 "),
            std::string::npos);

  const std::string weights = Captured([&] { PrintWeights(d, RecordForm::kDouble); });
  EXPECT_TRUE(weights.starts_with("\nRec Derivative(Lab) Weights: \n16.00 16.00 "));
  EXPECT_NE(weights.find("16.00 16.00 \nRec Lab Weights: \n1.00 1.00 "), std::string::npos);
  const std::string ranges = Captured([&] { PrintRanges(d, RecordForm::kDouble); });
  EXPECT_TRUE(ranges.ends_with("\n8.00 8.00 8.00 8.00 8.00 8.00 8.00 8.00 "));
}

}  // namespace

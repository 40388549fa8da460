#include "record/record_format.h"
#include "vexlor/record.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "vexlor/descriptors.h"

namespace {

using namespace vexlor;

std::string General(double value) {
  std::string out;
  AppendGeneral(out, value);
  return out;
}

TEST(AppendGeneral, FormatsAsPercentGWithSixDigits) {
  EXPECT_EQ(General(0.5), "0.5");
  EXPECT_EQ(General(1.0 / 12), "0.0833333");
  EXPECT_EQ(General(2.0 / 3), "0.666667");
  EXPECT_EQ(General(16.0), "16");
  EXPECT_EQ(General(0.0), "0");
  EXPECT_EQ(General(123.456789), "123.457");
  EXPECT_EQ(General(0.0001), "0.0001");
  EXPECT_EQ(General(0.00001), "1e-05");
  EXPECT_EQ(General(4.0 / 45 / 225), "0.000395062");
  EXPECT_EQ(General(1234567.0), "1.23457e+06");
  EXPECT_EQ(General(999999.5), "1e+06");
}

TEST(AppendGeneral, MatchesPrintfOverManyValues) {
  char expected[64];
  std::uint64_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double value =
        static_cast<double>(state >> 11) / (1ULL << 53) * 300.0 / (1 + i % 7);
    std::snprintf(expected, sizeof expected, "%g", value);
    ASSERT_EQ(General(value), expected) << value;
  }
}

// Where two formatters most often part: exact halfway cases at the sixth
// digit, the switch between fixed and exponent form, subnormals, extremes.
TEST(AppendGeneral, MatchesPrintfAtTiesBoundariesAndExtremes) {
  auto check = [](double value) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%g", value);
    ASSERT_EQ(General(value), expected) << value;
  };
  // Every 7-digit integer ending in 5 is exactly halfway between two
  // 6-digit results; so are their quotients by powers of two.
  for (int tie = 1000005; tie <= 9999995; tie += 10) {
    check(tie);
    check(tie / 1024.0);
  }
  for (int exponent = -324; exponent <= 308; ++exponent) {
    const double power = std::pow(10.0, exponent);
    for (double v : {power, std::nextafter(power, 0.0), std::nextafter(power, std::numeric_limits<double>::infinity()),
                     power * 0.99999949999, power * 0.9999995, -power})
      check(v);
  }
  for (double v : {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
                   std::numeric_limits<double>::max(), 0.0001, 0.000099999949999, 999999.4999,
                   999999.5, 100000.0, -0.0, 1e-5, 9.999995e-5})
    check(v);
  std::uint64_t bits = 99;
  for (int i = 0; i < 200000; ++i) {
    bits = bits * 6364136223846793005ULL + 1442695040888963407ULL;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) check(value);
  }
}

TEST(RecordLine, HoldsTheFourVectorsInOrderEachValueFollowedByABlank) {
  cv::Mat icon = SolidIcon(62, 62, cv::Vec3b(0, 0, 0));
  icon.colRange(31, 62).setTo(cv::Scalar(200, 180, 160));
  const Descriptors d(icon);
  std::vector<std::string> tinyTokens, doubleTokens;
  auto add = [&](const std::vector<std::uint32_t>& integers, const std::vector<double>& doubles) {
    for (size_t i = 0; i < integers.size(); ++i) {
      tinyTokens.push_back(std::to_string(integers[i]));
      doubleTokens.push_back(General(doubles[i]));
    }
  };
  add(d.recDescInt(), d.recDesc());
  add(d.groupDescInt(), d.groupDesc());
  add(d.recWeightsInt(), d.recWeights());
  add(d.groupRangesInt(), d.groupRanges());

  const std::string tiny = RecordLine(d, RecordForm::kTinyInt);
  EXPECT_EQ(Tokens(tiny), tinyTokens);
  EXPECT_EQ(std::count(tiny.begin(), tiny.end(), ' '), 416);
  EXPECT_EQ(tiny.back(), ' ');
  EXPECT_EQ(tinyTokens[96 + 1], "255") << "cell 1 L-, all black";
  EXPECT_EQ(tinyTokens[208], "4");
  EXPECT_EQ(tinyTokens[376], "40");

  const std::string doubles = RecordLine(d, RecordForm::kDouble);
  EXPECT_EQ(Tokens(doubles), doubleTokens);
  EXPECT_EQ(std::count(doubles.begin(), doubles.end(), ' '), 416);
  EXPECT_EQ(doubleTokens[97], "128");
  EXPECT_EQ(doubleTokens[208], "16");
  EXPECT_EQ(doubleTokens[376], "8");
  EXPECT_EQ(doubles.find('\n'), std::string::npos);
}

}  // namespace

#include "report/record_format.h"

#include <cstdio>
#include <limits>

#include <gtest/gtest.h>

#include "descriptors/descriptors.h"
#include "tests/test_support.h"

namespace {

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

TEST(FormatRecord, HoldsTheFourVectorsInOrderEachValueFollowedByABlank) {
  Descriptors d(SolidIcon(62, 62, cv::Vec3b(0, 0, 0)));
  d.recDescInt[0] = 12;
  d.recDescInt[2] = 255;
  d.groupDescInt[39] = 7;
  d.recDesc[0] = 1.0 / 12;
  d.recDesc[2] = 0.25;
  d.groupRanges[39] = 1e-5;

  const std::string tiny = FormatRecord(d, true);
  EXPECT_EQ(tiny.substr(0, 9), "12 0 255 ");
  EXPECT_EQ(tiny.back(), ' ');
  const std::vector<std::string> tokens = Tokens(tiny);
  ASSERT_EQ(tokens.size(), 416u);
  EXPECT_EQ(tokens[96 + 1], "255") << "cell 1 L-, all black";
  EXPECT_EQ(tokens[168 + 39], "7");
  EXPECT_EQ(tokens[208], "4");
  EXPECT_EQ(tokens[375], "1");
  EXPECT_EQ(tokens[376], "40");
  EXPECT_EQ(std::count(tiny.begin(), tiny.end(), ' '), 416);

  const std::string doubles = FormatRecord(d, false);
  EXPECT_EQ(doubles.substr(0, 17), "0.0833333 0 0.25 ");
  const std::vector<std::string> doubleTokens = Tokens(doubles);
  ASSERT_EQ(doubleTokens.size(), 416u);
  EXPECT_EQ(doubleTokens[97], "128");
  EXPECT_EQ(doubleTokens[208], "16");
  EXPECT_EQ(doubleTokens[375], "1");
  EXPECT_EQ(doubleTokens[376], "8");
  EXPECT_EQ(doubleTokens[415], "1e-05");
  EXPECT_EQ(doubles.find('\n'), std::string::npos);
}

}  // namespace

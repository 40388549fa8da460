// Whole results files for real icons, compared byte for byte with records
// derived independently of the tool (tests/reference/vexlor_reference.py
// wrote the files in tests/data/expected).

#include <cctype>

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

struct Case {
  std::string icon;
  std::vector<std::string> options;
  std::string expected;  // file in tests/data/expected
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.expected; }

class EndToEnd : public testing::TestWithParam<Case> {};

TEST_P(EndToEnd, WritesTheIndependentlyDerivedRecordInBothModes) {
  const Case& c = GetParam();
  const std::string expected = ReadFile(TestDataPath("expected/" + c.expected));
  ASSERT_FALSE(expected.empty());
  TempDir dir;
  std::vector<std::string> args = {"-I", TestDataPath(c.icon)};
  args.insert(args.end(), c.options.begin(), c.options.end());

  std::vector<std::string> overwrite = args;
  overwrite.insert(overwrite.end(), {"-R", dir / "overwrite.txt"});
  ASSERT_EQ(RunVexlorBinary(overwrite).exit_status, 0);
  EXPECT_EQ(ReadFile(dir / "overwrite.txt"), expected);

  std::vector<std::string> append = args;
  append.insert(append.end(), {"-R", dir / "append.txt", "-A", "1"});
  ASSERT_EQ(RunVexlorBinary(append).exit_status, 0);
  ASSERT_EQ(RunVexlorBinary(append).exit_status, 0);
  EXPECT_EQ(ReadFile(dir / "append.txt"), expected + "\n" + expected + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    RealIcons, EndToEnd,
    testing::Values(
        Case{"calculator.png", {}, "calculator.tiny.txt"},
        Case{"calculator.png", {"-TI", "0"}, "calculator.double.txt"},
        Case{"calculator.png", {"-TI", "0", "-B", "2"}, "calculator.blur2-double.txt"},
        Case{"audio-card.png", {}, "audio-card.tiny.txt"},
        Case{"audio-card.png", {"-TI", "0"}, "audio-card.double.txt"},
        Case{"audio-card.png", {"-B", "2", "-TI", "0"}, "audio-card.blur2-double.txt"},
        Case{"package-256.png", {"-PR", "1"}, "package-256.tiny.txt"},
        Case{"package-256.png", {"-TI", "0"}, "package-256.double.txt"},
        Case{"package-256.png", {"-TI", "0", "-B", "2"}, "package-256.blur2-double.txt"}),
    [](const testing::TestParamInfo<Case>& info) {
      std::string name = info.param.expected.substr(0, info.param.expected.size() - 4);
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST(EveryFormat, IsMeasured) {
  TempDir dir;
  for (const char* icon :
       {"calculator-16bit.png", "calculator-grey.png", "calculator-palette.png",
        "audio-card.jpg", "audio-card.bmp", "audio-card.tiff", "audio-card.webp",
        "audio-card-62x62.png", "audio-card-62x61.png", "one-pixel.png",
        "wide-1x300.png"}) {
    const ProgramResult r =
        RunVexlorBinary({"-I", TestDataPath(icon), "-R", dir / "r.txt"});
    EXPECT_EQ(r.exit_status, 0) << icon;
    EXPECT_EQ(Tokens(ReadFile(dir / "r.txt")).size(), 416u) << icon;
  }
}

TEST(EveryFormat, IgnoresTheOrientationTag) {
  TempDir dir;
  ASSERT_EQ(RunVexlorBinary({"-I", TestDataPath("audio-card.jpg"), "-R", dir / "plain"})
                .exit_status, 0);
  ASSERT_EQ(RunVexlorBinary({"-I", TestDataPath("audio-card-rotated-tag.jpg"), "-R",
                             dir / "tagged"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir / "plain"), ReadFile(dir / "tagged"));
}

}  // namespace

#include "app/run_options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace vexlor;

// Parses a command line given as words; argv[0] is the program path.
struct Parsed {
  bool ok;
  RunOptions options;
};

Parsed Parse(std::vector<const char*> words) {
  words.insert(words.begin(), "vexlor");
  Parsed parsed{false, {}};
  parsed.ok = ParseRunOptions(static_cast<int>(words.size()), words.data(),
                              &parsed.options);
  return parsed;
}

TEST(FindArgument, ReturnsTheFirstExactMatchCountingTheProgramPath) {
  const char* argv[] = {"-B", "-I", "a", "-B", "-b", "-I"};
  EXPECT_EQ(FindArgument("-B", 6, argv), 0);
  EXPECT_EQ(FindArgument("-I", 6, argv), 1);
  EXPECT_EQ(FindArgument("-b", 6, argv), 4);
  EXPECT_EQ(FindArgument("-R", 6, argv), -1);
  EXPECT_EQ(FindArgument("-I", 1, argv), -1) << "searches below argc only";
  EXPECT_EQ(FindArgument("-", 6, argv), -1) << "no prefix matches";
}

TEST(ParseRunOptions, DefaultsWhenOnlyTheIconIsGiven) {
  const Parsed p = Parse({"-I", "icon.png"});
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.img_path, "icon.png");
  EXPECT_STREQ(p.options.results_path, "results.txt");
  EXPECT_STREQ(p.options.save_path, "no");
  EXPECT_FALSE(p.options.show_figures);
  EXPECT_TRUE(p.options.tiny_int);
  EXPECT_FALSE(p.options.append_results);
  EXPECT_FALSE(p.options.print_results);
  EXPECT_FALSE(p.options.print_info);
  EXPECT_EQ(p.options.distortion.blur, 0);
  EXPECT_EQ(p.options.distortion.blue, 1.0);
  EXPECT_EQ(p.options.distortion.green, 1.0);
  EXPECT_EQ(p.options.distortion.red, 1.0);
}

TEST(ParseRunOptions, RejectsCountsThatAreNotOddAndAtLeastThree) {
  EXPECT_FALSE(Parse({}).ok);
  EXPECT_FALSE(Parse({"-I"}).ok);
  EXPECT_FALSE(Parse({"-I", "a.png", "-B"}).ok);
  EXPECT_FALSE(Parse({"-I", "a.png", "-B", "1", "stray"}).ok);
}

TEST(ParseRunOptions, RejectsAMissingIcon) {
  EXPECT_FALSE(Parse({"-B", "1"}).ok);
  EXPECT_FALSE(Parse({"-i", "a.png"}).ok) << "option names are case-sensitive";
}

TEST(ParseRunOptions, RejectsAnOptionInTheLastEntry) {
  EXPECT_FALSE(Parse({"-I", "a.png", "x", "-B"}).ok);
  EXPECT_FALSE(Parse({"-R", "r.txt", "x", "-I"}).ok);
  EXPECT_FALSE(Parse({"-I", "a.png", "-SF", "1", "x", "-cG"}).ok);
  // A later copy in the last entry is ignored: the first one counts.
  EXPECT_TRUE(Parse({"-I", "a.png", "-B", "1", "x", "-B"}).ok);
}

TEST(ParseRunOptions, MapsEveryOptionToItsField) {
  const Parsed p = Parse({"-cB", "0.25", "-I", "i.png", "-R", "r.txt", "-SI",
                          "s.png", "-SF", "1", "-TI", "0", "-A", "1", "-PR",
                          "1", "-PI", "1", "-B", "3", "-cR", "2.5", "-cG", "-1"});
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.img_path, "i.png");
  EXPECT_STREQ(p.options.results_path, "r.txt");
  EXPECT_STREQ(p.options.save_path, "s.png");
  EXPECT_TRUE(p.options.show_figures);
  EXPECT_FALSE(p.options.tiny_int);
  EXPECT_TRUE(p.options.append_results);
  EXPECT_TRUE(p.options.print_results);
  EXPECT_TRUE(p.options.print_info);
  EXPECT_EQ(p.options.distortion.blur, 3);
  EXPECT_EQ(p.options.distortion.blue, 0.25);
  EXPECT_EQ(p.options.distortion.green, -1.0);
  EXPECT_EQ(p.options.distortion.red, 2.5);
}

TEST(ParseRunOptions, FirstOccurrenceWinsAndStrayWordsAreIgnored) {
  const Parsed p = Parse({"-I", "a.png", "-B", "1", "-X", "9", "-B", "3",
                          "stray", "words"});
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.img_path, "a.png");
  EXPECT_EQ(p.options.distortion.blur, 1);
}

TEST(ParseRunOptions, RecognisesAnOptionWhereverItStands) {
  // "-B" is the value of "-R" and at the same time the blur option, whose
  // value is then "-I".
  const Parsed p = Parse({"-R", "-B", "-I", "a.png"});
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.results_path, "-B");
  EXPECT_STREQ(p.options.img_path, "a.png");
  EXPECT_EQ(p.options.distortion.blur, 0) << "atoi(\"-I\") is 0";
}

TEST(ParseRunOptions, ReadsSwitchesAsAtoiDoes) {
  EXPECT_TRUE(Parse({"-I", "a", "-TI", "5"}).options.tiny_int);
  EXPECT_TRUE(Parse({"-I", "a", "-TI", "1"}).options.tiny_int);
  EXPECT_FALSE(Parse({"-I", "a", "-TI", "0"}).options.tiny_int);
  EXPECT_FALSE(Parse({"-I", "a", "-TI", "abc"}).options.tiny_int);
  EXPECT_TRUE(Parse({"-I", "a", "-A", " 1x"}).options.append_results);
  EXPECT_TRUE(Parse({"-I", "a", "-PR", "-1"}).options.print_results);
}

TEST(ParseRunOptions, ReadsNumbersAsAtoiAndAtofDo) {
  EXPECT_EQ(Parse({"-I", "a", "-B", "abc"}).options.distortion.blur, 0);
  EXPECT_EQ(Parse({"-I", "a", "-B", "2.9"}).options.distortion.blur, 2);
  EXPECT_EQ(Parse({"-I", "a", "-cR", "1.5e1x"}).options.distortion.red, 15.0);
  EXPECT_EQ(Parse({"-I", "a", "-cG", "green"}).options.distortion.green, 0.0);
}

TEST(ParseRunOptions, RejectsBlurSizesWithoutAnAperture) {
  EXPECT_FALSE(Parse({"-I", "a", "-B", "-1"}).ok);
  EXPECT_FALSE(Parse({"-I", "a", "-B", "1073741824"}).ok);
  const Parsed largest = Parse({"-I", "a", "-B", "1073741823"});
  EXPECT_TRUE(largest.ok);
  EXPECT_EQ(largest.options.distortion.blur, 1073741823);
}

TEST(ParseRunOptions, TakesSaveAndResultsPathsUnchanged) {
  EXPECT_STREQ(Parse({"-I", "a", "-SI", "No"}).options.save_path, "No");
  EXPECT_STREQ(Parse({"-I", "a", "-SI", "no"}).options.save_path, "no");
  EXPECT_STREQ(Parse({"-I", " a b "}).options.img_path, " a b ");
}

}  // namespace

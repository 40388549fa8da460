#include "batch/path_reader.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

std::vector<std::string> ReadAll(const std::string& text, bool nul) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
      fmemopen(const_cast<char*>(text.data()), text.size(), "rb"), std::fclose);
  if (text.empty()) stream.reset(std::fopen("/dev/null", "rb"));
  PathReader reader(stream.get(), nul);
  std::vector<std::string> paths;
  while (auto path = reader.Next()) paths.push_back(*path);
  EXPECT_FALSE(reader.failed());
  return paths;
}

using Paths = std::vector<std::string>;

TEST(PathReader, TakesOnePathPerLineByteForByte) {
  EXPECT_EQ(ReadAll("a.png\n b c.png \r\n\nlast", false),
            (Paths{"a.png", " b c.png \r", "", "last"}));
  EXPECT_EQ(ReadAll("a.png\nb.png\n", false), (Paths{"a.png", "b.png"}));
  EXPECT_EQ(ReadAll("", false), Paths{});
  EXPECT_EQ(ReadAll("\n", false), Paths{""});
}

TEST(PathReader, SplitsAtNulBytesWhenAsked) {
  const std::string text("new\nline.png\0plain.png\0", 23);
  EXPECT_EQ(ReadAll(text, true), (Paths{"new\nline.png", "plain.png"}));
}

TEST(CountPaths, CountsWhatTheReaderReads) {
  TempDir dir;
  WriteFile(dir / "list", "a\n\nb\nc");
  EXPECT_EQ(CountPaths((dir / "list").c_str(), false), 4);
  WriteFile(dir / "list", "a\nb\n");
  EXPECT_EQ(CountPaths((dir / "list").c_str(), false), 2);
  WriteFile(dir / "list", std::string("a\0b\0", 4));
  EXPECT_EQ(CountPaths((dir / "list").c_str(), true), 2);
  WriteFile(dir / "list", "");
  EXPECT_EQ(CountPaths((dir / "list").c_str(), false), 0);
  EXPECT_EQ(CountPaths((dir / "missing").c_str(), false), -1);
  EXPECT_EQ(CountPaths(dir.path().c_str(), false), -1);
}

}  // namespace

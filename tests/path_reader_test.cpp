#include "batch/path_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using namespace vexlor;

std::vector<std::string> ReadAll(const std::string& text, bool nul) {
  TempDir dir;
  WriteFile(dir / "list", text);
  const int fd = ::open((dir / "list").c_str(), O_RDONLY);
  PathReader reader(fd, nul);
  std::vector<std::string> paths;
  while (auto path = reader.Next()) paths.push_back(*path);
  EXPECT_TRUE(reader.status().ok());
  ::close(fd);
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

TEST(PathReader, CutsALineNoPathCouldHoldAndSkipsItsRest) {
  const std::string huge(3 * PathReader::kMaxPathBytes + (1 << 17), 'x');
  const Paths paths = ReadAll("a\n" + huge + "\nb\n", false);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[1], std::string(PathReader::kMaxPathBytes + 1, 'x'));
  EXPECT_EQ(paths[2], "b");
}

TEST(PathReader, PassesOnWhatIsDoneBeforeWaitingForMoreInput) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ASSERT_EQ(::write(pipeFds[1], "a\nb\n", 4), 4);
  PathReader reader(pipeFds[0], false);
  int waits = 0;
  reader.set_before_wait([&] {
    ++waits;
    ::close(pipeFds[1]);  // the writer goes away while we wait
  });
  EXPECT_EQ(reader.Next(), "a");
  EXPECT_EQ(reader.Next(), "b");
  EXPECT_EQ(waits, 0) << "input was there: no wait";
  EXPECT_EQ(reader.Next(), std::nullopt);
  EXPECT_EQ(waits, 1);
  ::close(pipeFds[0]);
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

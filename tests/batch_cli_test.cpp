// vexlor-batch as its users see it, checked against loops of vexlor runs.

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using namespace vexlor;

class BatchTest : public testing::Test {
 protected:
  BatchTest() {
    WriteFile(dir_ / "text.png", "not an image");
    // A PNG whose data is damaged: its decoder complains on standard error.
    std::string damaged = ReadFile(TestDataPath("calculator.png"));
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 32; ++i) damaged[i] ^= 0x55;
    WriteFile(dir_ / "damaged.png", damaged);
    std::filesystem::create_directory(dir_.path() / "folder.png");
    std::filesystem::copy_file(TestDataPath("calculator.png"), dir_ / "new\nline.png");
    for (const char* name :
         {"calculator.png", "audio-card.jpg", "missing.png", "calculator-16bit.png",
          "audio-card.webp", "one-pixel.png", "package-256.png", "calculator-grey.png",
          "audio-card.bmp", "audio-card-62x62.png", "audio-card-62x61.png",
          "calculator-palette.png", "audio-card.tiff", "wide-1x300.png"})
      icons_.push_back(TestDataPath(name));
    icons_.push_back(dir_ / "text.png");
    icons_.push_back(dir_ / "damaged.png");
    icons_.push_back(dir_ / "folder.png");
    icons_.push_back("");
    icons_.push_back(TestDataPath("calculator.png"));  // the same icon twice
  }

  // What a loop of `vexlor -I PATH -A 1 OPTIONS` appends to a new file.
  std::string VexlorLoop(const std::vector<std::string>& paths,
                         const std::vector<std::string>& options) {
    const std::string results = dir_ / "loop.txt";
    std::filesystem::remove(results);
    for (const std::string& path : paths) {
      std::vector<std::string> args = {"-I", path, "-A", "1", "-R", results};
      args.insert(args.end(), options.begin(), options.end());
      RunVexlorBinary(args);
    }
    return ReadFile(results);
  }

  std::string ListOf(const std::vector<std::string>& paths, char separator = '\n') {
    std::string list;
    for (const std::string& path : paths) list += path + separator;
    return list;
  }

  TempDir dir_;
  std::vector<std::string> icons_;
};

TEST_F(BatchTest, WritesWhatALoopOfVexlorRunsAppends) {
  struct Settings {
    std::vector<std::string> batch, vexlor;
  };
  const std::vector<std::string> plain(icons_.begin(), icons_.begin() + 17);
  for (const Settings& s :
       {Settings{{}, {}}, Settings{{"--double"}, {"-TI", "0"}},
        Settings{{"--blur", "2", "--red", "0.5", "--green", "3", "--blue", "-1"},
                 {"-B", "2", "-cR", "0.5", "-cG", "3", "-cB", "-1"}}}) {
    WriteFile(dir_ / "list.txt", ListOf(plain));
    std::vector<std::string> args = s.batch;
    args.push_back(dir_ / "list.txt");
    const ProgramResult r = RunBatchBinary(args);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, VexlorLoop(plain, s.vexlor));
  }
}

TEST_F(BatchTest, ThreadCountChangesNothing) {
  std::vector<std::string> many;
  for (int i = 0; i < 6; ++i) many.insert(many.end(), icons_.begin(), icons_.end());
  ProgramSetup setup;
  setup.stdin_text = ListOf(many);
  const ProgramResult one = RunBatchBinary({"-j", "1"}, setup);
  const ProgramResult four = RunBatchBinary({"--jobs", "4", "-"}, setup);
  EXPECT_EQ(one.exit_status, 0);
  EXPECT_EQ(four.exit_status, 0);
  EXPECT_EQ(one.out, four.out);
  EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'),
            static_cast<long>(many.size()));
}

TEST_F(BatchTest, NulSeparatedListsCarryPathsWithNewlines) {
  const std::vector<std::string> paths = {dir_ / "new\nline.png", TestDataPath("audio-card.png")};
  WriteFile(dir_ / "list0", ListOf(paths, '\0'));
  const ProgramResult r = RunBatchBinary({"-0", dir_ / "list0"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, VexlorLoop(paths, {}));
  EXPECT_EQ(r.out.find("Bad Icon"), std::string::npos);
}

TEST_F(BatchTest, OutputFileIsReplacedOrAppendedToWithTheNewlineRule) {
  const std::vector<std::string> two = {TestDataPath("calculator.png"), "missing.png"};
  WriteFile(dir_ / "list.txt", ListOf(two));
  const std::string expected = VexlorLoop(two, {});
  const std::string out = dir_ / "out.txt";

  WriteFile(out, "old");
  ASSERT_EQ(RunBatchBinary({"-o", out, dir_ / "list.txt"}).exit_status, 0);
  EXPECT_EQ(ReadFile(out), expected);
  ASSERT_EQ(RunBatchBinary({"--output", out, "--append", dir_ / "list.txt"}).exit_status, 0);
  EXPECT_EQ(ReadFile(out), expected + expected);

  // A file left by an overwrite-mode vexlor run ends inside its line.
  WriteFile(out, "1 2 3 ");
  ASSERT_EQ(RunBatchBinary({"-a", "-o", out, dir_ / "list.txt"}).exit_status, 0);
  EXPECT_EQ(ReadFile(out), "1 2 3 \n" + expected);
}

TEST_F(BatchTest, BadOptionsAreRefusedWithAClearMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : {Case{{"--blur", "-1"}, "--blur"},
                        Case{{"--blur", "1073741824"}, "--blur"},
                        Case{{"--blur", "256"}, "--blur"},  // the largest is 255
                        Case{{"--red", "nan"}, "not a number"},
                        Case{{"--green", "-NaN"}, "not a number"},
                        Case{{"--blur", "abc"}, "--blur"},
                        Case{{"--red", "x"}, "--red"},
                        Case{{"-j", "0"}, "--jobs"},
                        Case{{"-a"}, "--append requires --output"},
                        Case{{"--frobnicate"}, "--frobnicate"},
                        Case{{"a", "b"}, "b"}}) {
    const ProgramResult r = RunBatchBinary(c.args);
    EXPECT_EQ(r.exit_status, 1) << c.args[0];
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with("vexlor-batch: ")) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(BatchTest, HelpAndVersionGoToStandardOutput) {
  const ProgramResult help = RunBatchBinary({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("Usage: vexlor-batch [OPTIONS] [LIST]"), std::string::npos);
  for (const char* option : {"--null", "--output", "--append", "--double", "--blur", "--red",
                             "--green", "--blue", "--jobs", "--quiet", "--version"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  const ProgramResult version = RunBatchBinary({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_TRUE(version.out.starts_with("vexlor-batch ")) << version.out;
}

TEST_F(BatchTest, FailuresToReadOrWriteAreReported) {
  WriteFile(dir_ / "list.txt", ListOf({TestDataPath("calculator.png")}));
  const ProgramResult noList = RunBatchBinary({dir_ / "nolist.txt"});
  EXPECT_EQ(noList.exit_status, 2);
  EXPECT_EQ(noList.err, "vexlor-batch: cannot open list '" + (dir_ / "nolist.txt") +
                            "': No such file or directory\n");

  const std::string missingFolder = dir_ / "missing/out.txt";
  const ProgramResult noFolder = RunBatchBinary({"-o", missingFolder, dir_ / "list.txt"});
  EXPECT_EQ(noFolder.exit_status, 2);
  EXPECT_EQ(noFolder.err,
            "vexlor-batch: cannot open '" + missingFolder + "': No such file or directory\n");

  const ProgramResult full = RunBatchBinary({"-o", "/dev/full", dir_ / "list.txt"});
  EXPECT_EQ(full.exit_status, 2);
  EXPECT_EQ(full.err, "vexlor-batch: cannot write '/dev/full': No space left on device\n");

  ProgramSetup fullStdout;
  fullStdout.stdout_path = "/dev/full";
  EXPECT_EQ(RunBatchBinary({dir_ / "list.txt"}, fullStdout).exit_status, 2);

  const ProgramResult itself = RunBatchBinary({"-o", dir_ / "list.txt", dir_ / "list.txt"});
  EXPECT_EQ(itself.exit_status, 2);
  EXPECT_NE(itself.err.find("is the list itself"), std::string::npos) << itself.err;
  EXPECT_EQ(ReadFile(dir_ / "list.txt"), ListOf({TestDataPath("calculator.png")}));

  const ProgramResult folderList = RunBatchBinary({dir_.path().string()});
  EXPECT_EQ(folderList.exit_status, 2);
  EXPECT_NE(folderList.err.find("cannot read list"), std::string::npos) << folderList.err;
}

TEST_F(BatchTest, ProgressIsShownOnATerminalOnly) {
  WriteFile(dir_ / "list.txt", ListOf({TestDataPath("calculator.png"), "missing.png"}));
  auto onTerminal = [&](const std::string& options) {
    // script(1) gives the command a terminal for standard output and error.
    return RunProgram("/usr/bin/script",
                      {"-qec", std::string(VEXLOR_BATCH_BINARY) + " " + options +
                                   " -o " + (dir_ / "out.txt") + " " + (dir_ / "list.txt"),
                       "/dev/null"});
  };
  const ProgramResult shown = onTerminal("");
  EXPECT_EQ(shown.exit_status, 0);
  EXPECT_NE(shown.out.find("\r2 icons, 1 bad, "), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find(" icons/s in 0:00:0"), std::string::npos) << shown.out;
  EXPECT_EQ(onTerminal("--quiet").out, "");
  EXPECT_EQ(ReadFile(dir_ / "out.txt"), VexlorLoop({TestDataPath("calculator.png"), "missing.png"}, {}));
}

TEST_F(BatchTest, MemoryDoesNotGrowWithTheNumberOfIcons) {
#ifdef VEXLOR_SANITIZED
  GTEST_SKIP() << "AddressSanitizer holds freed memory back on purpose";
#endif
  // The same icons over and over: a run that kept its records would need
  // about 1.6 kB per line, some 40 MB for the long list.
  auto peakFor = [&](int repeats) {
    std::string list;
    for (int i = 0; i < repeats; ++i)
      list += TestDataPath("calculator.png") + "\n" + TestDataPath("one-pixel.png") + "\n";
    WriteFile(dir_ / "long.txt", list);
    const ProgramResult r = RunBatchBinary({"-j", "2", "-o", "/dev/null", dir_ / "long.txt"});
    EXPECT_EQ(r.exit_status, 0);
    return r.max_rss_kb;
  };
  const long shortPeak = peakFor(100);
  const long longPeak = peakFor(12500);
  EXPECT_LT(longPeak - shortPeak, 8 * 1024) << shortPeak << " kB, then " << longPeak << " kB";
}

}  // namespace

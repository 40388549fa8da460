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
    EXPECT_TRUE(r.err.ends_with("vexlor-batch: 4 of 17 icons gave \"Bad Icon\": 2 no image that "
                                "the image library reads, 1 No such file or directory, 1 not a "
                                "regular file\n")) << r.err;
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

  // A file left by an overwrite-mode vexlor run ends inside its line (a
  // plain results file: a data set's names would no longer match it).
  WriteFile(out, "1 2 3 ");
  std::filesystem::remove(out + ".names");
  std::filesystem::remove(out + ".manifest");
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
                        Case{{"-j", "1025"}, "--jobs"},
                        Case{{"-a"}, "--append requires --output"},
                        Case{{"--frobnicate"}, "--frobnicate"}}) {
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
  EXPECT_NE(help.out.find("Usage: vexlor-batch [OPTIONS] [INPUT...]"), std::string::npos)
      << help.out;
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
  EXPECT_FALSE(std::filesystem::exists("/dev/full.names")) << "a device is no data set";

  ProgramSetup fullStdout;
  fullStdout.stdout_path = "/dev/full";
  EXPECT_EQ(RunBatchBinary({dir_ / "list.txt"}, fullStdout).exit_status, 2);

  const ProgramResult itself = RunBatchBinary({"-o", dir_ / "list.txt", dir_ / "list.txt"});
  EXPECT_EQ(itself.exit_status, 2);
  EXPECT_NE(itself.err.find("is the list itself"), std::string::npos) << itself.err;
  EXPECT_EQ(ReadFile(dir_ / "list.txt"), ListOf({TestDataPath("calculator.png")}));

}

// What a user gets wrong is told, with the cause where the input shows it;
// a list that is no list is refused before anything is written.
TEST_F(BatchTest, BadPathsAreToldWithTheirCauseAndSummed) {
  WriteFile(dir_ / "crlf.txt", TestDataPath("calculator.png") + "\r\nmissing.png\r\n");
  const ProgramResult crlf = RunBatchBinary({"-q", dir_ / "crlf.txt"});
  EXPECT_EQ(crlf.exit_status, 0);
  EXPECT_EQ(crlf.out, "Bad Icon\nBad Icon\n");
  EXPECT_EQ(crlf.err,
            "vexlor-batch: cannot load '" + TestDataPath("calculator.png") +
                "\\x0d': No such file or directory (the path ends in a carriage return: a list "
                "with Windows line ends?)\n"
                "vexlor-batch: cannot load 'missing.png\\x0d': No such file or directory (the "
                "path ends in a carriage return: a list with Windows line ends?)\n"
                "vexlor-batch: 2 of 2 icons gave \"Bad Icon\": 2 No such file or directory\n");
  EXPECT_EQ(RunBatchBinary({"-q", "--error-on-bad", dir_ / "crlf.txt"}).exit_status, 3);
  const ProgramResult quiet = RunBatchBinary({"-q", "--no-reasons", "-e", dir_ / "crlf.txt"});
  EXPECT_EQ(quiet.exit_status, 3);
  EXPECT_EQ(quiet.err, "vexlor-batch: 2 of 2 icons gave \"Bad Icon\": 2 No such file or directory\n");

  WriteFile(dir_ / "nul.txt", TestDataPath("calculator.png") + '\0' + "missing.png" + '\0');
  for (const std::string& list : {TestDataPath("calculator.png"), dir_ / "nul.txt"}) {
    const ProgramResult refused = RunBatchBinary({"-o", dir_ / "out.txt", list});
    EXPECT_EQ(refused.exit_status, 1);
    EXPECT_TRUE(refused.err.starts_with("vexlor-batch: the list '" + list + "' ")) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.txt"));
  }
  const ProgramResult nul = RunBatchBinary({"-q", "-0", dir_ / "nul.txt"});
  EXPECT_EQ(nul.out, VexlorLoop({TestDataPath("calculator.png"), "missing.png"}, {}));
}

// A folder is walked in path order; files that are no image are passed
// over, and so are links to folders; damaged images are "Bad Icon".
TEST_F(BatchTest, FoldersAreWalkedAndTheirNonImagesPassedOver) {
  const std::filesystem::path icons = dir_.path() / "icons";
  std::filesystem::create_directories(icons / "b");
  std::filesystem::copy_file(TestDataPath("calculator.png"), icons / "b" / "z.png");
  std::filesystem::copy_file(TestDataPath("audio-card.jpg"), icons / "a.jpg");
  std::filesystem::copy_file(dir_ / "damaged.png", icons / "b" / "damaged.png");
  WriteFile(icons / "index.theme", "[Icon Theme]\n");
  WriteFile(icons / "b" / "cursor", std::string("Xcur\x10\0\0\0", 8));
  std::filesystem::create_directory_symlink(icons / "b", icons / "c");
  std::filesystem::create_symlink(icons / "a.jpg", icons / "d.jpg");
  WriteFile(dir_ / "list.txt", ListOf({TestDataPath("one-pixel.png")}));

  const ProgramResult r = RunBatchBinary({"-q", icons.string(), dir_ / "list.txt"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, VexlorLoop({(icons / "a.jpg").string(), (icons / "b" / "damaged.png").string(),
                               (icons / "b" / "z.png").string(), (icons / "d.jpg").string(),
                               TestDataPath("one-pixel.png")},
                              {}));
  EXPECT_NE(r.err.find("passed over 2 files in the folders that are no image"), std::string::npos)
      << r.err;
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
  // Quiet keeps the progress display off, not the reasons.
  EXPECT_EQ(onTerminal("--quiet").out,
            "vexlor-batch: cannot load 'missing.png': No such file or directory\r\n"
            "vexlor-batch: 1 of 2 icons gave \"Bad Icon\": 1 No such file or directory\r\n");
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

// A data set keeps its names and settings; appending keeps them, other
// settings are refused, and the search measures queries as the data set's
// records were made.
TEST_F(BatchTest, DataSetsKeepTheirNamesAndSettings) {
  const std::string a = TestDataPath("calculator.png"), b = TestDataPath("audio-card.png");
  const std::string data = dir_ / "data.txt";
  WriteFile(dir_ / "a.txt", a + "\n");
  WriteFile(dir_ / "b.txt", b + "\n");
  ASSERT_EQ(RunBatchBinary({"-q", "--background", "white", "-o", data, dir_ / "a.txt"}).exit_status, 0);
  ASSERT_EQ(RunBatchBinary({"-q", "--background", "#FFFFFF", "-a", "-o", data, dir_ / "b.txt"})
                .exit_status, 0);
  EXPECT_EQ(ReadFile(data + ".names"), a + "\n" + b + "\n");
  const std::string manifest = ReadFile(data + ".manifest");
  for (const char* setting : {"form: tinyint\n", "background: #ffffff\n", "blur: 0\n", "svg-size: 0\n",
                              "names: lines\n", "lines: 2\n"})
    EXPECT_NE(manifest.find(setting), std::string::npos) << setting << manifest;

  const std::string before = ReadFile(data);
  const ProgramResult other = RunBatchBinary({"-q", "-a", "-o", data, dir_ / "b.txt"});
  EXPECT_EQ(other.exit_status, 1);
  EXPECT_EQ(other.err, "vexlor-batch: cannot append to the data set '" + data +
                           "': it was made with --background #ffffff (" + data +
                           ".manifest), this run has --background none\n");
  EXPECT_EQ(ReadFile(data), before);

  // Names that no longer match the lines are not appended to.
  const std::string names = ReadFile(data + ".names");
  WriteFile(data + ".names", a + "\n");
  EXPECT_EQ(RunBatchBinary({"-q", "--background", "white", "-a", "-o", data, dir_ / "b.txt"})
                .exit_status, 1);
  WriteFile(data + ".names", names);
  EXPECT_EQ(ReadFile(data), before);

  const ProgramResult found = RunProgram(VEXLOR_NEAREST_BINARY, {"-k", "1", data, a});
  EXPECT_EQ(found.exit_status, 0) << found.err;
  EXPECT_EQ(found.out, a + "\t1\t0\t" + a + "\n");
  // Records queries from a data set are named by its names.
  EXPECT_EQ(RunProgram(VEXLOR_NEAREST_BINARY, {"-k", "1", "--records", data, data}).out,
            a + "\t1\t0\t" + a + "\n" + b + "\t1\t0\t" + b + "\n");
  const ProgramResult contradicted =
      RunProgram(VEXLOR_NEAREST_BINARY, {"--background", "black", data, a});
  EXPECT_EQ(contradicted.exit_status, 1);
  EXPECT_NE(contradicted.err.find("--background #000000 contradicts the data set"), std::string::npos)
      << contradicted.err;

  // A plain results file (no manifest) keeps to one form.
  WriteFile(dir_ / "plain.txt", ReadFile(data));
  const ProgramResult mixed = RunBatchBinary({"-q", "--double", "-a", "-o", dir_ / "plain.txt", dir_ / "a.txt"});
  EXPECT_EQ(mixed.exit_status, 1);
  EXPECT_NE(mixed.err.find("holds records in the TinyInt form"), std::string::npos) << mixed.err;
}

}  // namespace

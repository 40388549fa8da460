// The vexlor command as its users see it: console text, exit status and the
// files it leaves, checked by running the built binary.

#include <regex>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "tests/test_support.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;

const std::string kBadArguments =
    "\nERROR: bad arguments.\n"
    "\n Vexlor: \n"
    "-----------------------------\n"
    "\nProgram arguments:\n\n"
    "     -I [Filename]\tIcon filename. (MUST) \n\n"
    "     -R [Filename]\tResults filename. (defual = results.txt) \n\n"
    "     -SI [Filename]\tSave processed Iamge into filename. (defual: No Saving) \n\n"
    "     -PR [0/1]\t\tPrint results. 0- Don't Show, 1- show \n\n"
    "     -PI [0/1]\t\tPrint information. 0- Don't Show, 1- show \n\n"
    "     -SF [0/1]\t\tShow processed Figures. 0- Don't Show, 1- show \n\n"
    "     -TI [0/1]\t\tuse TinyInt for vectors. Defult = 1 - use \n\n"
    "     -A [0/1]\t\tAppend results to result file. 0- run over, 1- append \n\n"
    "     -B [0,1,2,3]\tBlur disk size. \n\n"
    "     -cR [0..3]\t\tRed distortion on image. \n\n"
    "     -cG [0..3]\t\tGreen distortion on image. \n\n"
    "     -cB [0..3]\t\tBlue distortion on image. \n\n"
    "Example: Vexlor.exe -I tmp1.png -B 1 \n\n";

const std::string kIcon = TestDataPath("calculator.png");

class CliTest : public testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& args, ProgramSetup setup = {}) {
    setup.cwd = dir_.path().string();
    return RunVexlorBinary(args, setup);
  }
  std::string Results(const std::string& name = "results.txt") const {
    return ReadFile(dir_ / name);
  }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(dir_.path() / name);
  }
  // The record that a plain run with `args` writes.
  std::string RecordOf(std::vector<std::string> args) {
    args.insert(args.end(), {"-R", "reference.txt"});
    EXPECT_EQ(Run(args).exit_status, 0);
    return Results("reference.txt");
  }

  TempDir dir_;
};

TEST_F(CliTest, BadArgumentCountsPrintTheUsageAndTouchNoFile) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"-I"}, {"-I", kIcon, "-B"},
        {"-I", kIcon, "-A", "1", "x"}}) {
    const ProgramResult r = Run(args);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, kBadArguments);
    EXPECT_EQ(r.err, "");
  }
  EXPECT_FALSE(Exists("results.txt"));
}

TEST_F(CliTest, MissingIconOptionValuelessOptionAndBadBlurAreBadArguments) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-B", "1"},
        {"-R", "r.txt", "-A", "1"},
        {"-I", kIcon, "stray", "-R"},
        {"-I", kIcon, "-B", "-1"},
        {"-I", kIcon, "-B", "1073741824"}}) {
    const ProgramResult r = Run(args);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, kBadArguments);
  }
  EXPECT_FALSE(Exists("results.txt"));
  EXPECT_FALSE(Exists("r.txt"));
}

TEST_F(CliTest, AnIconThatCannotBeLoadedIsRecordedAsBadIcon) {
  WriteFile(dir_ / "text.png", "this is no image\n");
  std::filesystem::create_directory(dir_.path() / "folder.png");
  for (const std::string& icon : {std::string("missing.png"), std::string("text.png"),
                                  std::string("folder.png")}) {
    const ProgramResult r = Run({"-I", icon, "-PI", "1", "-PR", "1"});
    EXPECT_EQ(r.exit_status, 255) << icon;
    EXPECT_EQ(r.out, "") << icon;
    EXPECT_EQ(r.err, "") << icon;
    EXPECT_EQ(Results(), "Bad Icon");
  }
  EXPECT_EQ(Run({"-I", "missing.png", "-A", "1"}).exit_status, 255);
  EXPECT_EQ(Run({"-I", "missing.png", "-A", "1"}).exit_status, 255);
  EXPECT_EQ(Results(), "Bad Icon\nBad Icon\nBad Icon\n")
      << "the overwrite run left no newline: the first append adds one";
}

TEST_F(CliTest, AnImageTheLibraryRefusesIsABadIconNotACrash) {
  // Its header declares 100000 x 100000 pixels, beyond the limit: refused,
  // and told why.
  const ProgramResult r = Run({"-I", TestDataPath("hostile/huge-header.png")});
  EXPECT_EQ(r.exit_status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "vexlor: cannot load '" + TestDataPath("hostile/huge-header.png") +
                       "': more than 67108864 pixels\n");
  EXPECT_EQ(Results(), "Bad Icon");
}

TEST_F(CliTest, ADamagedDicomFileIsRefusedNotHandedToTheLibrary) {
  // 133 bytes on which the library's DICOM reader fails an assertion.
  const std::string path = TestDataPath("hostile/damaged.dcm");
  const ProgramResult r = Run({"-I", path});
  EXPECT_EQ(r.exit_status, 255);
  EXPECT_EQ(r.err, "vexlor: cannot load '" + path +
                       "': a DICOM file (not read: the image library's DICOM reader aborts the "
                       "process on damaged files)\n");
  EXPECT_EQ(Results(), "Bad Icon");
}

TEST_F(CliTest, CompleteRunWritesOneRecordAndPrintsNothing) {
  WriteFile(dir_ / "results.txt", "old\n");
  const ProgramResult r = Run({"-I", kIcon});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  const std::string record = Results();
  EXPECT_EQ(Tokens(record).size(), 416u);
  EXPECT_EQ(record.back(), ' ');
  EXPECT_EQ(record.find('\n'), std::string::npos);
  EXPECT_EQ(record.find("old"), std::string::npos);
}

TEST_F(CliTest, AppendModeCollectsOneLinePerRun) {
  ASSERT_EQ(Run({"-I", kIcon, "-A", "1"}).exit_status, 0);
  ASSERT_EQ(Run({"-I", kIcon, "-A", "1", "-TI", "0"}).exit_status, 0);
  const std::string text = Results();
  const size_t firstEnd = text.find('\n');
  ASSERT_NE(firstEnd, std::string::npos);
  EXPECT_EQ(text.substr(0, firstEnd + 1), RecordOf({"-I", kIcon}) + "\n");
  EXPECT_EQ(text.substr(firstEnd + 1), RecordOf({"-I", kIcon, "-TI", "0"}) + "\n");
}

TEST_F(CliTest, TimingMessagesFrameTheListing) {
  const ProgramResult info = Run({"-I", kIcon, "-PI", "1", "-PR", "0"});
  EXPECT_EQ(info.exit_status, 0);
  const std::regex timings(
      "\nINFO: LoadIamge\\(\\) \\+ Descriptors\\(\\) \\+ IconProcess\\(\\) "
      "functions took [0-9]+ ms\\.\n"
      "\nINFO: WriteToFile\\(\\) function took [0-9]+ ms\\.\n");
  EXPECT_TRUE(std::regex_match(info.out, timings)) << info.out;

  const ProgramResult both = Run({"-I", kIcon, "-PI", "1", "-PR", "1"});
  const ProgramResult listing = Run({"-I", kIcon, "-PR", "1"});
  EXPECT_EQ(listing.out.size(), 1962u);
  const size_t at = both.out.find(listing.out);
  ASSERT_NE(at, std::string::npos);
  EXPECT_TRUE(std::regex_match(
      both.out.substr(0, at) + both.out.substr(at + listing.out.size()), timings));
}

TEST_F(CliTest, ListingDoesNotChangeTheResultsFile) {
  EXPECT_EQ(RecordOf({"-I", kIcon, "-PR", "1"}), RecordOf({"-I", kIcon}));
}

TEST_F(CliTest, TinyIntSwitchReadsAsAtoi) {
  const std::string tiny = RecordOf({"-I", kIcon});
  const std::string doubles = RecordOf({"-I", kIcon, "-TI", "0"});
  EXPECT_NE(tiny, doubles);
  EXPECT_EQ(RecordOf({"-I", kIcon, "-TI", "5"}), tiny);
  EXPECT_EQ(RecordOf({"-I", kIcon, "-TI", "abc"}), doubles);
  EXPECT_EQ(Tokens(doubles)[208], "16");
}

TEST_F(CliTest, FirstOccurrenceCountsAndStrayOptionsAreIgnored) {
  const std::string blur1 = RecordOf({"-I", kIcon, "-B", "1"});
  EXPECT_NE(blur1, RecordOf({"-I", kIcon}));
  EXPECT_EQ(RecordOf({"-I", kIcon, "-B", "1", "-B", "3"}), blur1);
  EXPECT_EQ(RecordOf({"-X", "7", "-I", kIcon, "-B", "1", "word", "-B"}), blur1);
  EXPECT_EQ(RecordOf({"-I", kIcon, "-B", "abc"}), RecordOf({"-I", kIcon}));
  EXPECT_EQ(RecordOf({"-I", kIcon, "-cR", "1", "-cG", "1", "-cB", "1.0"}),
            RecordOf({"-I", kIcon}));
}

TEST_F(CliTest, SavesTheDistortedIconOnlyWhenAskedTo) {
  EXPECT_EQ(Run({"-I", kIcon, "-SI", "no"}).exit_status, 0);
  EXPECT_FALSE(Exists("no"));
  ASSERT_EQ(Run({"-I", kIcon, "-SI", "saved.png", "-B", "2", "-cG", "0.5"}).exit_status, 0);
  cv::Mat expected = cv::imread(kIcon, cv::IMREAD_COLOR);
  IconProcess(expected, Distortion{.blur = 2, .green = 0.5});
  const cv::Mat saved = cv::imread(dir_ / "saved.png", cv::IMREAD_UNCHANGED);
  ASSERT_EQ(saved.size(), expected.size());
  EXPECT_EQ(cv::countNonZero(saved.reshape(1) != expected.reshape(1)), 0);
}

TEST_F(CliTest, AFailedSaveIsReportedAndTheRunStillCompletes) {
  for (const std::string& target : {std::string("missing/saved.png"), std::string("saved.xyz"),
                                    std::string("No")}) {
    std::filesystem::remove(dir_.path() / "results.txt");
    const ProgramResult r = Run({"-I", kIcon, "-SI", target, "-PR", "1"});
    EXPECT_EQ(r.exit_status, 2) << target;
    EXPECT_EQ(r.out.size(), 1962u);
    EXPECT_NE(r.err.find("vexlor: cannot save the icon as '" + target + "': "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(Results(), RecordOf({"-I", kIcon}));
  }
}

TEST_F(CliTest, AnUnwritableResultsFileIsReported) {
  const ProgramResult r = Run({"-I", kIcon, "-R", "missing/r.txt", "-PI", "1"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: results file: cannot open 'missing/r.txt': "
                   "No such file or directory\n");
  EXPECT_NE(r.out.find("INFO: WriteToFile()"), std::string::npos);

  const ProgramResult bad = Run({"-I", "missing.png", "-R", "missing/r.txt"});
  EXPECT_EQ(bad.exit_status, 255);
  EXPECT_NE(bad.err.find("cannot open 'missing/r.txt'"), std::string::npos);
}

TEST_F(CliTest, AWindowWithoutADisplayIsReported) {
  auto RunWith = [this](const std::string& env) {
    ProgramSetup setup;
    setup.set_env = {env};
    return Run({"-I", kIcon, "-SF", "1"}, setup).err;
  };
  ProgramSetup setup;
  setup.unset_env = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  const ProgramResult r = Run({"-I", kIcon, "-SF", "1", "-A", "1"}, setup);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "vexlor: cannot show '" + kIcon +
                       "' in the window \"ProcessedIcon\": no display "
                       "(DISPLAY is not set)\n");
  EXPECT_EQ(Results(), RecordOf({"-I", kIcon}) + "\n");

  // The toolkit's own failures, whatever it does about them (here it
  // aborts), end in one line and exit status 2, the record already written.
  for (const char* env : {"DISPLAY=:97", "QT_QPA_PLATFORM=bogus"}) {
    std::filesystem::remove(dir_.path() / "results.txt");
    setup.set_env = {"DISPLAY=:97", env};  // no server there
    const ProgramResult failed = Run({"-I", kIcon, "-SF", "1"}, setup);
    EXPECT_EQ(failed.exit_status, 2) << env;
    EXPECT_TRUE(failed.err.starts_with("vexlor: cannot show '" + kIcon + "'")) << failed.err;
    EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
    EXPECT_EQ(Results(), RecordOf({"-I", kIcon})) << env;
  }
  EXPECT_NE(RunWith("DISPLAY=:97").find("could not connect to display :97"), std::string::npos);

  // No key can ever arrive there: refused before anything is shown.
  EXPECT_EQ(RunWith("QT_QPA_PLATFORM=offscreen"),
            "vexlor: cannot show '" + kIcon + "' in the window \"ProcessedIcon\": the window "
            "platform 'offscreen' (QT_QPA_PLATFORM) can never deliver a key press\n");
}

TEST_F(CliTest, ConsoleTextThatCannotBeWrittenIsReported) {
  ProgramSetup full;
  full.stdout_path = "/dev/full";
  const ProgramResult r = Run({"-I", kIcon, "-PR", "1"}, full);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: cannot write to standard output: No space left on device\n");
  EXPECT_EQ(Results(), RecordOf({"-I", kIcon}));

  ProgramSetup closed;
  closed.close_stdout = true;
  std::filesystem::remove(dir_.path() / "results.txt");
  const ProgramResult c = Run({"-I", kIcon, "-PI", "1"}, closed);
  EXPECT_EQ(c.exit_status, 2);
  EXPECT_EQ(c.err, "vexlor: cannot write to standard output: Bad file descriptor\n");
  EXPECT_EQ(Results(), RecordOf({"-I", kIcon})) << "console text kept out of the file";

  // Nothing to print, nothing to report.
  EXPECT_EQ(Run({"-I", kIcon}, closed).exit_status, 0);
  EXPECT_EQ(Run({"-I", kIcon}, full).exit_status, 0);
  EXPECT_EQ(Run({}, full).exit_status, 1);
}

}  // namespace

// A PNG icon is measured without the image library, which the tools load
// from their plugin only when an icon needs it: linked in, it would cost
// every run several times the run's own work.
TEST(Programs, TheMeasuringToolsDoNotLinkTheImageLibrary) {
  for (const char* program : {VEXLOR_BINARY, VEXLOR_BATCH_BINARY, VEXLOR_NEAREST_BINARY}) {
    const ProgramResult r = RunProgram("/usr/bin/ldd", {program});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out.find("libopencv"), std::string::npos) << program << ":\n" << r.out;
  }
}

// PNG and JPEG icons, blurred and scaled, are measured without loading the
// plugin; other formats load it. The dynamic loader's own trace tells.
TEST(Programs, LoadTheImageLibraryOnlyForOtherFormats) {
  const auto loadsThePlugin = [](const std::string& icon, std::vector<std::string> options) {
    TempDir dir;
    ProgramSetup traced;
    traced.set_env = {"LD_DEBUG=files"};
    options.insert(options.begin(), {"-I", icon, "-R", dir / "r.txt"});
    const ProgramResult r = RunVexlorBinary(options, traced);
    EXPECT_EQ(r.exit_status, 0) << icon;
    return r.err.find("vexlor-imaging.so") != std::string::npos;
  };
  const std::vector<std::string> distorted = {"-B", "2", "-cR", "0.8", "-cG", "nan"};
  for (const char* name : {"calculator.png", "audio-card.jpg"}) {
    EXPECT_FALSE(loadsThePlugin(TestDataPath(name), {})) << name;
    EXPECT_FALSE(loadsThePlugin(TestDataPath(name), distorted)) << name;
  }
  EXPECT_TRUE(loadsThePlugin(TestDataPath("audio-card.bmp"), {}));
}

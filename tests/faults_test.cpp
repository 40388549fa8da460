// Both tools when the world lets them down: full disks, memory limits, huge
// images, odd files, pipes. Every path still gets exactly one whole line, and
// every failure is told on standard error with exit status 2.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "tests/test_support.h"

namespace {

const std::string kIcon = TestDataPath("calculator.png");
constexpr long kGiB = 1L << 30;

#ifdef VEXLOR_SANITIZED
// AddressSanitizer reserves terabytes of address space: no RLIMIT_AS there.
constexpr bool kCanLimitMemory = false;
#else
constexpr bool kCanLimitMemory = true;
#endif

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xffffffffu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(std::string& bytes, size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    bytes[at + i] = static_cast<char>(value >> (8 * (size - 1 - i)));
}

std::string Encode(const std::string& ext) {
  std::vector<uchar> bytes;
  cv::imencode(ext, SolidIcon(8, 8, cv::Vec3b(10, 20, 30)), bytes);
  return std::string(bytes.begin(), bytes.end());
}

// A small PNG whose header claims `side` x `side` pixels.
std::string PngClaiming(std::uint32_t side) {
  std::string png = Encode(".png");
  PutBigEndian(png, 16, side, 4);
  PutBigEndian(png, 20, side, 4);
  PutBigEndian(png, 29, Crc32(png.substr(12, 17)), 4);
  return png;
}

// A small baseline JPEG whose frame header claims `side` x `side` pixels.
std::string JpegClaiming(std::uint16_t side) {
  std::string jpeg = Encode(".jpg");
  const size_t frame = jpeg.find("\xff\xc0");
  PutBigEndian(jpeg, frame + 5, side, 2);
  PutBigEndian(jpeg, frame + 7, side, 2);
  return jpeg;
}

class FaultsTest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  std::string RecordOf(const std::string& icon, const std::vector<std::string>& options = {}) {
    std::vector<std::string> args = {"-I", icon, "-R", Path("reference.txt")};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(RunVexlorBinary(args).exit_status, 0);
    return ReadFile(Path("reference.txt"));
  }
  static int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }

  TempDir dir_;
};

TEST_F(FaultsTest, AWriteBeyondTheFileSizeLimitLeavesOnlyWholeLines) {
  const std::string line = RecordOf(kIcon) + "\n";
  const std::string results = Path("results.txt");
  ProgramSetup limited;

  // vexlor: one record more would cross the limit.
  const std::string before = line + line;
  limited.file_size_limit = static_cast<long>(before.size() + 100);
  WriteFile(results, before);
  ProgramResult r = RunVexlorBinary({"-I", kIcon, "-R", results, "-A", "1"}, limited);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: results file: cannot write '" + results + "': File too large\n");
  EXPECT_EQ(ReadFile(results), before);
  limited.file_size_limit = 1000;
  r = RunVexlorBinary({"-I", kIcon, "-R", results, "-A", "0"}, limited);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(ReadFile(results), "") << "overwrite keeps nothing of the new record";

  // vexlor-batch writes in chunks of many lines: those that fit stay whole,
  // the one that does not is cut back.
  std::string list;
  for (int i = 0; i < 200; ++i) list += kIcon + "\n";
  WriteFile(Path("list"), list);
  limited.file_size_limit = 100 * 1024;
  for (const bool append : {false, true}) {
    WriteFile(results, "Bad Icon\n");
    // A plain results file: the names of the data set made before no longer
    // match it, and appending to them is refused.
    std::filesystem::remove(results + ".names");
    std::filesystem::remove(results + ".manifest");
    std::vector<std::string> args = {"-q", "-j", "1", "-o", results, Path("list")};
    if (append) args.insert(args.begin(), "-a");
    r = RunBatchBinary(args, limited);
    EXPECT_EQ(r.exit_status, 2) << append;
    EXPECT_EQ(r.err, "vexlor-batch: cannot write '" + results + "': File too large\n");
    std::string text = ReadFile(results);
    if (append) {
      ASSERT_TRUE(text.starts_with("Bad Icon\n"));
      text.erase(0, 9);
    }
    EXPECT_GT(text.size(), 0u);
    EXPECT_EQ(text.size() % line.size(), 0u) << append;
    EXPECT_EQ(text.substr(0, line.size()), line);
  }

  limited.file_size_limit = 4096;
  // A saved icon that does not fit is reported and not left half written.
  std::filesystem::remove(results);
  r = RunVexlorBinary(
      {"-I", TestDataPath("package-256.png"), "-R", results, "-SI", Path("saved.bmp")}, limited);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: cannot save the icon as '" + Path("saved.bmp") +
                       "': File too large\n");
  EXPECT_EQ(ReadFile(Path("saved.bmp")), "");
  EXPECT_EQ(ReadFile(results), RecordOf(TestDataPath("package-256.png")));
}

TEST_F(FaultsTest, ImagesBeyondThePixelLimitAreBadIconsAndTheBatchGoesOn) {
  WriteFile(Path("huge.png"), PngClaiming(20000));
  WriteFile(Path("huge.jpg"), JpegClaiming(32000));
  const std::string results = Path("results.txt");
  for (const char* huge : {"huge.png", "huge.jpg"}) {
    const ProgramResult r = RunVexlorBinary({"-I", Path(huge), "-R", results});
    EXPECT_EQ(r.exit_status, 255) << huge;
    EXPECT_EQ(r.err, "vexlor: cannot load '" + Path(huge) + "': more than 67108864 pixels\n");
    EXPECT_EQ(ReadFile(results), "Bad Icon") << huge;
  }

  // One such file among normal icons, under a memory limit that decoding it
  // would break: every other record is there, in order.
  WriteFile(Path("list"), kIcon + "\n" + kIcon + "\n" + Path("huge.png") + "\n" +
                              Path("huge.jpg") + "\n" + kIcon + "\n");
  ProgramSetup limited;
  if (kCanLimitMemory) limited.address_space_limit = 2 * kGiB;
  const std::string line = RecordOf(kIcon) + "\n";
  for (const char* jobs : {"1", "2"}) {
    const ProgramResult r = RunBatchBinary({"-q", "-j", jobs, Path("list")}, limited);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, line + line + "Bad Icon\nBad Icon\n" + line) << jobs;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;  // and the summary
  }
}

// A progressive JPEG claiming `side` x `side` pixels, with `scans` empty
// scans added before its end (each one a pass over the whole image).
std::string ProgressiveClaiming(std::uint16_t side, int scans) {
  std::vector<uchar> bytes;
  cv::imencode(".jpg", SolidIcon(16, 16, cv::Vec3b(10, 20, 30)), bytes,
               {cv::IMWRITE_JPEG_PROGRESSIVE, 1});
  std::string jpeg(bytes.begin(), bytes.end());
  const size_t frame = jpeg.find("\xff\xc2");
  PutBigEndian(jpeg, frame + 5, side, 2);
  PutBigEndian(jpeg, frame + 7, side, 2);
  std::string scan = "\xff\xda";
  scan += {0, 12, 3, 1, 0, 2, 0, 3, 0, 0, 0, 0x10};  // DC refinement of the 3 components
  std::string added;
  for (int i = 0; i < scans; ++i) added += scan;
  return jpeg.insert(jpeg.size() - 2, added);
}

TEST_F(FaultsTest, JpegScanBombsAndProgressiveMemoryAreRefusedAndTold) {
  // 20,000 scans over 4096 x 4096 pixels took the library's decoding minutes;
  // a progressive 8192 x 8192 file needs 400 MB of coefficients beside its
  // 192 MB of pixels.
  WriteFile(Path("scans.jpg"), ProgressiveClaiming(4096, 20000));
  WriteFile(Path("progressive.jpg"), ProgressiveClaiming(8192, 0));
  const std::string results = Path("results.txt");
  const ProgramResult scans = RunVexlorBinary({"-I", Path("scans.jpg"), "-R", results});
  EXPECT_EQ(scans.exit_status, 255);
  EXPECT_EQ(scans.err, "vexlor: cannot load '" + Path("scans.jpg") + "': a JPEG of more than 100 scans\n");
  EXPECT_EQ(ReadFile(results), "Bad Icon");
  const ProgramResult memory = RunVexlorBinary({"-I", Path("progressive.jpg"), "-R", results});
  EXPECT_EQ(memory.exit_status, 255);
  EXPECT_EQ(memory.err, "vexlor: cannot load '" + Path("progressive.jpg") +
                            "': a JPEG of several scans whose decoding needs more than 201326592 bytes\n");

  WriteFile(Path("list"), Path("scans.jpg") + "\n" + kIcon + "\n" + Path("progressive.jpg") + "\n");
  const ProgramResult batch = RunBatchBinary({"-q", "-j", "2", Path("list")});
  EXPECT_EQ(batch.exit_status, 0);
  EXPECT_EQ(batch.out, "Bad Icon\n" + RecordOf(kIcon) + "\nBad Icon\n");
  EXPECT_EQ(std::count(batch.err.begin(), batch.err.end(), '\n'), 3) << batch.err;
}

TEST_F(FaultsTest, APixelSettingThatIsNoLimitIsToldAndTheDefaultUsed) {
  cv::imwrite(Path("icon.bmp"), SolidIcon(40, 40, cv::Vec3b(1, 2, 3)));
  const std::string results = Path("results.txt");
  for (const char* setting : {"-1", "abc", "0", "1GB", "99999999999999999999"}) {
    ProgramSetup bad;
    bad.set_env = {std::string("OPENCV_IO_MAX_IMAGE_PIXELS=") + setting};
    const std::string told = std::string("OPENCV_IO_MAX_IMAGE_PIXELS='") + setting +
                             "' is no pixel limit (a whole number above 0, KB or MB after it "
                             "if wished): 67108864 pixels are used\n";
    for (const std::string& icon : {Path("icon.bmp"), kIcon}) {
      const ProgramResult r = RunVexlorBinary({"-I", icon, "-R", results}, bad);
      EXPECT_EQ(r.exit_status, 0) << setting << " " << icon;
      EXPECT_EQ(r.err, "vexlor: " + told) << icon;
    }
    WriteFile(Path("list"), Path("icon.bmp") + "\n");
    const ProgramResult b = RunBatchBinary({"-q", Path("list")}, bad);
    EXPECT_EQ(b.exit_status, 0) << setting;
    EXPECT_EQ(b.err, "vexlor-batch: " + told);
    const ProgramResult c =
        RunProgram(VEXLOR_CARD_BINARY, {Path("icon.bmp"), "-o", Path("card.png")}, bad);
    EXPECT_EQ(c.exit_status, 0) << setting;
    EXPECT_EQ(c.err, "vexlor-card: " + told);
  }
  // One reading for every format, suffixes as the image library reads them:
  // 1KB is 1024 pixels, fewer than the 40 x 40 icons have.
  ProgramSetup small;
  small.set_env = {"OPENCV_IO_MAX_IMAGE_PIXELS=1KB"};
  for (const std::string& icon : {Path("icon.bmp"), kIcon})
    EXPECT_EQ(RunVexlorBinary({"-I", icon, "-R", results}, small).exit_status, 255) << icon;
}

TEST_F(FaultsTest, ABlurFarBeyondTheIconIsRefusedNotAttempted) {
  const std::string results = Path("results.txt");
  // It grew to 24 GB before; now it is refused before any work.
  const ProgramResult r =
      RunVexlorBinary({"-I", kIcon, "-R", results, "-B", "1073741823"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: cannot measure '" + kIcon + "': a blur of 1073741823 on a 48 x 48 icon "
                   "is more work than a blur may take (aperture x (pixels + aperture) at most "
                   "134217728)\n");
  EXPECT_EQ(ReadFile(results), "Bad Icon");
  // A blur beyond the tabulated ones but within the bound is still done.
  EXPECT_EQ(RunVexlorBinary({"-I", kIcon, "-R", results, "-B", "300"}).exit_status, 0);
  EXPECT_EQ(Tokens(ReadFile(results)).size(), 416u);
}

TEST_F(FaultsTest, TheImageLibrarysPixelSettingReplacesTheLimit) {
  // 8200 x 8200 is just above the limit of 2^26 pixels.
  cv::imwrite(Path("photo.png"), cv::Mat(8200, 8200, CV_8UC1, cv::Scalar(90)),
              {cv::IMWRITE_PNG_BILEVEL, 1});
  const std::string results = Path("results.txt");
  EXPECT_EQ(RunVexlorBinary({"-I", Path("photo.png"), "-R", results}).exit_status, 255);
  ProgramSetup raised, lowered;
  raised.set_env = {"OPENCV_IO_MAX_IMAGE_PIXELS=70000000"};
  EXPECT_EQ(RunVexlorBinary({"-I", Path("photo.png"), "-R", results}, raised).exit_status, 0);
  EXPECT_EQ(Tokens(ReadFile(results)).size(), 416u);
  lowered.set_env = {"OPENCV_IO_MAX_IMAGE_PIXELS=1000"};
  EXPECT_EQ(RunVexlorBinary({"-I", kIcon, "-R", results}, lowered).exit_status, 255);
}

TEST_F(FaultsTest, AnIconThatCannotBeMeasuredStillGetsItsLine) {
  if (!kCanLimitMemory) GTEST_SKIP() << "needs a memory limit";
  // A blur this large is refused once the icon is loaded (it would need
  // gigabytes): the icon's line is still written.
  ProgramSetup limited;
  limited.address_space_limit = 4 * kGiB;
  const std::string results = Path("results.txt");
  WriteFile(results, "Bad Icon\n");
  const ProgramResult r =
      RunVexlorBinary({"-I", kIcon, "-R", results, "-A", "1", "-B", "1000000000"}, limited);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(r.err.starts_with("vexlor: cannot measure '" + kIcon + "': ")) << r.err;
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_EQ(ReadFile(results), "Bad Icon\nBad Icon\n");

  // vexlor-batch, which measures through the same path, takes blurs up to
  // 255 only: such a blur is refused before any work.
  WriteFile(Path("list"), kIcon + "\n");
  const ProgramResult b = RunBatchBinary({"-q", "--blur", "1000000000", Path("list")}, limited);
  EXPECT_EQ(b.exit_status, 1);
  EXPECT_EQ(b.out, "");
}

TEST_F(FaultsTest, PathsThatAreNoRegularFilesNeverBlockOrMislead) {
  ASSERT_EQ(::mkfifo(Path("pipe.png").c_str(), 0600), 0);
  const std::string results = Path("results.txt");
  // An icon that is a pipe with no writer would block the run forever.
  EXPECT_EQ(RunVexlorBinary({"-I", Path("pipe.png"), "-R", results}).exit_status, 255);
  EXPECT_EQ(ReadFile(results), "Bad Icon");

  // A results file that is a pipe with no reader would swallow the record.
  const ProgramResult r = RunVexlorBinary({"-I", kIcon, "-R", Path("pipe.png"), "-A", "1"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: results file: cannot open '" + Path("pipe.png") +
                       "': no process reads from this pipe\n");

  // A path holding a NUL byte, or longer than any path, names no file: it
  // must not be read as a shorter path that does. (A NUL byte in the list's
  // first block refuses the whole list: it is put beyond it.)
  std::string list;
  for (int i = 0; i < 17; ++i) list += kIcon + std::string(4100, '/') + "\n";
  list += kIcon + std::string(1, '\0') + "junk\n" + Path("pipe.png") + "\n";
  WriteFile(Path("list"), list);
  const ProgramResult b = RunBatchBinary({"-q", Path("list")});
  EXPECT_EQ(b.exit_status, 0);
  std::string bad;
  for (int i = 0; i < 19; ++i) bad += "Bad Icon\n";
  EXPECT_EQ(b.out, bad);
  EXPECT_NE(b.err.find("the path holds a NUL byte (a list of paths that end in NUL is read with -0)"),
            std::string::npos) << b.err;
}

TEST_F(FaultsTest, TheOutputIsTouchedOnlyOnceTheListIsReadable) {
  WriteFile(Path("dataset.txt"), "precious\n");
  const ProgramResult r = RunBatchBinary({"-q", "-o", Path("dataset.txt"), kIcon});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, "vexlor-batch: the list '" + kIcon +
                       "' is an image, not a list of paths (give a file of paths, or the folder "
                       "it is in)\n");
  EXPECT_EQ(ReadFile(Path("dataset.txt")), "precious\n");

  ProgramSetup closed;
  closed.close_stdout = true;
  closed.stdin_text = kIcon + "\n";
  const ProgramResult c = RunBatchBinary({"-q"}, closed);
  EXPECT_EQ(c.exit_status, 2);
  EXPECT_EQ(c.err, "vexlor-batch: cannot write to standard output: Bad file descriptor\n");
}

// vexlor-batch as a co-process: each path written to it gets its line back
// before the next path is sent.
TEST_F(FaultsTest, BatchAnswersEachPathWithoutWaitingForMore) {
  const std::string line = RecordOf(kIcon) + "\n";
  for (const char* jobs : {"1", "2"}) {
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::close(in[1]);
      ::close(out[0]);
      ::execl(VEXLOR_BATCH_BINARY, "vexlor-batch", "-q", "-j", jobs, nullptr);
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    for (int round = 0; round < 2; ++round) {
      const std::string path = kIcon + "\n";
      ASSERT_EQ(::write(in[1], path.data(), path.size()), static_cast<ssize_t>(path.size()));
      std::string got;
      while (got.size() < line.size()) {
        // A generous guard against a run that never answers; no timing.
        struct pollfd ready = {out[0], POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 120000), 1) << "no answer with -j " << jobs;
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        got.append(buffer, static_cast<size_t>(n));
      }
      EXPECT_EQ(got, line) << "-j " << jobs;
    }
    ::close(in[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

}  // namespace

// Files from anywhere: whatever an icon file holds, a run ends with exactly
// one whole record or "Bad Icon", the specified exit code, and no crash.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "tests/test_support.h"
#include "vexlor/icon.h"

namespace {

class HostileInputs : public testing::Test {
 protected:
  // Runs vexlor on `icon` and checks that the outcome is one of the two
  // specified ones. Returns true when the icon was measured.
  bool RunsCleanly(const std::string& icon) {
    const std::string results = dir_ / "results.txt";
    std::filesystem::remove(results);
    const ProgramResult r = RunVexlorBinary({"-I", icon, "-R", results});
    const std::string record = ReadFile(results);
    EXPECT_EQ(r.out, "") << icon;
    EXPECT_EQ(r.err, "") << icon;
    if (r.exit_status == 255) {
      EXPECT_EQ(record, "Bad Icon") << icon;
      return false;
    }
    EXPECT_EQ(r.exit_status, 0) << icon << "\n" << r.err;
    EXPECT_EQ(Tokens(record).size(), 416u) << icon;
    EXPECT_EQ(record.back(), ' ') << icon;
    return true;
  }

  TempDir dir_;
};

TEST_F(HostileInputs, EmptyTruncatedAndCorruptFilesOfEveryFormat) {
  const cv::Mat icon = cv::imread(TestDataPath("audio-card.png"), cv::IMREAD_COLOR);
  for (const std::string ext : {".png", ".jpg", ".bmp", ".tiff", ".webp", ".ppm", ".exr", ".jp2",
                                ".sr", ".hdr", ".pfm"}) {
    std::vector<uchar> bytes;
    cv::Mat image = icon;
    if (ext == ".exr" || ext == ".hdr" || ext == ".pfm") icon.convertTo(image, CV_32F, 1 / 255.0);
    ASSERT_TRUE(cv::imencode(ext, image, bytes)) << ext;
    const std::string whole(bytes.begin(), bytes.end());

    WriteFile(dir_ / ("whole" + ext), whole);
    EXPECT_TRUE(RunsCleanly(dir_ / ("whole" + ext))) << ext;
    WriteFile(dir_ / ("empty" + ext), "");
    EXPECT_FALSE(RunsCleanly(dir_ / ("empty" + ext))) << ext;
    for (size_t keep : {size_t{8}, whole.size() / 3, whole.size() - 1}) {
      WriteFile(dir_ / ("cut" + ext), whole.substr(0, keep));
      RunsCleanly(dir_ / ("cut" + ext));
    }
    for (size_t at : {size_t{3}, size_t{20}, whole.size() / 2, whole.size() - 4}) {
      std::string corrupt = whole;
      for (size_t i = at; i < std::min(at + 16, corrupt.size()); ++i) corrupt[i] ^= 0x5a;
      WriteFile(dir_ / ("corrupt" + ext), corrupt);
      RunsCleanly(dir_ / ("corrupt" + ext));
    }
  }
}

TEST_F(HostileInputs, ThingsThatAreNoImages) {
  WriteFile(dir_ / "text.png", "<html>not an icon</html>\n");
  EXPECT_FALSE(RunsCleanly(dir_ / "text.png"));
  std::filesystem::create_directory(dir_.path() / "folder.jpg");
  EXPECT_FALSE(RunsCleanly(dir_ / "folder.jpg"));
  EXPECT_FALSE(RunsCleanly(dir_ / "missing.png"));
  EXPECT_FALSE(RunsCleanly("/dev/null"));
}

TEST_F(HostileInputs, ExtremeShapesAreMeasured) {
  cv::Mat wide(1, 5000, CV_8UC3);
  cv::randu(wide, cv::Scalar::all(0), cv::Scalar::all(256));
  cv::imwrite(dir_ / "wide.png", wide);
  EXPECT_TRUE(RunsCleanly(dir_ / "wide.png"));
  cv::imwrite(dir_ / "tall.png", wide.t());
  EXPECT_TRUE(RunsCleanly(dir_ / "tall.png"));
  EXPECT_TRUE(RunsCleanly(TestDataPath("one-pixel.png")));
}

TEST_F(HostileInputs, ALargeImageStaysWithinBoundedMemory) {
  cv::Mat large(4000, 4000, CV_8UC3);
  for (int y = 0; y < large.rows; ++y)
    large.row(y).setTo(cv::Scalar(y % 256, (y / 16) % 256, 255 - y % 256));
  cv::imwrite(dir_ / "large.png", large);
  const ProgramResult r =
      RunVexlorBinary({"-I", dir_ / "large.png", "-R", dir_ / "r.txt", "-B", "3", "-cG", "0.5"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(Tokens(ReadFile(dir_ / "r.txt")).size(), 416u);
  // 48 MB of pixels, a copy for the blur and one per scaled channel.
  EXPECT_LT(r.max_rss_kb, 400 * 1024) << r.max_rss_kb << " kB";
}

TEST_F(HostileInputs, AResultsFileWithoutWritePermissionIsReported) {
  std::string target = dir_ / "locked/results.txt";
  std::filesystem::create_directory(dir_.path() / "locked");
  ::chmod((dir_ / "locked").c_str(), 0500);
  if (::access((dir_ / "locked").c_str(), W_OK) == 0) {
    // Root writes anywhere it may; the kernel's own files still refuse it.
    target = "/sys/kernel/notes";
    if (::access(target.c_str(), F_OK) != 0) GTEST_SKIP() << "no file refuses root here";
  }
  const ProgramResult r = RunVexlorBinary({"-I", TestDataPath("calculator.png"), "-R", target});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "vexlor: results file: cannot open '" + target + "': Permission denied\n");
  EXPECT_EQ(r.out, "");
}

}  // namespace

// Images the image library reads only from files (OpenEXR, Radiance HDR,
// PFM, Sun raster) decoded from memory, whole and declaring far more pixels
// than an icon may have: no temporary file is left behind, the library's
// own or vexlor's.
TEST(HostileBytes, ImagesTheLibraryHandlesThroughFilesLeaveNoTemporaryFile) {
  TempDir temporary;
  const std::string folder = temporary.path().string();
  ASSERT_EQ(setenv("TMPDIR", folder.c_str(), 1), 0);
  ASSERT_EQ(setenv("OPENCV_TEMP_PATH", folder.c_str(), 1), 0);
  auto decode = [](const std::string& bytes) {
    const cv::Mat encoded(1, static_cast<int>(bytes.size()), CV_8UC1, const_cast<char*>(bytes.data()));
    cv::Mat icon;
    return vexlor::DecodeIcon(encoded, &icon);
  };
  const cv::Mat icon = cv::imread(TestDataPath("audio-card.png"), cv::IMREAD_COLOR);
  cv::Mat floats;
  icon.convertTo(floats, CV_32F, 1 / 255.0);
  for (const std::string ext : {".exr", ".hdr", ".pfm", ".sr"}) {
    std::vector<uchar> bytes;
    ASSERT_TRUE(cv::imencode(ext, ext == ".sr" ? icon : floats, bytes)) << ext;
    EXPECT_TRUE(decode(std::string(bytes.begin(), bytes.end())).ok()) << ext;
  }
  std::string sunRaster = std::string("\x59\xa6\x6a\x95", 4) + std::string("\x00\x01\x86\xa0", 4) +
                          std::string("\x00\x01\x86\xa0", 4) + std::string("\x00\x00\x00\x18", 4) +
                          std::string(16, '\0') + std::string(64, '\x7f');
  sunRaster[23] = 1;  // type: standard
  for (const std::string& huge : {std::string("PF\n100000 100000\n-1\n") + std::string(64, '\x3f'),
                                  std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 100000 +X 100000\n") +
                                      std::string(64, '\x7f'),
                                  sunRaster}) {
    const vexlor::Status s = decode(huge);
    EXPECT_FALSE(s.ok()) << huge.substr(0, 12);
  }
  // Saving as JPEG 2000 goes through the library's own temporary file, which
  // a failure would leave: an icon under 32 pixels a side is refused first.
  const std::string saved = (temporary.path() / "saved.jp2").string();
  EXPECT_TRUE(vexlor::SaveIcon(saved, icon).ok());
  std::filesystem::remove(saved);
  const vexlor::Status tiny = vexlor::SaveIcon(saved, icon(cv::Rect(0, 0, 31, 48)).clone());
  EXPECT_NE(tiny.message().find("JPEG 2000 needs an image of at least 32 x 32 pixels"), std::string::npos)
      << tiny.message();
  unsetenv("TMPDIR");
  unsetenv("OPENCV_TEMP_PATH");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename());
  EXPECT_TRUE(left.empty()) << left.size() << " left, the first " << left.front();
}

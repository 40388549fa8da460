// The card drawn from known records: strokes where the histogram has weight
// and nowhere else, the same bytes every time, and the tool that writes it.

#include "vexlor/card.h"

#include <sys/stat.h>

#include <cmath>

#include <gtest/gtest.h>

#include "decode/png_decoder.h"
#include "tests/test_support.h"
#include "vexlor/vexlor.h"

namespace {

using namespace vexlor;

const cv::Vec3b kStroke(255, 255, 0);

// Dark left half, light right half: every gradient points right.
cv::Mat StepIcon() {
  cv::Mat icon(62, 62, CV_8UC3, cv::Scalar::all(0));
  icon.colRange(31, 62).setTo(cv::Scalar::all(255));
  return icon;
}

cv::Point Along(const cv::Rect& box, int bin, double distance) {
  const double angle = 45.0 * bin * CV_PI / 180.0;
  return {box.x + box.width / 2 - static_cast<int>(std::lround(distance * std::cos(angle))),
          box.y + box.height / 2 - static_cast<int>(std::lround(distance * std::sin(angle)))};
}

// Strokes reach along the bins that have a value, on the card's one scale,
// and not along the others.
void ExpectStrokes(const cv::Mat& card, const cv::Rect& box, const double* bins, double scale,
                   const std::string& what) {
  for (int b = 0; b < 8; ++b) {
    if (bins[b] * scale >= 8) {
      EXPECT_EQ(card.at<cv::Vec3b>(Along(box, b, 0.9 * bins[b] * scale)), kStroke) << what << " bin " << b;
      EXPECT_NE(card.at<cv::Vec3b>(Along(box, b, bins[b] * scale + 4)), kStroke) << what << " bin " << b;
    } else if (bins[b] == 0) {
      EXPECT_NE(card.at<cv::Vec3b>(Along(box, b, 20)), kStroke) << what << " bin " << b;
    }
  }
}

TEST(Card, AStepEdgeDrawsBinFourStrokesOnlyInTheCellsItCrosses) {
  cv::Mat seen;
  const Descriptors d = Describe(StepIcon(), {}, &seen);
  ASSERT_EQ(cv::countNonZero(seen.reshape(1) != StepIcon().reshape(1)), 0);
  double largest = 0;
  for (int cell = 1; cell <= 12; ++cell)
    for (int b = 0; b < 8; ++b) {
      const double v = d.recDesc()[(cell - 1) * 8 + b];
      largest = std::max(largest, v);
      const bool crossed = cell >= 3 && cell <= 10;
      EXPECT_EQ(v > 0, crossed && b == 4) << "cell " << cell << " bin " << b;
    }
  for (double v : d.groupDesc()) largest = std::max(largest, v);

  const cv::Mat card = DrawCard(d, seen);
  const double scale = kCardStrokeReach / largest;
  for (int cell = 1; cell <= 12; ++cell)
    ExpectStrokes(card, CardCellBox(cell), &d.recDesc()[(cell - 1) * 8], scale,
                  "cell " + std::to_string(cell));
  for (int group = 0; group <= 4; ++group)
    ExpectStrokes(card, CardGroupBox(group), &d.groupDesc()[group * 8], scale,
                  "group " + std::to_string(group));
  // The middle group sums four crossed cells: the longest stroke, at full reach.
  EXPECT_EQ(largest, d.groupDesc()[32 + 4]);
}

TEST(Card, AFlatIconHasNoStrokes) {
  cv::Mat seen;
  const cv::Mat card = DrawCard(Describe(SolidIcon(40, 70, {30, 200, 90}), {}, &seen), seen);
  cv::Mat strokes;
  cv::inRange(card, cv::Scalar(kStroke), cv::Scalar(kStroke), strokes);
  EXPECT_EQ(cv::countNonZero(strokes), 0);
}

TEST(Card, TheToolWritesTheSamePngBytesForTheSameRecord) {
  TempDir dir;
  const std::string icon = TestDataPath("calculator.png");
  const std::vector<std::string> options = {"--blur", "1", "--red", "0.8"};
  std::vector<std::string> args = {icon, "-o", dir / "a.png"};
  args.insert(args.end(), options.begin(), options.end());
  ASSERT_EQ(RunProgram(VEXLOR_CARD_BINARY, args).exit_status, 0);
  args[2] = dir / "b.png";
  ASSERT_EQ(RunProgram(VEXLOR_CARD_BINARY, args).exit_status, 0);
  EXPECT_EQ(ReadFile(dir / "a.png"), ReadFile(dir / "b.png"));

  cv::Mat loaded, seen;
  IconPixels written;
  ASSERT_TRUE(LoadIcon(icon, &loaded).ok());
  const Descriptors d = Describe(loaded, {.blur = 1, .red = 0.8}, &seen);
  EXPECT_EQ(RecordLine(d, RecordForm::kDouble),
            RecordLine(Describe(loaded, {.blur = 1, .red = 0.8}), RecordForm::kDouble));
  ASSERT_EQ(WriteCardPng(DrawCard(d, seen), dir / "c.png").code(), Status::Code::kOk);
  EXPECT_EQ(ReadFile(dir / "a.png"), ReadFile(dir / "c.png"));
  ASSERT_TRUE(DecodePngFile(dir / "a.png", kDefaultMaxIconPixels, &written).ok());
  EXPECT_EQ(cv::countNonZero(MatrixOf(written).reshape(1) != DrawCard(d, seen).reshape(1)), 0);
}

TEST(Card, FailuresLeaveNoFileAndSayWhy) {
  TempDir dir;
  ProgramResult r = RunProgram(VEXLOR_CARD_BINARY, {dir / "none.png", "-o", dir / "card.png"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("none.png"), std::string::npos) << r.err;
  r = RunProgram(VEXLOR_CARD_BINARY,
                 {TestDataPath("calculator.png"), "-o", dir / "missing/card.png"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("cannot write the card '" + dir / "missing/card.png" + "'"),
            std::string::npos) << r.err;
  EXPECT_EQ(RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png")}).exit_status, 1);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  // A card that does not fit leaves the earlier card as it was, and no other
  // file; a FIFO is refused instead of waiting for a reader; so are a blur
  // beyond 255 and a factor that is no number.
  const std::string card = dir / "card.png";
  WriteFile(card, "the earlier card");
  ProgramSetup full;
  full.file_size_limit = 1000;
  r = RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png"), "-o", card}, full);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("cannot write the card '" + card + "': File too large"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(card), "the earlier card");
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  r = RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png"), "-o", fifo});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("'" + fifo + "': not a regular file"), std::string::npos) << r.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
  for (const std::vector<std::string>& options : {std::vector<std::string>{"--blur", "1073741823"},
                                                 {"--red", "nan"}, {"-o", dir / "card.jpg"}})
    EXPECT_EQ(RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png"), "-o", card,
                                              options[0], options[1]}).exit_status, 1);
  EXPECT_EQ(ReadFile(card), "the earlier card");
}

TEST(Card, IsWrittenThroughALinkAsTheShellWritesThroughOne) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "cards");
  std::filesystem::create_symlink("cards/card.png", dir.path() / "link.png");
  for (int run = 0; run < 2; ++run) {  // made through the dangling link, then replaced
    const ProgramResult r =
        RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png"), "-o", dir / "link.png"});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.png"));
    EXPECT_EQ(ReadFile(dir / "cards/card.png").substr(1, 3), "PNG");
  }
  std::filesystem::create_symlink("loop.png", dir.path() / "loop.png");
  const ProgramResult r =
      RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png"), "-o", dir / "loop.png"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("Too many levels of symbolic links"), std::string::npos) << r.err;
}

}  // namespace

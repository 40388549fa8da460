// The library's public API as a C++ caller uses it.

#include <type_traits>

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "vexlor/vexlor.h"

namespace {

using namespace vexlor;

static_assert(std::is_nothrow_move_constructible_v<Descriptors>, "records move, not copy");
static_assert(std::is_same_v<decltype(std::declval<Descriptors&>().recDesc()),
                             const std::vector<double>&>,
              "a built record is read-only");

Status::Code CodeOfDescribing(const cv::Mat& icon, const Distortion& distortion = {}) {
  try {
    Describe(icon, distortion);
  } catch (const Error& e) {
    EXPECT_FALSE(e.status().message().empty());
    return e.status().code();
  }
  return Status::Code::kOk;
}

TEST(Api, DescribeMeasuresAsTheToolDoesAndLeavesTheImageAlone) {
  const std::string path = TestDataPath("calculator.png");
  TempDir dir;
  const ProgramResult r = RunVexlorBinary(
      {"-I", path, "-R", dir / "r.txt", "-B", "2", "-cG", "0.5", "-TI", "0"});
  ASSERT_EQ(r.exit_status, 0);

  cv::Mat icon;
  ASSERT_TRUE(LoadIcon(path, &icon).ok());
  const cv::Mat before = icon.clone();
  const Descriptors d = Describe(icon, {.blur = 2, .green = 0.5});
  EXPECT_EQ(RecordLine(d, RecordForm::kDouble), ReadFile(dir / "r.txt"));
  EXPECT_EQ(cv::norm(icon, before, cv::NORM_INF), 0.0);

  std::optional<Descriptors> fromFile;
  ASSERT_TRUE(DescribeFile(path, {.blur = 2, .green = 0.5}, &fromFile).ok());
  EXPECT_EQ(fromFile->recDesc(), d.recDesc());
}

// The load settings act as the file is loaded, the distortion after: as
// LoadIcon over the same background, then Describe.
TEST(Api, DescribeFileLoadsThenDistorts) {
  const std::string path = TestDataPath("calculator.png");  // with alpha
  const LoadSettings white{.background = {true, 255, 255, 255}};
  cv::Mat icon;
  ASSERT_TRUE(LoadIcon(path, &icon, white.background).ok());
  const Descriptors expected = Describe(icon, {.blur = 1});
  std::optional<Descriptors> overWhite, plain;
  ASSERT_TRUE(DescribeFile(path, white, {.blur = 1}, &overWhite).ok());
  ASSERT_TRUE(DescribeFile(path, {.blur = 1}, &plain).ok());
  EXPECT_EQ(RecordLine(*overWhite, RecordForm::kDouble), RecordLine(expected, RecordForm::kDouble));
  EXPECT_NE(RecordLine(*plain, RecordForm::kDouble), RecordLine(expected, RecordForm::kDouble));
}

// Pixels held outside a matrix, with a row stride of their own, measure as
// the matrix does; an empty view is an error.
TEST(Api, PixelViewsMeasureAsMatricesDo) {
  cv::Mat icon;
  ASSERT_TRUE(LoadIcon(TestDataPath("audio-card.png"), &icon).ok());
  const cv::Mat part = icon(cv::Rect(3, 5, icon.cols - 9, icon.rows - 7));
  const BgrImageView view{part.ptr(), part.rows, part.cols, part.step[0]};
  EXPECT_EQ(RecordLine(Descriptors(view), RecordForm::kDouble),
            RecordLine(Descriptors(part.clone()), RecordForm::kDouble));
  EXPECT_THROW(Descriptors(BgrImageView{}), Error);
}

TEST(Api, UnusableInputIsAnErrorNeverACrash) {
  EXPECT_EQ(CodeOfDescribing(cv::Mat()), Status::Code::kInvalidArgument);
  EXPECT_EQ(CodeOfDescribing(cv::Mat(8, 8, CV_8UC1, cv::Scalar(3))),
            Status::Code::kInvalidArgument);
  EXPECT_EQ(CodeOfDescribing(cv::Mat(8, 8, CV_32FC3, cv::Scalar(0.5))),
            Status::Code::kInvalidArgument);
  EXPECT_EQ(CodeOfDescribing(SolidIcon(8, 8, cv::Vec3b(1, 2, 3)), {.blur = -1}),
            Status::Code::kInvalidArgument);
  EXPECT_EQ(CodeOfDescribing(SolidIcon(1, 1, cv::Vec3b(1, 2, 3))), Status::Code::kOk);

  std::optional<Descriptors> none;
  const Status missing = DescribeFile("missing.png", {}, &none);
  EXPECT_EQ(missing.code(), Status::Code::kBadIcon);
  EXPECT_EQ(missing.message(), "cannot load 'missing.png': No such file or directory");
  EXPECT_FALSE(none.has_value());
}

}  // namespace

#include "pixels/bilinear_resize.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "opencv/lab_icon.h"

namespace {

using namespace vexlor;

// Every 8-bit BGR source resampled to 62 x 62 both ways; the first
// difference, if any, as "rows x cols at byte i: ours vs library".
std::string FirstDifference(const cv::Mat& src) {
  cv::Mat library;
  cv::resize(src, library, cv::Size(62, 62), 0, 0, cv::INTER_LINEAR);
  std::vector<std::uint8_t> ours(62 * 62 * 3);
  ResizeBilinear(ViewOf(src), 62, 62, ours.data());
  for (std::size_t i = 0; i < ours.size(); ++i)
    if (ours[i] != library.data[i])
      return std::to_string(src.rows) + " x " + std::to_string(src.cols) + " at byte " +
             std::to_string(i) + ": " + std::to_string(ours[i]) + " vs " +
             std::to_string(library.data[i]);
  return "";
}

// The weights and edge rules depend only on the sizes: every source size up
// to 130 x 130 (up- and downsampling, exact halving at 124, a copy at 62),
// with random samples, then uniform extremes where rounding saturates.
TEST(ResizeBilinear, EqualsTheImageLibraryForEverySmallSize) {
  cv::setRNGSeed(5);
  for (int rows = 1; rows <= 130; ++rows) {
    for (int cols = 1; cols <= 130; ++cols) {
      cv::Mat src(rows, cols, CV_8UC3);
      cv::randu(src, 0, 256);
      const std::string difference = FirstDifference(src);
      ASSERT_EQ(difference, "");
      if ((rows * 131 + cols) % 17 == 0)
        for (int fill : {0, 1, 254, 255}) {
          src.setTo(cv::Scalar::all(fill));
          ASSERT_EQ(FirstDifference(src), "") << "uniform " << fill;
        }
    }
  }
}

// Icon-theme sizes and odd large ones, and a view with a row stride of its own.
TEST(ResizeBilinear, EqualsTheImageLibraryForLargeSizesAndViews) {
  cv::setRNGSeed(6);
  for (int rows : {1, 2, 61, 63, 125, 256, 511, 512, 1023})
    for (int cols : {1, 3, 62, 124, 187, 256, 500, 1000}) {
      cv::Mat src(rows, cols, CV_8UC3);
      cv::randu(src, 0, 256);
      ASSERT_EQ(FirstDifference(src), "");
    }
  cv::Mat big(300, 300, CV_8UC3);
  cv::randu(big, 0, 256);
  ASSERT_EQ(FirstDifference(big(cv::Rect(7, 9, 200, 150))), "");
}

}  // namespace

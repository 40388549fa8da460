#include "descriptors/lab_conversion.h"
#include "opencv/lab_icon.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

using namespace vexlor;

// The whole input domain: one pixel of every 8-bit BGR colour.
TEST(ConvertBgrToLab, EqualsTheImageLibraryForEveryColour) {
  cv::Mat all(4096, 4096, CV_8UC3);
  uchar* p = all.ptr<uchar>();
  for (int colour = 0; colour < (1 << 24); ++colour, p += 3) {
    p[0] = static_cast<uchar>(colour);
    p[1] = static_cast<uchar>(colour >> 8);
    p[2] = static_cast<uchar>(colour >> 16);
  }
  cv::Mat ours(all.size(), CV_8UC3), library;
  ConvertBgrToLab(ViewOf(all), ours.ptr());
  cv::cvtColor(all, library, cv::COLOR_BGR2Lab);
  ASSERT_EQ(ours.size(), library.size());
  ASSERT_EQ(ours.type(), CV_8UC3);
  EXPECT_EQ(cv::countNonZero(ours.reshape(1) != library.reshape(1)), 0);

  // A view with a row stride of its own.
  const cv::Mat view = all(cv::Rect(7, 9, 62, 61));
  ours.create(view.size(), CV_8UC3);
  ConvertBgrToLab(ViewOf(view), ours.ptr());
  cv::cvtColor(view, library, cv::COLOR_BGR2Lab);
  EXPECT_EQ(cv::countNonZero(ours.reshape(1) != library.reshape(1)), 0);

  // Runs of one colour, which reuse the Lab of the pixel before.
  cv::Mat runs;
  cv::resize(all(cv::Rect(0, 0, 512, 64)), runs, cv::Size(), 3, 1, cv::INTER_NEAREST);
  ours.create(runs.size(), CV_8UC3);
  ConvertBgrToLab(ViewOf(runs), ours.ptr());
  cv::cvtColor(runs, library, cv::COLOR_BGR2Lab);
  EXPECT_EQ(cv::countNonZero(ours.reshape(1) != library.reshape(1)), 0);
}

}  // namespace

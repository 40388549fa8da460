#include "descriptors/lab_icon.h"

#include <mutex>

#include <opencv2/imgproc.hpp>

namespace vexlor {

namespace {

// The image library builds its Lab conversion tables on first use without a
// lock: threads converting their first icons at the same time would race to
// build them, and could read a table another thread is still filling. One
// conversion under call_once builds them before any other.
void EnsureLabTables() {
  static std::once_flag built;
  std::call_once(built, [] {
    const cv::Mat pixel(1, 1, CV_8UC3, cv::Scalar(0, 0, 0));
    cv::Mat lab;
    cv::cvtColor(pixel, lab, cv::COLOR_BGR2Lab);
  });
}

}  // namespace

cv::Mat NormaliseToLab(const cv::Mat& icon) {
  EnsureLabTables();
  cv::Mat imgLab;
  if (icon.cols == kNormalisedSide && icon.rows == kNormalisedSide) {
    cv::cvtColor(icon, imgLab, cv::COLOR_BGR2Lab);
    return imgLab;
  }
  cv::Mat imgTemp;
  cv::resize(icon, imgTemp, cv::Size(kNormalisedSide, kNormalisedSide), 0, 0,
             cv::INTER_LINEAR);
  cv::cvtColor(imgTemp, imgLab, cv::COLOR_BGR2Lab);
  return imgLab;
}

}  // namespace vexlor

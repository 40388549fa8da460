#include "descriptors/lab_icon.h"

#include <opencv2/imgproc.hpp>

#include "descriptors/lab_conversion.h"

namespace vexlor {

cv::Mat NormaliseSize(const cv::Mat& icon) {
  if (icon.cols == kNormalisedSide && icon.rows == kNormalisedSide) return icon;
  cv::Mat imgTemp;
  cv::resize(icon, imgTemp, cv::Size(kNormalisedSide, kNormalisedSide), 0, 0,
             cv::INTER_LINEAR);
  return imgTemp;
}

cv::Mat NormaliseToLab(const cv::Mat& icon) {
  cv::Mat imgLab;
  ConvertBgrToLab(NormaliseSize(icon), imgLab);
  return imgLab;
}

}  // namespace vexlor

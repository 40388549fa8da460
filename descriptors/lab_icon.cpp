#include "descriptors/lab_icon.h"

#include <opencv2/imgproc.hpp>

#include "descriptors/lab_conversion.h"

namespace vexlor {

cv::Mat NormaliseToLab(const cv::Mat& icon) {
  cv::Mat imgLab;
  if (icon.cols == kNormalisedSide && icon.rows == kNormalisedSide) {
    ConvertBgrToLab(icon, imgLab);
    return imgLab;
  }
  cv::Mat imgTemp;
  cv::resize(icon, imgTemp, cv::Size(kNormalisedSide, kNormalisedSide), 0, 0,
             cv::INTER_LINEAR);
  ConvertBgrToLab(imgTemp, imgLab);
  return imgLab;
}

}  // namespace vexlor

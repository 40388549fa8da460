#include "descriptors/lab_icon.h"

#include <opencv2/imgproc.hpp>

cv::Mat NormaliseToLab(const cv::Mat& icon) {
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

void PrepareLabConversion() {
  const cv::Mat pixel(1, 1, CV_8UC3, cv::Scalar(0, 0, 0));
  cv::Mat lab;
  cv::cvtColor(pixel, lab, cv::COLOR_BGR2Lab);
}

#ifndef VEXLOR_OPENCV_LAB_ICON_H_
#define VEXLOR_OPENCV_LAB_ICON_H_

#include <opencv2/core.hpp>

#include "descriptors/normalised_icon.h"
#include "opencv/matrices.h"

namespace vexlor {

// NormaliseSize and NormaliseToLab (descriptors/normalised_icon.h) for
// matrices: new kNormalisedSide x kNormalisedSide CV_8UC3 matrices; `icon` is
// not changed. Safe on several threads at once.
cv::Mat NormaliseSize(const cv::Mat& icon);
cv::Mat NormaliseToLab(const cv::Mat& icon);

}  // namespace vexlor

#endif  // VEXLOR_OPENCV_LAB_ICON_H_

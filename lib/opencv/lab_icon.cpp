#include "opencv/lab_icon.h"

namespace vexlor {

cv::Mat NormaliseSize(const cv::Mat& icon) {
  NormalisedIcon bgr;
  NormaliseSize(ViewOf(icon), &bgr);
  return MatrixCopyOf(bgr.view());
}

cv::Mat NormaliseToLab(const cv::Mat& icon) {
  NormalisedIcon lab;
  NormaliseToLab(ViewOf(icon), &lab);
  return MatrixCopyOf(lab.view());
}

}  // namespace vexlor

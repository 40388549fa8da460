// The record's constructors and entry points for image-library matrices.
#include <opencv2/core.hpp>

#include "descriptors/scan_cells.h"
#include "opencv/gradient_maps.h"
#include "opencv/lab_icon.h"
#include "opencv/working_images_measure.h"
#include "vexlor/descriptors.h"

namespace vexlor {

Descriptors::Descriptors(const cv::Mat& icon)
    : weightParams_(kWeightParams) {
  CalcDescriptors(icon);
}

void Descriptors::CalcDescriptors(const cv::Mat& icon) { CalcDescriptors(ViewOf(icon)); }

void WorkingImagesMeasure::Calc(const cv::Mat& lab, const GradientMaps& maps, Descriptors* d) {
  CV_Assert(lab.type() == CV_8UC3 && lab.rows == kNormalisedSide &&
            lab.cols == kNormalisedSide);
  CV_Assert(maps.magnitude.type() == CV_32FC1 &&
            maps.orientation.type() == CV_32FC1);
  d->ResetVectors();
  const cv::Mat magnitudeArea = maps.magnitude(Region);
  const cv::Mat orientationArea = maps.orientation(Region);
  d->ScanCells(ViewOf(lab), [&](int k) {
    const float* magnitude = magnitudeArea.ptr<float>(k);
    const float* orientation = orientationArea.ptr<float>(k);
    return [magnitude, orientation](int t) {
      return Descriptors::Gradient{magnitude[t], WholeDegrees(orientation[t])};
    };
  });
}

}  // namespace vexlor

#ifndef VEXLOR_OPENCV_WORKING_IMAGES_MEASURE_H_
#define VEXLOR_OPENCV_WORKING_IMAGES_MEASURE_H_

#include <opencv2/core.hpp>

#include "opencv/gradient_maps.h"
#include "vexlor/descriptors.h"

namespace vexlor {

// The part of CalcDescriptors after normalisation, from working images the
// image library made: `lab` is the 62 x 62 Lab icon and `maps` are the
// gradient maps of its lightness. Gives the same numbers as CalcDescriptors,
// which tests hold it to; a second derivation of the record, not a faster
// one.
struct WorkingImagesMeasure {
  static void Calc(const cv::Mat& lab, const GradientMaps& maps, Descriptors* d);
};

}  // namespace vexlor

#endif  // VEXLOR_OPENCV_WORKING_IMAGES_MEASURE_H_

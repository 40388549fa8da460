#ifndef VEXLOR_OPENCV_GRADIENT_MAPS_H_
#define VEXLOR_OPENCV_GRADIENT_MAPS_H_

#include <opencv2/core.hpp>

#include "descriptors/gradient_values.h"

namespace vexlor {

// The working area of the normalised icon: rows and columns 1..60. The outer
// ring of pixels only serves as neighbours for the central differences.
inline const cv::Rect Region(1, 1, 60, 60);

// Gradient of the lightness plane, by central differences. Both maps are
// 63 x 63 single-precision images; only the pixels inside Region hold values,
// everything else is 0. The magnitude is sqrt(dx*dx + dy*dy) and the
// orientation atan2(dy, dx) in radians, in [-pi, pi): +pi is stored as -pi.
// dx is the right neighbour minus the left one, dy the lower minus the upper.
struct GradientMaps {
  cv::Mat magnitude;
  cv::Mat orientation;
};

// `lab`: the normalised icon, 62 x 62, 8-bit, L in channel 0.
GradientMaps ComputeGradientMaps(const cv::Mat& lab);

}  // namespace vexlor

#endif  // VEXLOR_OPENCV_GRADIENT_MAPS_H_

#ifndef VEXLOR_ICON_ICON_PROCESS_H_
#define VEXLOR_ICON_ICON_PROCESS_H_

#include <opencv2/core.hpp>

// Largest blur size whose Gaussian aperture 2*B+1 still fits in an int.
inline constexpr int kMaxBlurSize = (2147483647 - 1) / 2;

// Distorts `icon` (8-bit, three channels, blue-green-red) in place: first a
// Gaussian blur with a square aperture of 2*blur_size+1 pixels, its standard
// deviation derived from the aperture and the edge pixels replicated beyond
// the border (only when blur_size is not 0); then every channel k is scaled
// by c[k] (0 blue, 1 green, 2 red) with rounding and saturation to 0..255
// (only when some factor is not exactly 1.0; a NaN factor counts as not 1.0).
// Size, type and identity of the image stay the same.
//
// Requires 0 <= blur_size <= kMaxBlurSize.
void IconProcess(cv::Mat& icon, int blur_size, const double* c);

#endif  // VEXLOR_ICON_ICON_PROCESS_H_

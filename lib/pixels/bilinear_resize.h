#ifndef VEXLOR_PIXELS_BILINEAR_RESIZE_H_
#define VEXLOR_PIXELS_BILINEAR_RESIZE_H_

#include <cstdint>

#include "vexlor/bgr_image.h"

namespace vexlor {

// The image library's bilinear resampling of an 8-bit BGR image
// (cv::resize with INTER_LINEAR on CV_8UC3), computed here so that a run
// needs no image library at all: the same fixed-point weights (11 fraction
// bits, rounded from single precision), the same edge rules, the same
// 16-bit rounding of the vertical step and its 2 x 2 averaging when both
// sides halve exactly. A differential test holds the two to the same
// bytes over every source size up to 130 x 130 and many larger ones.
//
// `dst` receives `rows` x `cols` pixels, 3 * cols bytes per row. The source
// must not be empty; a source of the destination's size is copied.
void ResizeBilinear(const BgrImageView& src, int rows, int cols, std::uint8_t* dst);

}  // namespace vexlor

#endif  // VEXLOR_PIXELS_BILINEAR_RESIZE_H_

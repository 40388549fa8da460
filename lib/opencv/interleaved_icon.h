#ifndef VEXLOR_OPENCV_INTERLEAVED_ICON_H_
#define VEXLOR_OPENCV_INTERLEAVED_ICON_H_

#include <cstdint>

#include <opencv2/core.hpp>

#include "vexlor/distortion.h"

namespace vexlor {

// An icon as vexlor measures it (8-bit blue, green, red, owning its pixels)
// from rows x cols pixels of `channels` interleaved 8-bit samples, row after
// row with no gap: 1 grey, 3 colour, 4 colour and alpha, the colour in red,
// green, blue order when `rgb`, else blue, green, red. Alpha is dropped, or
// composited over a set `background`.
cv::Mat IconFromInterleaved(const std::uint8_t* samples, int rows, int cols, int channels, bool rgb,
                            const Background& background);

}  // namespace vexlor

#endif  // VEXLOR_OPENCV_INTERLEAVED_ICON_H_

#ifndef VEXLOR_PIXELS_BLUR_CHECK_H_
#define VEXLOR_PIXELS_BLUR_CHECK_H_

#include <cstdint>
#include <string>

#include "pixels/gaussian_kernels.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// Throws vexlor::Error (kInvalidArgument) for a blur whose aperture
// 2 * blur + 1 the Gaussian filter cannot use or an int cannot hold.
inline void CheckBlurSize(int blur) {
  if (blur < 0 || blur > kMaxBlurSize)
    throw Error(Status::InvalidArgument("blur " + std::to_string(blur) + " is outside 0.." +
                                        std::to_string(kMaxBlurSize)));
}

// Throws vexlor::Error (kInvalidArgument) for a blur beyond 255 whose work on
// an icon of `rows` x `cols` pixels exceeds kMaxBlurWork.
inline void CheckBlurWork(int blur, int rows, int cols) {
  if (blur <= kMaxTabulatedBlur) return;
  const std::uint64_t aperture = 2 * static_cast<std::uint64_t>(blur) + 1;
  const std::uint64_t pixels = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(cols);
  if (aperture * (pixels + aperture) > kMaxBlurWork)
    throw Error(Status::InvalidArgument(
        "a blur of " + std::to_string(blur) + " on a " + std::to_string(cols) + " x " +
        std::to_string(rows) + " icon is more work than a blur may take (aperture x (pixels + "
        "aperture) at most " + std::to_string(kMaxBlurWork) + ")"));
}

}  // namespace vexlor

#endif  // VEXLOR_PIXELS_BLUR_CHECK_H_

#ifndef VEXLOR_ICON_BLUR_CHECK_H_
#define VEXLOR_ICON_BLUR_CHECK_H_

#include <string>

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

}  // namespace vexlor

#endif  // VEXLOR_ICON_BLUR_CHECK_H_

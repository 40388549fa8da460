#ifndef VEXLOR_OPENCV_MATRICES_H_
#define VEXLOR_OPENCV_MATRICES_H_

// Between the core's plain pixels and the image library's matrices.

#include <opencv2/core.hpp>

#include "vexlor/bgr_image.h"
#include "vexlor/status.h"

namespace vexlor {

// The pixels of an 8-bit BGR matrix (CV_8UC3, two dimensions, not empty).
inline BgrImageView ViewOf(const cv::Mat& icon) {
  CV_Assert(icon.type() == CV_8UC3 && icon.dims == 2 && !icon.empty());
  return {icon.ptr<std::uint8_t>(), icon.rows, icon.cols, icon.step[0]};
}

// A matrix header over `view`'s pixels: no copy; writing through it writes
// them.
inline cv::Mat MatrixOver(const BgrImageView& view) {
  return cv::Mat(view.rows, view.cols, CV_8UC3, const_cast<std::uint8_t*>(view.pixels),
                 view.stride);
}

// A matrix of its own holding a copy of `view`'s pixels.
inline cv::Mat MatrixCopyOf(const BgrImageView& view) { return MatrixOver(view).clone(); }

// How vexlor reports an error of the image library.
inline Status LibraryError(const cv::Exception& e) {
  return Status::MeasureFailed("image library error: " + e.err);
}

}  // namespace vexlor

#endif  // VEXLOR_OPENCV_MATRICES_H_

#include <opencv2/imgproc.hpp>

#include "pixels/blur_check.h"
#include "pixels/pixel_distortion.h"
#include "vexlor/icon.h"

namespace vexlor {

void IconProcess(cv::Mat& icon, const Distortion& distortion) {
  if (icon.type() != CV_8UC3 || icon.dims != 2)
    throw Error(Status::InvalidArgument("cannot distort an image that is not 8-bit BGR"));
  CheckBlurSize(distortion.blur);
  CheckBlurWork(distortion.blur, icon.rows, icon.cols);
  const BgrImageSpan pixels{icon.data, icon.rows, icon.cols, icon.step};
  if (distortion.blur <= kMaxTabulatedBlur) {
    DistortPixels(pixels, distortion);
    return;
  }
  // Beyond the tabulated kernels the library blurs. The replicated border is
  // the icon's own edge, also for a view into a larger matrix.
  const int aperture = 2 * distortion.blur + 1;
  cv::Mat own = icon.isSubmatrix() ? icon.clone() : icon;
  cv::GaussianBlur(own, own, cv::Size(aperture, aperture), 0.0, 0.0, cv::BORDER_REPLICATE);
  if (own.data != icon.data) own.copyTo(icon);
  DistortPixels(pixels, Distortion{.blur = 0, .red = distortion.red, .green = distortion.green, .blue = distortion.blue});
}

}  // namespace vexlor

#include <algorithm>
#include <string>

#include <opencv2/imgproc.hpp>

#include "icon/blur_check.h"
#include "vexlor/icon.h"

namespace vexlor {

namespace {

// The library's 8-bit conversion computes v * f in single precision and then
// rounds to int: a product beyond the int range wraps to 0 instead of
// saturating. Every v in 1..255 already saturates at 256, so clamping the
// factor there changes no other result and keeps huge factors at 255.
constexpr double kSaturatingFactor = 256.0;

void ScaleChannel(cv::Mat& channel, double factor) {
  const double f = std::clamp(factor, -kSaturatingFactor, kSaturatingFactor);
  channel.convertTo(channel, CV_8U, f, 0.0);
}

}  // namespace

void IconProcess(cv::Mat& icon, const Distortion& distortion) {
  if (icon.type() != CV_8UC3)
    throw Error(Status::InvalidArgument("cannot distort an image that is not 8-bit BGR"));
  const int blur_size = distortion.blur;
  CheckBlurSize(blur_size);
  if (blur_size != 0) {
    const int aperture = 2 * blur_size + 1;
    cv::GaussianBlur(icon, icon, cv::Size(aperture, aperture), 0.0, 0.0,
                     cv::BORDER_REPLICATE);
  }
  // Channel order of the icon: blue, green, red.
  const double c[3] = {distortion.blue, distortion.green, distortion.red};
  if (c[0] == 1.0 && c[1] == 1.0 && c[2] == 1.0) return;

  cv::Mat channels[3];
  cv::split(icon, channels);
  for (int k = 0; k < 3; ++k) ScaleChannel(channels[k], c[k]);
  // Writes back into the icon's own buffer: its size and type are unchanged.
  cv::merge(channels, 3, icon);
}

}  // namespace vexlor

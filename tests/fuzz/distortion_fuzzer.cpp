// Differential fuzz target: the same pixels distorted by the core (IconProcess)
// and by the image library's GaussianBlur and saturating conversion; any
// difference is a finding.
//   byte 0: blur 0..255; bytes 1..3: blue, green, red factors;
//   byte 4: 0 for an image file in bytes 5.., else raw pixels: byte 5 rows,
//   byte 6 columns (1..64 each), the samples from byte 7 on, repeated.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "tests/fuzz/fuzz_factor.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;

constexpr size_t kHeaderBytes = 7;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The library's own calls for the same distortion. Beyond a factor of
// 256 its product wraps to 0; the core saturates, as the library does up to
// there.
void LibraryDistortion(cv::Mat& icon, const Distortion& d) {
  if (d.blur != 0)
    cv::GaussianBlur(icon, icon, cv::Size(2 * d.blur + 1, 2 * d.blur + 1), 0, 0,
                     cv::BORDER_REPLICATE);
  const double c[3] = {d.blue, d.green, d.red};
  if (c[0] == 1.0 && c[1] == 1.0 && c[2] == 1.0) return;
  cv::Mat channels[3];
  cv::split(icon, channels);
  for (int k = 0; k < 3; ++k)
    channels[k].convertTo(channels[k], CV_8U, std::isnan(c[k]) ? c[k] : std::clamp(c[k], -256.0, 256.0));
  cv::merge(channels, 3, icon);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietImageLibrary();
  setenv("OPENCV_IO_MAX_IMAGE_PIXELS", "65536", 1);
  cv::setNumThreads(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < kHeaderBytes + 1) return 0;
  const Distortion d{data[0], FuzzFactor(data[3], true), FuzzFactor(data[2], true),
                     FuzzFactor(data[1], true)};
  cv::Mat icon;
  if (data[4] == 0) {
    const cv::Mat encoded(1, static_cast<int>(size - 5), CV_8U, const_cast<std::uint8_t*>(data + 5));
    if (!DecodeIcon(encoded, &icon).ok()) return 0;
    // Large blurs only on small images: the time goes with both.
    if (d.blur > 16 && icon.total() > 64 * 64) return 0;
  } else {
    icon.create(1 + data[5] % 64, 1 + data[6] % 64, CV_8UC3);
    const size_t samples = size - kHeaderBytes;
    for (size_t i = 0; i < icon.total() * 3; ++i) icon.data[i] = data[kHeaderBytes + i % samples];
  }
  cv::Mat expected = icon.clone();
  LibraryDistortion(expected, d);
  IconProcess(icon, d);
  Check(cv::norm(icon, expected, cv::NORM_INF) == 0);
  return 0;
}

#include "pixels/pixel_distortion.h"

#include <algorithm>
#include <cmath>

namespace vexlor {

namespace {

constexpr double kSaturatingFactor = 256.0;

}  // namespace

std::array<std::uint8_t, 256> ScaledSamples(double factor) {
  // The library converts the scale to float and multiplies in float.
  const float f = static_cast<float>(std::clamp(factor, -kSaturatingFactor, kSaturatingFactor));
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    const float product = static_cast<float>(v) * f;
    // |product| <= 65280: lrintf (round half to even, as the library's
    // conversion instruction) cannot overflow.
    const long rounded = std::isnan(product) ? 0 : std::lrintf(product);
    table[v] = static_cast<std::uint8_t>(std::clamp<long>(rounded, 0, 255));
  }
  return table;
}

void ScaleChannels(const BgrImageSpan& icon, const double factors[3]) {
  const std::array<std::uint8_t, 256> tables[3] = {
      ScaledSamples(factors[0]), ScaledSamples(factors[1]), ScaledSamples(factors[2])};
  for (int r = 0; r < icon.rows; ++r) {
    std::uint8_t* p = icon.row(r);
    for (int c = 0; c < icon.cols; ++c, p += 3) {
      p[0] = tables[0][p[0]];
      p[1] = tables[1][p[1]];
      p[2] = tables[2][p[2]];
    }
  }
}

void DistortPixels(const BgrImageSpan& icon, const Distortion& distortion) {
  if (distortion.blur != 0) GaussianBlurPixels(icon, distortion.blur);
  // Channel order of the icon: blue, green, red. Only a factor that is not
  // exactly 1.0 (NaN included) touches the channels.
  const double c[3] = {distortion.blue, distortion.green, distortion.red};
  if (c[0] == 1.0 && c[1] == 1.0 && c[2] == 1.0) return;
  ScaleChannels(icon, c);
}

}  // namespace vexlor

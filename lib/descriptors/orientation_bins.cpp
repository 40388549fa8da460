#include "descriptors/orientation_bins.h"

#include <cstdio>

#include "descriptors/gradient_values.h"
#include "descriptors/invariant.h"

namespace vexlor {

std::uint32_t WholeDegrees(float orientation) {
  double sample_orien = static_cast<double>(orientation) + CV_PI;
  while (sample_orien < 0) sample_orien += 2 * CV_PI;
  while (sample_orien >= 2 * CV_PI) sample_orien -= 2 * CV_PI;
  if (!(sample_orien >= 0 && sample_orien < 2 * CV_PI)) std::printf("BAD: %f\n", sample_orien);
  DESCRIPTORS_INVARIANT(sample_orien>=0 && sample_orien<2*CV_PI);
  const auto sample_orien_d = static_cast<std::uint32_t>(sample_orien * 180.0 / CV_PI);
  DESCRIPTORS_INVARIANT(sample_orien_d<360);
  return sample_orien_d;
}

namespace orientation_bins_internal {

std::array<std::atomic<std::uint16_t>, kDifferences * kDifferences> known_degrees{};

std::uint32_t WorkOutGradientDegrees(int dx, int dy) {
  const std::uint32_t degrees = WholeDegrees(StoredOrientation(dx, dy));
  known_degrees[(dy + kMaxDifference) * kDifferences + (dx + kMaxDifference)].store(
      static_cast<std::uint16_t>(degrees + 1), std::memory_order_relaxed);
  return degrees;
}

}  // namespace orientation_bins_internal

}  // namespace vexlor

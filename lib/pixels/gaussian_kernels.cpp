#include "pixels/gaussian_kernels.h"

namespace vexlor {

namespace {

// Blur b's half kernel starts after those of 0..b-1: at b * (b + 1) / 2.
constexpr std::uint16_t kHalfKernels[] = {
#include "gaussian_kernels.inc"
};
static_assert(sizeof kHalfKernels / sizeof kHalfKernels[0] ==
              (kMaxTabulatedBlur + 1) * (kMaxTabulatedBlur + 2) / 2);

}  // namespace

const std::uint16_t* GaussianHalfKernel(int blur) {
  return kHalfKernels + static_cast<long>(blur) * (blur + 1) / 2;
}

}  // namespace vexlor

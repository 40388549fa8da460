#ifndef VEXLOR_PIXELS_GAUSSIAN_KERNELS_H_
#define VEXLOR_PIXELS_GAUSSIAN_KERNELS_H_

#include <cstdint>
#include <vector>

namespace vexlor {

// The image library blurs 8-bit images in fixed point. For an aperture of
// n = 2 * blur + 1 taps and the standard deviation derived from n, it takes
// its exact kernel (software floating point), turns the weights into
// integers in units of 1/256 by error diffusion from the outermost tap
// inwards, and gives the centre tap what makes the sum exactly 256. The
// build writes these weights out for every blur up to kMaxTabulatedBlur;
// larger blurs are left to the library itself.
inline constexpr int kMaxTabulatedBlur = 255;
inline constexpr std::uint32_t kKernelOne = 256;  // a weight of 1.0

// The weights of `blur` 0..kMaxTabulatedBlur, from the outermost tap to the
// centre (blur + 1 values; the kernel is symmetric). Blur 0 is the one-tap
// kernel {256}.
const std::uint16_t* GaussianHalfKernel(int blur);

// The same weights derived with the image library; only the build's table
// generator calls this.
std::vector<std::uint16_t> BuildGaussianHalfKernel(int blur);

}  // namespace vexlor

#endif  // VEXLOR_PIXELS_GAUSSIAN_KERNELS_H_

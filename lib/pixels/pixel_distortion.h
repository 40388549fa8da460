#ifndef VEXLOR_PIXELS_PIXEL_DISTORTION_H_
#define VEXLOR_PIXELS_PIXEL_DISTORTION_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "pixels/gaussian_kernels.h"
#include "vexlor/distortion.h"

namespace vexlor {

// Pixels that may be changed in place: rows x cols BGR pixels, row r
// `stride` bytes after row r - 1.
struct BgrImageSpan {
  std::uint8_t* pixels = nullptr;
  int rows = 0;
  int cols = 0;
  std::size_t stride = 0;

  std::uint8_t* row(int r) const { return pixels + static_cast<std::size_t>(r) * stride; }
};

// IconProcess (vexlor/icon.h) without the image library, byte for byte what
// the library's calls give, for blurs up to kMaxTabulatedBlur (the caller
// leaves larger ones to the library). Tests and a fuzz target hold the two to
// the same pixels.
void DistortPixels(const BgrImageSpan& icon, const Distortion& distortion);

// The library's GaussianBlur of an 8-bit BGR image with a square aperture of
// 2 * blur + 1, sigma 0 (derived from the aperture) and the replicated
// border: separable fixed-point filtering, rows first into 8.8 values, then
// columns into 16.16, rounded half up to 8 bits. A side of one pixel is not
// blurred along itself. 1 <= blur <= kMaxTabulatedBlur. May throw
// std::bad_alloc.
void GaussianBlurPixels(const BgrImageSpan& icon, int blur);

// The library's saturating conversion of the sample values 0..255 scaled by
// `factor` to 8 bits: v * f in single precision, rounded half to even,
// clamped to 0..255; NaN gives 0. The factor is first clamped to
// -256..256: beyond that the library's product leaves the int range and
// wraps to 0, where every non-zero sample has long saturated.
std::array<std::uint8_t, 256> ScaledSamples(double factor);

// Scales channel k (0 blue, 1 green, 2 red) by factors[k], as ScaledSamples.
void ScaleChannels(const BgrImageSpan& icon, const double factors[3]);

}  // namespace vexlor

#endif  // VEXLOR_PIXELS_PIXEL_DISTORTION_H_

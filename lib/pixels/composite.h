#ifndef VEXLOR_PIXELS_COMPOSITE_H_
#define VEXLOR_PIXELS_COMPOSITE_H_

#include <cstddef>
#include <cstdint>

#include "vexlor/distortion.h"

namespace vexlor {

// Composited (vexlor/distortion.h) without a division: with
// v = colour x alpha + background x (255 - alpha), at most 65025,
// (v + 127) / 255 == ((v + 128) x 257) >> 16 for every such v; a test holds
// the two equal over every colour, alpha and background.
inline std::uint8_t CompositedFast(std::uint32_t colour, std::uint32_t alpha,
                                   std::uint32_t background) {
  const std::uint32_t v = colour * alpha + background * (255 - alpha);
  return static_cast<std::uint8_t>(((v + 128) * 257) >> 16);
}

// One pixel of colour (blue, green, red) and `alpha` over `background`, into
// `out` (blue, green, red). Icons are mostly opaque or clear: those pixels
// need no arithmetic.
inline void CompositePixel(std::uint8_t* out, std::uint32_t blue, std::uint32_t green,
                           std::uint32_t red, std::uint32_t alpha, const Background& background) {
  if (alpha == 255) {
    out[0] = static_cast<std::uint8_t>(blue);
    out[1] = static_cast<std::uint8_t>(green);
    out[2] = static_cast<std::uint8_t>(red);
  } else if (alpha == 0) {
    out[0] = background.blue;
    out[1] = background.green;
    out[2] = background.red;
  } else {
    out[0] = CompositedFast(blue, alpha, background.blue);
    out[1] = CompositedFast(green, alpha, background.green);
    out[2] = CompositedFast(red, alpha, background.red);
  }
}

// `count` BGR pixels composited in place by their alphas, one every
// `alpha_step` bytes from `alpha`.
inline void CompositeRow(std::uint8_t* bgr, const std::uint8_t* alpha, std::size_t alpha_step,
                         std::size_t count, const Background& background) {
  for (std::size_t i = 0; i < count; ++i, bgr += 3, alpha += alpha_step)
    CompositePixel(bgr, bgr[0], bgr[1], bgr[2], *alpha, background);
}

// `count` BGRA pixels composited over `background` into BGR, in place: each
// pixel's 3 bytes land at or before where its 4 were read.
void CompositeBgraInPlace(std::uint8_t* pixels, std::size_t count, const Background& background);

}  // namespace vexlor

#endif  // VEXLOR_PIXELS_COMPOSITE_H_

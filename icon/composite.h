#ifndef VEXLOR_ICON_COMPOSITE_H_
#define VEXLOR_ICON_COMPOSITE_H_

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

// `count` BGRA pixels composited over `background` into BGR, in place: each
// pixel's 3 bytes land at or before where its 4 were read.
void CompositeBgraInPlace(std::uint8_t* pixels, std::size_t count, const Background& background);

}  // namespace vexlor

#endif  // VEXLOR_ICON_COMPOSITE_H_

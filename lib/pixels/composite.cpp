#include "pixels/composite.h"

namespace vexlor {

void CompositeBgraInPlace(std::uint8_t* pixels, std::size_t count, const Background& background) {
  const std::uint8_t* in = pixels;
  std::uint8_t* out = pixels;
  for (std::size_t i = 0; i < count; ++i, in += 4, out += 3)
    CompositePixel(out, in[0], in[1], in[2], in[3], background);
}

}  // namespace vexlor

#include "icon/composite.h"

namespace vexlor {

void CompositeBgraInPlace(std::uint8_t* pixels, std::size_t count, const Background& background) {
  const std::uint8_t* in = pixels;
  std::uint8_t* out = pixels;
  for (std::size_t i = 0; i < count; ++i, in += 4, out += 3) {
    const std::uint32_t alpha = in[3];
    // Icons are mostly opaque or clear: those pixels need no arithmetic.
    if (alpha == 255) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    } else if (alpha == 0) {
      out[0] = background.blue;
      out[1] = background.green;
      out[2] = background.red;
    } else {
      out[0] = CompositedFast(in[0], alpha, background.blue);
      out[1] = CompositedFast(in[1], alpha, background.green);
      out[2] = CompositedFast(in[2], alpha, background.red);
    }
  }
}

}  // namespace vexlor

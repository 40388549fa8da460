#ifndef VEXLOR_ICON_ICON_PIXELS_H_
#define VEXLOR_ICON_ICON_PIXELS_H_

#include <cstdint>
#include <vector>

#include "vexlor/bgr_image.h"

namespace vexlor {

// A loaded icon without the image library: rows x cols pixels of 8-bit
// blue, green, red, row after row with no gap.
struct IconPixels {
  int rows = 0;
  int cols = 0;
  std::vector<std::uint8_t> samples;

  // Makes room for rows x cols pixels (contents unspecified); may throw
  // std::bad_alloc.
  std::uint8_t* Allocate(int r, int c) {
    samples.clear();
    samples.resize(static_cast<std::size_t>(r) * c * 3);
    rows = r;
    cols = c;
    return samples.data();
  }
  void Release() {
    std::vector<std::uint8_t>().swap(samples);
    rows = cols = 0;
  }
  bool empty() const { return samples.empty(); }
  std::uint8_t* data() { return samples.data(); }
  BgrImageView view() const {
    return {samples.data(), rows, cols, static_cast<std::size_t>(cols) * 3};
  }
};

}  // namespace vexlor

#endif  // VEXLOR_ICON_ICON_PIXELS_H_

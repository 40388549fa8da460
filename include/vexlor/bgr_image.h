// vexlor/bgr_image.h: icon pixels without the image library.
//
// Contract: a BgrImageView shows `rows` x `cols` pixels of 8-bit samples in
// blue, green, red order, row 0 first; row r starts `stride` bytes after row
// r - 1 (at least 3 * cols). The view never owns the pixels: they must stay
// alive and unchanged while it is used. It is what a cv::Mat of type CV_8UC3
// holds, for callers that decode images themselves.
#ifndef VEXLOR_BGR_IMAGE_H_
#define VEXLOR_BGR_IMAGE_H_

#include <cstddef>
#include <cstdint>

namespace vexlor {

struct BgrImageView {
  const std::uint8_t* pixels = nullptr;
  int rows = 0;
  int cols = 0;
  std::size_t stride = 0;  // bytes

  const std::uint8_t* row(int r) const { return pixels + static_cast<std::size_t>(r) * stride; }
  bool empty() const { return pixels == nullptr || rows <= 0 || cols <= 0; }
};

}  // namespace vexlor

#endif  // VEXLOR_BGR_IMAGE_H_

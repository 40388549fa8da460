#ifndef VEXLOR_ICON_ICON_PIXELS_H_
#define VEXLOR_ICON_ICON_PIXELS_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "vexlor/bgr_image.h"

namespace vexlor {

// A loaded icon without the image library: rows x cols pixels of 8-bit
// blue, green, red, row after row with no gap.
class IconPixels {
 public:
  // Makes room for rows x cols pixels, contents unspecified: the decoder
  // writes every byte, so clearing them first would only cost time. With
  // `room` 4, a decoder may first write 4 bytes a pixel there (alpha) and
  // then pack them to 3. May throw std::bad_alloc.
  std::uint8_t* Allocate(int rows, int cols, int room = 3) {
    Release();
    samples_.reset(new std::uint8_t[static_cast<std::size_t>(rows) * cols * room]);
    rows_ = rows;
    cols_ = cols;
    return samples_.get();
  }
  void Release() {
    samples_.reset();
    rows_ = cols_ = 0;
  }

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  bool empty() const { return samples_ == nullptr; }
  std::size_t size() const { return static_cast<std::size_t>(rows_) * cols_ * 3; }
  std::uint8_t* data() { return samples_.get(); }
  const std::uint8_t* data() const { return samples_.get(); }
  BgrImageView view() const {
    return {samples_.get(), rows_, cols_, static_cast<std::size_t>(cols_) * 3};
  }

 private:
  std::unique_ptr<std::uint8_t[]> samples_;
  int rows_ = 0;
  int cols_ = 0;
};

}  // namespace vexlor

#endif  // VEXLOR_ICON_ICON_PIXELS_H_

#ifndef VEXLOR_DECODE_ICON_PIXELS_H_
#define VEXLOR_DECODE_ICON_PIXELS_H_

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
  // then pack them to 3. Storage kept from an earlier icon is used again
  // when it is large enough. May throw std::bad_alloc.
  std::uint8_t* Allocate(int rows, int cols, int room = 3) {
    const std::size_t bytes = static_cast<std::size_t>(rows) * cols * room;
    if (bytes > capacity_) {
      Release();
      samples_.reset(new std::uint8_t[bytes]);
      capacity_ = bytes;
    }
    rows_ = rows;
    cols_ = cols;
    return samples_.get();
  }
  // No icon; the storage stays for the next Allocate.
  void Clear() { rows_ = cols_ = 0; }
  // No icon, and its storage freed.
  void Release() {
    samples_.reset();
    capacity_ = 0;
    rows_ = cols_ = 0;
  }

  std::size_t capacity() const { return capacity_; }
  int rows() const { return rows_; }
  int cols() const { return cols_; }
  bool empty() const { return rows_ == 0; }
  std::size_t size() const { return static_cast<std::size_t>(rows_) * cols_ * 3; }
  std::uint8_t* data() { return samples_.get(); }
  const std::uint8_t* data() const { return samples_.get(); }
  BgrImageView view() const {
    return {samples_.get(), rows_, cols_, static_cast<std::size_t>(cols_) * 3};
  }

 private:
  std::unique_ptr<std::uint8_t[]> samples_;
  std::size_t capacity_ = 0;  // bytes at samples_
  int rows_ = 0;
  int cols_ = 0;
};

}  // namespace vexlor

#endif  // VEXLOR_DECODE_ICON_PIXELS_H_

#ifndef VEXLOR_DECODE_SVG_EXCHANGE_H_
#define VEXLOR_DECODE_SVG_EXCHANGE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>

namespace vexlor {

// What vexlor and its SVG renderer process (vexlor-svg-renderer) say to each
// other over their two sockets (requests one way, replies the other), in
// this machine's byte order (both ends are built
// together): a request, then its reply, one SVG at a time.
//
//   request: SvgRequest, the base path (path_size bytes), the SVG
//            (svg_bytes bytes)
//   reply:   SvgReply, the reason (why_size bytes), then rows x cols pixels
//            of blue, green, red when `code` is kOk
inline constexpr std::uint32_t kSvgExchangeMark = 0x56535631;  // "VSV1"

struct SvgRequest {
  std::uint32_t mark = kSvgExchangeMark;
  std::uint32_t path_size = 0;
  std::uint64_t svg_bytes = 0;
  std::uint64_t max_pixels = 0;
  std::int32_t svg_size = 0;
  std::uint8_t background_set = 0, blue = 0, green = 0, red = 0;
};

struct SvgReply {
  std::uint32_t mark = kSvgExchangeMark;
  std::uint32_t code = 0;  // the rendering's Status::Code: kOk or kIconRefused
  std::uint32_t why_size = 0;
  std::int32_t rows = 0, cols = 0;
};

// Reads the socket through a buffer, so that a small message comes in with
// one system call. `fill(into, most)` reads at most `most` bytes into `into`
// and returns how many, or 0 when no more can come.
class ExchangeReader {
 public:
  void Reset() { begin_ = end_ = 0; }

  // Exactly `size` bytes into `data`; false when `fill` gave up before.
  template <typename Fill>
  bool Read(void* data, std::size_t size, Fill fill) {
    auto* next = static_cast<std::uint8_t*>(data);
    while (size > 0) {
      if (begin_ == end_) {
        const bool large = size >= sizeof buffer_;  // straight to where it belongs
        const std::size_t got = large ? fill(next, size) : fill(buffer_, sizeof buffer_);
        if (got == 0) return false;
        if (large) {
          next += got;
          size -= got;
          continue;
        }
        begin_ = 0;
        end_ = got;
      }
      const std::size_t taken = std::min(size, end_ - begin_);
      std::memcpy(next, buffer_ + begin_, taken);
      begin_ += taken;
      next += taken;
      size -= taken;
    }
    return true;
  }

 private:
  std::uint8_t buffer_[64 << 10];
  std::size_t begin_ = 0, end_ = 0;
};

}  // namespace vexlor

#endif  // VEXLOR_DECODE_SVG_EXCHANGE_H_

#ifndef VEXLOR_ICON_SVG_EXCHANGE_H_
#define VEXLOR_ICON_SVG_EXCHANGE_H_

#include <cstddef>
#include <cstdint>

namespace vexlor {

// What vexlor and its SVG renderer process (vexlor-svg-renderer) say to each
// other over their socket, in this machine's byte order (both ends are built
// together): a request, then its reply, one SVG at a time.
//
//   request: SvgRequest, the base path (path_size bytes), the SVG
//            (svg_bytes bytes)
//   reply:   SvgReply, the reason (why_size bytes), then rows x cols pixels
//            of blue, green, red when `result` is kRendered
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
  std::uint32_t result = 0;  // an SvgRendering (icon/svg_renderer.h)
  std::uint32_t why_size = 0;
  std::int32_t rows = 0, cols = 0;
};

// Reads exactly `size` bytes from `fd`, going on after short reads and
// interruptions; false at the end of the stream or on an error.
bool ReadExactly(int fd, void* data, std::size_t size);

}  // namespace vexlor

#endif  // VEXLOR_ICON_SVG_EXCHANGE_H_

#include <zlib.h>

#include <cstring>
#include <string_view>

#include "decode/svg_renderer.h"

namespace vexlor {

namespace {

constexpr std::size_t kLookedAt = 4096;  // bytes of a file in which <svg must start

bool SvgText(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || text[first] != '<') return false;
  text.remove_prefix(first);
  if (!(text.starts_with("<?xml") || text.starts_with("<!--") || text.starts_with("<!DOCTYPE") ||
        text.starts_with("<svg")))
    return false;
  const std::size_t svg = text.find("<svg");
  return svg != std::string_view::npos &&
         (svg + 4 == text.size() || std::strchr(" \t\r\n>/", text[svg + 4]) != nullptr);
}

}  // namespace

bool LooksLikeSvg(const std::uint8_t* head, std::size_t size) {
  if (size >= 2 && head[0] == 0x1F && head[1] == 0x8B) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return false;
    char text[kLookedAt];
    z.next_in = const_cast<std::uint8_t*>(head);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = reinterpret_cast<Bytef*>(text);
    z.avail_out = sizeof text;
    inflate(&z, Z_SYNC_FLUSH);
    const std::size_t inflated = sizeof text - z.avail_out;
    inflateEnd(&z);
    return SvgText({text, inflated});
  }
  return SvgText({reinterpret_cast<const char*>(head), size < kLookedAt ? size : kLookedAt});
}

}  // namespace vexlor

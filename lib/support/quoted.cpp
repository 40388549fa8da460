#include "support/quoted.h"

#include <cstdint>

namespace vexlor {

namespace {

// The length of the well-formed UTF-8 sequence at s[i], or 0.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(s[at]); };
  const std::uint8_t b = byte(i);
  const std::size_t n =
      b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  std::uint32_t code = n == 1 ? b : b & (0x7F >> n);
  for (std::size_t j = 1; j < n; ++j) {
    if ((byte(i + j) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i + j) & 0x3F);
  }
  static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string Quoted(std::string_view text, std::size_t max_bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  std::size_t i = 0;
  for (; i < text.size() && i < max_bytes;) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    const std::size_t n = Utf8SequenceLength(text, i);
    if (n == 0 || b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
      ++i;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  if (i < text.size()) out += "...";
  return out;
}

}  // namespace vexlor

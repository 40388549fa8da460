#include <cstdio>

#include "vexlor/distortion.h"

namespace vexlor {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool SameLetters(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((text[i] | 0x20) != lower[i]) return false;
  return true;
}

}  // namespace

bool ParseBackground(std::string_view text, Background* background) {
  if (SameLetters(text, "white")) {
    *background = {true, 255, 255, 255};
    return true;
  }
  if (SameLetters(text, "black")) {
    *background = {true, 0, 0, 0};
    return true;
  }
  // #rrggbb, or #rgb as CSS reads it: each digit twice (#f80 is #ff8800).
  const bool shortForm = text.size() == 4;
  if ((text.size() != 7 && !shortForm) || text[0] != '#') return false;
  int rgb[3];
  for (int i = 0; i < 3; ++i) {
    const int high = HexDigit(text[shortForm ? 1 + i : 1 + 2 * i]);
    const int low = HexDigit(text[shortForm ? 1 + i : 2 + 2 * i]);
    if (high < 0 || low < 0) return false;
    rgb[i] = high * 16 + low;
  }
  *background = {true, static_cast<std::uint8_t>(rgb[2]), static_cast<std::uint8_t>(rgb[1]),
                 static_cast<std::uint8_t>(rgb[0])};
  return true;
}

std::string BackgroundText(const Background& background) {
  if (!background.set) return "";
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", background.red, background.green,
                background.blue);
  return text;
}

}  // namespace vexlor

// vexlor/distortion.h: what may be done to an icon before it is measured,
// and how large an icon may be.
//
// Contract: plain values and constants, no image library needed.
#ifndef VEXLOR_DISTORTION_H_
#define VEXLOR_DISTORTION_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vexlor {

// A colour that an icon is composited over, by its alpha, before anything
// else is done to it: what a person sees of an icon drawn on that colour.
// Without it (`set` false) alpha is dropped as vexlor drops it, and the
// colour that an encoder left under transparent pixels counts.
struct Background {
  bool set = false;
  std::uint8_t blue = 0, green = 0, red = 0;
};

// The one compositing rule, for each of blue, green and red of every pixel
// whose alpha is `alpha` (0 transparent .. 255 opaque):
//   (colour x alpha + background x (255 - alpha) + 127) / 255
// in integers, truncated: the nearest integer to the exact blend (255 is
// odd, so there is never a tie). Alpha 255 keeps the colour, alpha 0 gives
// the background. 16-bit samples and alpha are first taken to their high
// byte, as vexlor takes 16-bit colour; a palette's or a colour's
// transparency (PNG tRNS) is alpha as libpng expands it; an icon without
// alpha is left as it is.
inline std::uint8_t Composited(std::uint8_t colour, std::uint8_t alpha, std::uint8_t background) {
  return static_cast<std::uint8_t>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

// Reads "white", "black", "#rrggbb" or "#rgb" (any case; #f80 is #ff8800)
// into `*background`; false for any other text.
bool ParseBackground(std::string_view text, Background* background);
// The text ParseBackground reads back: "#rrggbb", or "" when not set.
std::string BackgroundText(const Background& background);

// How an icon file becomes pixels, as it is loaded and before it is
// distorted. A BGR image already in memory has been through this.
struct LoadSettings {
  // Composited under an icon with alpha as it is decoded.
  Background background{};
  // The side an SVG icon is rendered to fit (as rsvg-convert --width=N
  // --height=N --keep-aspect-ratio); 0: its natural size.
  int svg_size = 0;
};

// The distortion applied to an icon after it is loaded and before it is
// measured: a Gaussian blur with a (2 * blur + 1)-pixel square aperture
// (none for 0), then a scale factor per colour channel (1.0 leaves a channel
// as it is).
struct Distortion {
  int blur = 0;
  double red = 1.0;
  double green = 1.0;
  double blue = 1.0;
};

// Largest svg_size the options take: an SVG rendered that large is already
// beyond what a 62 x 62 measurement can use.
inline constexpr int kMaxSvgSize = 4096;

// Largest blur whose Gaussian aperture 2 * blur + 1 still fits in an int.
inline constexpr int kMaxBlurSize = (2147483647 - 1) / 2;

// Most work a blur beyond 255 may cost: such blurs are the image library's,
// whose time grows with aperture x pixels and whose buffers with the aperture,
// so a blur is done only while aperture x (pixels + aperture) is at most this,
// about a second (an aperture of about 8,900 on a 97 x 61 icon, 2,100 on a
// 256 x 256 one). Every blur up to 255 is done.
inline constexpr std::uint64_t kMaxBlurWork = std::uint64_t{1} << 27;

// Largest blur that vexlor-batch, vexlor-card and the Python module accept:
// an aperture of 511 pixels, beyond which a blur of an icon (measured at 62 x
// 62) only costs time, and that grows with the blur. vexlor's own -B takes
// any blur up to kMaxBlurSize, as it always has.
inline constexpr int kMaxOptionBlur = 255;

// Whether `d` leaves every icon exactly as it is: no blur and every factor
// exactly 1.0 (a NaN factor counts as not 1.0).
inline bool LeavesIconAsItIs(const Distortion& d) {
  return d.blur == 0 && d.red == 1.0 && d.green == 1.0 && d.blue == 1.0;
}

// Most pixels an icon may have: 2^26, about 67 megapixels (8192 x 8192).
// Photographs of tens of megapixels load; larger images, and files whose
// header only claims a gigantic size, are refused before their pixels are
// allocated. OPENCV_IO_MAX_IMAGE_PIXELS, the image library's own setting,
// replaces this limit when it is set to a limit (read once, as the library
// reads it: digits, then KB or MB if wished); another value leaves it.
inline constexpr std::uint64_t kDefaultMaxIconPixels = std::uint64_t{1} << 26;

// The limit in force (see kDefaultMaxIconPixels).
std::uint64_t MaxIconPixels();

}  // namespace vexlor

#endif  // VEXLOR_DISTORTION_H_

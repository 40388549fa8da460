#ifndef VEXLOR_DECODE_ICON_LOADING_H_
#define VEXLOR_DECODE_ICON_LOADING_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/icon_pixels.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// LoadIcon, DecodeIcon, SaveIcon and IconProcess (vexlor/icon.h) for icons
// held as IconPixels: the same checks, limits, results and messages. PNG and
// JPEG files are decoded and distortions up to kMaxTabulatedBlur applied
// here; the image library (decode/image_library.h) is loaded only for other
// formats, for saving, and for larger blurs. When it cannot be loaded,
// loading and saving fail with kIOError and DistortIcon throws vexlor::Error
// (kMeasureFailed). Over a set `background` every icon with alpha is
// composited over it as it is decoded (vexlor/distortion.h).
// SVG icons are rendered as decode/svg_renderer.h says, at `settings.svg_size`.
Status LoadIconPixels(const std::string& path, IconPixels* icon,
                      const LoadSettings& settings = {});
Status DecodeIconPixels(const std::uint8_t* bytes, std::size_t size, IconPixels* icon,
                        const LoadSettings& settings = {});
Status SaveIconPixels(const std::string& path, const BgrImageView& icon);
void DistortIcon(IconPixels& icon, const Distortion& distortion);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_ICON_LOADING_H_

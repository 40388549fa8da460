#ifndef VEXLOR_DECODE_SVG_DRAWING_H_
#define VEXLOR_DECODE_SVG_DRAWING_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "decode/svg_renderer.h"

typedef struct _RsvgHandle RsvgHandle;

namespace vexlor {

// An SVG's natural size in pixels, as rsvg-convert takes it (librsvg's legacy
// document size): width and height when both are absolute; else the
// viewBox's size; else the drawing's extent. False when it has none.
bool SvgNaturalSize(RsvgHandle* handle, double* width, double* height);

// Draws an SVG with librsvg, as decode/svg_renderer.h states the rule. Runs
// only in the renderer process, vexlor-svg-renderer.
//
// `sized(rows, cols)` is told the icon's size before anything is drawn and
// `row(pixels)` then gets each row of `cols` blue, green, red pixels, top
// first; either may return false to stop. Success only when every row was
// taken; else IconRefused with the reason alone.
Status DrawSvg(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
               const SvgSettings& settings, const std::function<bool(int, int)>& sized,
               const std::function<bool(const std::uint8_t*)>& row);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_SVG_DRAWING_H_

#ifndef VEXLOR_ICON_SVG_DRAWING_H_
#define VEXLOR_ICON_SVG_DRAWING_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "icon/svg_renderer.h"

namespace vexlor {

// Draws an SVG with librsvg, as icon/svg_renderer.h states the rule. Runs
// only in the renderer process, vexlor-svg-renderer.
//
// `sized(rows, cols)` is told the icon's size before anything is drawn and
// `row(pixels)` then gets each row of `cols` blue, green, red pixels, top
// first; either may return false to stop. kRendered only when every row was
// taken; else `*why` says why not.
SvgRendering DrawSvg(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
                     const SvgSettings& settings, const std::function<bool(int, int)>& sized,
                     const std::function<bool(const std::uint8_t*)>& row, std::string* why);

}  // namespace vexlor

#endif  // VEXLOR_ICON_SVG_DRAWING_H_

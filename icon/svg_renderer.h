#ifndef VEXLOR_ICON_SVG_RENDERER_H_
#define VEXLOR_ICON_SVG_RENDERER_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "icon/icon_pixels.h"
#include "vexlor/distortion.h"

namespace vexlor {

// SVG and SVGZ icons, rendered with librsvg in the plugin vexlor-svg.so,
// which is loaded only when an icon is an SVG: a run over PNGs loads neither
// librsvg nor cairo.
//
// What is measured is what `rsvg-convert ICON > ICON.png` writes, as vexlor
// reads that PNG: the SVG rendered at its natural size (its width and height
// at 96 DPI when both are absolute; else the viewBox's size; else the
// drawing's extent), on a transparent ARGB32 cairo
// surface of the size rounded up, then unpremultiplied as cairo writes a PNG
// ((c x 255 + a / 2) / a, transparent pixels black); over a set background
// composited as every icon is. With `svg_size` N > 0, it is rendered as
// `rsvg-convert --width=N --height=N --keep-aspect-ratio` renders it.
//
// Bounds: the file at most kMaxSvgBytes; references to other files only
// within the SVG's own folder and below, never to the network (librsvg's
// rule for a document loaded with its own path as base); the surface within
// the pixel limit and cairo's 32767 pixels a side, refused before rendering;
// the rendering within kSvgTimeLimit, else refused (a rendering that runs
// out of time goes on in the background and its result is dropped; after
// kMaxAbandonedSvgRenderings of them every further SVG is refused).
inline constexpr std::size_t kMaxSvgBytes = std::size_t{16} << 20;
inline constexpr std::chrono::seconds kSvgTimeLimit{2};
inline constexpr int kMaxAbandonedSvgRenderings = 4;

enum class SvgRendering {
  kRendered,
  kFailed,     // no SVG librsvg can render; `why` says what librsvg said
  kTooLarge,   // beyond the pixel limit or cairo's sides, or the file too long
  kTimedOut,   // took longer than kSvgTimeLimit
};

struct SvgSettings {
  std::uint64_t max_pixels = 0;
  int svg_size = 0;  // 0: natural size
  Background background;
};

struct SvgRenderer {
  // Renders the `size` bytes of an SVG file; `base_path` is its path, which
  // references are resolved against ("" for bytes from no file: then none
  // is followed).
  SvgRendering (*render)(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
                         const SvgSettings& settings, IconPixels* icon, std::string* why);
};

// Whether `head`, the first bytes of a file, is an SVG or a gzipped one:
// after an optional byte-order mark, white space, an XML declaration,
// comments or a doctype, an <svg element within them.
bool LooksLikeSvg(const std::uint8_t* head, std::size_t size);

// The renderer, or null with the reason in `*why` when the plugin cannot be
// loaded. Thread-safe; loads at most once.
const SvgRenderer* GetSvgRenderer(std::string* why);

}  // namespace vexlor

#endif  // VEXLOR_ICON_SVG_RENDERER_H_

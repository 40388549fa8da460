#ifndef VEXLOR_DECODE_SVG_RENDERER_H_
#define VEXLOR_DECODE_SVG_RENDERER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/icon_pixels.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// SVG and SVGZ icons, rendered with librsvg in a process of their own,
// vexlor-svg-renderer: librsvg and cairo are never loaded into vexlor, and a
// run over PNGs starts no such process.
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
// rule for a document loaded with its own path as base), and only to regular
// files (a FIFO or a device is never opened); the surface within the pixel
// limit and cairo's 32767 pixels a side, refused before rendering. The
// renderer process may use kSvgMemoryBytes of address space and
// kSvgCpuSeconds of processor time for one SVG, and one SVG may take
// kSvgWallSeconds in all; beyond any of them the process is ended, the icon
// refused, and a new process renders the next SVG. What one SVG did never
// changes the outcome of another.
inline constexpr std::size_t kMaxSvgBytes = std::size_t{16} << 20;
inline constexpr std::uint64_t kSvgMemoryBytes = std::uint64_t{1} << 30;
inline constexpr int kSvgCpuSeconds = 2;
inline constexpr int kSvgWallSeconds = 10;

struct SvgSettings {
  std::uint64_t max_pixels = 0;
  int svg_size = 0;  // 0: natural size
  Background background;
};

// Whether `head`, the first bytes of a file, is an SVG or a gzipped one:
// after an optional byte-order mark, white space, an XML declaration,
// comments or a doctype, an <svg element within them.
bool LooksLikeSvg(const std::uint8_t* head, std::size_t size);

// Renders the `size` bytes of an SVG file into `*icon` (its size within
// settings.max_pixels); `base_path` is its path, which references are
// resolved against ("" for bytes from no file: then none is followed).
// Each thread has a renderer process of its own, started at its first SVG
// and ended with the thread; a process that forks starts new ones.
//
// Fails as decode/decoding_failures.h says: IconRefused for an SVG that
// librsvg cannot render (with what librsvg said), one beyond the pixel limit
// or cairo's sides, and one that took its renderer beyond its memory or
// time; IOError when no renderer process could be started or it broke the
// exchange.
Status RenderSvg(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
                 const SvgSettings& settings, IconPixels* icon);

// While a thread renders an SVG, it and its renderer are held to one
// processor, and the thread is let go before RenderSvg returns. A thread that
// is vexlor's own and measures icons one after another (vexlor-batch's) may
// call KeepSvgHoldsOnThisThread: it is then held from one SVG to the next
// and let go after 16 in a row, or by EndSvgRun, which the loader calls for
// each icon that is not an SVG.
void KeepSvgHoldsOnThisThread();
void EndSvgRun();

}  // namespace vexlor

#endif  // VEXLOR_DECODE_SVG_RENDERER_H_

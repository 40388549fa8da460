// Fuzz target: arbitrary bytes as an SVG icon (vexlor's SVG recognition,
// then librsvg in its renderer process, the exchange with it, the size
// bounds and the unpremultiplying),
// at the natural size or, from the first byte, at a fixed size. Whatever is
// rendered stays within the pixel limit and measures.

#include <cstdint>
#include <cstdlib>

#include "decode/icon_loading.h"
#include "decode/svg_renderer.h"
#include "descriptors/measure.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr std::uint64_t kMaxPixels = 1000000;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("OPENCV_IO_MAX_IMAGE_PIXELS", "1000000", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int svgSize = data[0] < 128 ? 0 : data[0] - 127;
  vexlor::IconPixels icon;
  const bool svg = vexlor::LooksLikeSvg(data + 1, size - 1);
  const vexlor::Status status =
      vexlor::DecodeIconPixels(data + 1, size - 1, &icon, {.svg_size = svgSize});
  if (!status.ok() || !svg) return 0;
  Check(icon.rows() > 0 && icon.cols() > 0 &&
        static_cast<std::uint64_t>(icon.rows()) * icon.cols() <= kMaxPixels);
  const vexlor::Descriptors d = vexlor::MeasureDistorted(icon.view(), nullptr);
  Check(d.recDescInt().size() == vexlor::rec_desc_length);
  return 0;
}

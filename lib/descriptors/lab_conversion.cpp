#include "descriptors/lab_conversion.h"

#include "descriptors/lab_tables.h"

namespace vexlor {

namespace {

constexpr LabTables kTables =
#include "lab_tables.inc"
    ;

int Descale(int x, int n) { return (x + (1 << (n - 1))) >> n; }

std::uint8_t Saturate(int v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

void ConvertBgrToLab(const BgrImageView& bgr, std::uint8_t* lab) {
  const LabTables& t = kTables;
  const int* c = t.coeffs;
  const int lScale = (116 * 255 + 50) / 100;
  const int lShift = -((16 * 255 * (1 << kLabShift) + 50) / 100);
  const int neutral = 128 * (1 << kLabShift);
  std::uint8_t* out = lab;
  // Icons are mostly runs of one colour (flat areas, the background behind
  // transparency): a pixel like the one before it takes that one's Lab.
  std::uint32_t previous = 0xffffffff;
  std::uint8_t previousLab[3] = {};
  for (int y = 0; y < bgr.rows; ++y) {
    const std::uint8_t* in = bgr.row(y);
    for (int x = 0; x < bgr.cols; ++x, in += 3, out += 3) {
      const std::uint32_t colour = in[0] | in[1] << 8 | in[2] << 16;
      if (colour == previous) {
        out[0] = previousLab[0];
        out[1] = previousLab[1];
        out[2] = previousLab[2];
        continue;
      }
      const int b = t.gamma[in[0]], g = t.gamma[in[1]], r = t.gamma[in[2]];
      const int fX = t.cbrt[Descale(b * c[0] + g * c[1] + r * c[2], kCoeffShift)];
      const int fY = t.cbrt[Descale(b * c[3] + g * c[4] + r * c[5], kCoeffShift)];
      const int fZ = t.cbrt[Descale(b * c[6] + g * c[7] + r * c[8], kCoeffShift)];
      out[0] = Saturate(Descale(lScale * fY + lShift, kLabShift));
      out[1] = Saturate(Descale(500 * (fX - fY) + neutral, kLabShift));
      out[2] = Saturate(Descale(200 * (fY - fZ) + neutral, kLabShift));
      previous = colour;
      previousLab[0] = out[0];
      previousLab[1] = out[1];
      previousLab[2] = out[2];
    }
  }
}

}  // namespace vexlor

// The image library's fixed-point Gaussian blur of 8-bit images, without the
// library. All of it is exact integer work (weights in 1/256, row sums in
// 8.8, column sums in 16.16, never above 255 * 256 * 256), so the order of
// the additions does not matter and the edge taps can be folded.
#include <algorithm>
#include <cstring>
#include <vector>

#include "pixels/pixel_distortion.h"

namespace vexlor {

namespace {

// All 2r + 1 weights along a side of `length` pixels. The library does not
// blur along a side of one pixel: there the kernel is the single tap 1.0.
std::vector<std::uint16_t> KernelAlong(int length, int blur) {
  const int r = length == 1 ? 0 : blur;
  const std::uint16_t* half = GaussianHalfKernel(r);
  std::vector<std::uint16_t> kernel(2 * r + 1);
  for (int j = 0; j <= r; ++j) kernel[j] = kernel[2 * r - j] = half[j];
  return kernel;
}

// One row filtered along itself into 8.8 values. `padded` has room for the
// row with r replicated edge pixels on either side.
void FilterRow(const std::uint8_t* src, int cols, const std::vector<std::uint16_t>& kernel,
               std::uint8_t* padded, std::uint16_t* out) {
  const int r = static_cast<int>(kernel.size() / 2);
  for (int i = 0; i < r; ++i) {
    std::memcpy(padded + i * 3, src, 3);
    std::memcpy(padded + (r + cols + i) * 3, src + (cols - 1) * 3, 3);
  }
  std::memcpy(padded + r * 3, src, static_cast<std::size_t>(cols) * 3);
  const int n = cols * 3;
  const std::uint8_t* centre = padded + r * 3;
  const std::uint16_t centreWeight = kernel[r];
  for (int i = 0; i < n; ++i) out[i] = static_cast<std::uint16_t>(centreWeight * centre[i]);
  for (int j = 0; j < r; ++j) {
    const std::uint16_t w = kernel[j];
    const std::uint8_t* left = padded + j * 3;
    const std::uint8_t* right = padded + (2 * r - j) * 3;
    for (int i = 0; i < n; ++i)
      out[i] = static_cast<std::uint16_t>(out[i] + w * (left[i] + right[i]));
  }
}

}  // namespace

void GaussianBlurPixels(const BgrImageSpan& icon, int blur) {
  if (icon.rows <= 0 || icon.cols <= 0) return;
  const std::vector<std::uint16_t> kx = KernelAlong(icon.cols, blur);
  const std::vector<std::uint16_t> ky = KernelAlong(icon.rows, blur);
  const int rx = static_cast<int>(kx.size() / 2), ry = static_cast<int>(ky.size() / 2);
  const int n = icon.cols * 3;
  // The filtered rows an output row needs, kept in a ring: at most
  // 2 * ry + 1 distinct rows, fewer in a short icon.
  const int ring = std::min(2 * ry + 1, icon.rows);
  std::vector<std::uint16_t> filtered(static_cast<std::size_t>(ring) * n);
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(icon.cols + 2 * rx) * 3);
  std::vector<std::uint32_t> sum(n);
  const auto filteredRow = [&](int y) {
    return filtered.data() + static_cast<std::size_t>(y % ring) * n;
  };
  int next = 0;  // the first row not yet filtered
  for (int y = 0; y < icon.rows; ++y) {
    // Row y is overwritten below: every row it feeds is filtered before.
    for (const int last = std::min(icon.rows - 1, y + ry); next <= last; ++next)
      FilterRow(icon.row(next), icon.cols, kx, padded.data(), filteredRow(next));
    const std::uint16_t* centre = filteredRow(y);
    const std::uint32_t centreWeight = ky[ry];
    for (int i = 0; i < n; ++i) sum[i] = centreWeight * centre[i];
    for (int t = 0; t < ry; ++t) {
      const std::uint16_t* above = filteredRow(std::max(0, y - ry + t));
      const std::uint16_t* below = filteredRow(std::min(icon.rows - 1, y + ry - t));
      const std::uint32_t w = ky[t];
      for (int i = 0; i < n; ++i) sum[i] += w * (std::uint32_t{above[i]} + below[i]);
    }
    std::uint8_t* out = icon.row(y);
    for (int i = 0; i < n; ++i)
      out[i] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (sum[i] + 32768) >> 16));
  }
}

}  // namespace vexlor

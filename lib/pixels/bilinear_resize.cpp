#include "pixels/bilinear_resize.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace vexlor {

namespace {

constexpr int kChannels = 3;
constexpr int kCoefBits = 11;
constexpr int kCoefScale = 1 << kCoefBits;  // weight 1.0

// The library's rounding of a single-precision weight to a 16-bit integer:
// to nearest, ties to even, saturated.
std::int16_t FixedWeight(float w) {
  const long v = std::lrint(w * static_cast<float>(kCoefScale));
  return static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

// The first source index for destination index d and the weight of the next,
// in single precision from a double position, as the library works them out.
struct Tap {
  int s;
  float f;
};
Tap TapOf(int d, double scale) {
  float f = static_cast<float>((d + 0.5) * scale - 0.5);
  const int s = static_cast<int>(std::floor(f));
  f -= static_cast<float>(s);
  return {s, f};
}

// Rows exactly halved both ways: the mean of each 2 x 2 block, rounded half up.
void HalveBoth(const BgrImageView& src, int rows, int cols, std::uint8_t* dst) {
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* a = src.row(2 * y);
    const std::uint8_t* b = src.row(2 * y + 1);
    std::uint8_t* out = dst + static_cast<std::size_t>(y) * cols * kChannels;
    for (int x = 0; x < cols * kChannels; ++x) {
      const int i = (x / kChannels) * 2 * kChannels + x % kChannels;
      const int sum = a[i] + a[i + kChannels] + b[i] + b[i + kChannels];
      out[x] = static_cast<std::uint8_t>((sum + 2) >> 2);
    }
  }
}

// One source row resampled horizontally, in weight units (x 2048).
void HorizontalPass(const std::uint8_t* row, const std::vector<int>& offset,
                    const std::vector<std::int16_t>& alpha, int limit, int* out) {
  const int width = static_cast<int>(offset.size());
  for (int x = 0; x < width; ++x) {
    const int s = offset[x];
    // Past the last source pixel only that pixel counts.
    out[x] = x < limit ? row[s] * alpha[2 * x] + row[s + kChannels] * alpha[2 * x + 1]
                       : row[s] * kCoefScale;
  }
}

}  // namespace

void ResizeBilinear(const BgrImageView& src, int rows, int cols, std::uint8_t* dst) {
  const std::size_t rowBytes = static_cast<std::size_t>(cols) * kChannels;
  if (src.rows == rows && src.cols == cols) {
    for (int y = 0; y < rows; ++y) std::memcpy(dst + y * rowBytes, src.row(y), rowBytes);
    return;
  }
  const double inv_scale_x = static_cast<double>(cols) / src.cols;
  const double inv_scale_y = static_cast<double>(rows) / src.rows;
  const double scale_x = 1. / inv_scale_x;
  const double scale_y = 1. / inv_scale_y;
  if (scale_x == 2.0 && scale_y == 2.0) {
    HalveBoth(src, rows, cols, dst);
    return;
  }

  const int width = cols * kChannels;
  std::vector<int> offset(width);
  std::vector<std::int16_t> alpha(2 * width);
  int limit = cols;  // first destination column whose right neighbour is past the edge
  for (int dx = 0; dx < cols; ++dx) {
    Tap t = TapOf(dx, scale_x);
    if (t.s < 0) t = {0, 0.f};
    if (t.s + 1 >= src.cols) {
      if (limit > dx) limit = dx;
      if (t.s >= src.cols - 1) t = {src.cols - 1, 0.f};
    }
    const std::int16_t a0 = FixedWeight(1.f - t.f), a1 = FixedWeight(t.f);
    for (int k = 0; k < kChannels; ++k) {
      offset[dx * kChannels + k] = t.s * kChannels + k;
      alpha[2 * (dx * kChannels + k)] = a0;
      alpha[2 * (dx * kChannels + k) + 1] = a1;
    }
  }
  limit *= kChannels;

  std::vector<int> upper(width), lower(width);
  int upperRow = -1, lowerRow = -1;
  for (int dy = 0; dy < rows; ++dy) {
    const Tap t = TapOf(dy, scale_y);  // no clamping of the weight: rows are clamped
    const int b0 = FixedWeight(1.f - t.f), b1 = FixedWeight(t.f);
    const int r0 = std::clamp(t.s, 0, src.rows - 1);
    const int r1 = std::clamp(t.s + 1, 0, src.rows - 1);
    if (r0 != upperRow) {
      if (r0 == lowerRow) {
        upper.swap(lower);
        lowerRow = -1;
      } else {
        HorizontalPass(src.row(r0), offset, alpha, limit, upper.data());
      }
      upperRow = r0;
    }
    if (r1 != lowerRow) {
      if (r1 == upperRow)
        lower = upper;
      else
        HorizontalPass(src.row(r1), offset, alpha, limit, lower.data());
      lowerRow = r1;
    }

    // The library's 16-bit fixed point: samples cut by 4 bits, the high half
    // of each product, then the last 2 bits rounded away. The weights add up
    // to 1, so the result never leaves 0..255.
    std::uint8_t* out = dst + dy * rowBytes;
    for (int x = 0; x < width; ++x)
      out[x] = static_cast<std::uint8_t>(
          ((((upper[x] >> 4) * b0) >> 16) + (((lower[x] >> 4) * b1) >> 16) + 2) >> 2);
  }
}

}  // namespace vexlor

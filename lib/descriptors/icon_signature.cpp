#include "descriptors/icon_signature.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vexlor {

namespace {

constexpr int kSide = kNormalisedSide / 2;  // 31 after the 2 x 2 sums
constexpr int kFrequencies = 8;

// cos((2x + 1) u pi / 62) in units of 1/65536. No value is within 1e-6 of
// a rounding boundary (a test holds to it), so every libm gives this table.
std::array<std::array<std::int64_t, kSide>, kFrequencies> CosineTable() {
  std::array<std::array<std::int64_t, kSide>, kFrequencies> table{};
  for (int u = 0; u < kFrequencies; ++u)
    for (int x = 0; x < kSide; ++x)
      table[u][x] = std::llround(std::cos((2 * x + 1) * u * std::numbers::pi / (2 * kSide)) * 65536);
  return table;
}

int Grey(const std::uint8_t* bgr) { return (29 * bgr[0] + 150 * bgr[1] + 77 * bgr[2] + 128) >> 8; }

}  // namespace

std::uint64_t IconSignature(const NormalisedIcon& bgr, std::uint64_t* steady) {
  static const auto cosine = CosineTable();
  std::int64_t grey[kSide][kSide] = {};
  for (int y = 0; y < kNormalisedSide; ++y)
    for (int x = 0; x < kNormalisedSide; ++x) {
      grey[y / 2][x / 2] += Grey(&bgr.samples[(y * kNormalisedSide + x) * 3]);
    }
  // Rows first, then columns; at most 31 * 1020 * 65536 * 31 * 65536 < 2^62.
  std::int64_t rows[kSide][kFrequencies] = {};
  for (int y = 0; y < kSide; ++y)
    for (int v = 0; v < kFrequencies; ++v)
      for (int x = 0; x < kSide; ++x) rows[y][v] += grey[y][x] * cosine[v][x];
  std::array<std::int64_t, kFrequencies * kFrequencies> low{};
  for (int u = 0; u < kFrequencies; ++u)
    for (int v = 0; v < kFrequencies; ++v)
      for (int y = 0; y < kSide; ++y) low[u * kFrequencies + v] += cosine[u][y] * rows[y][v];
  std::array<std::int64_t, kFrequencies * kFrequencies> sorted = low;
  std::sort(sorted.begin(), sorted.end());
  const std::int64_t twiceMedian = sorted[31] + sorted[32];  // exact: 2 x the median
  std::uint64_t signature = 0;
  for (int i = 0; i < kFrequencies * kFrequencies; ++i)
    if (2 * low[i] > twiceMedian) signature |= std::uint64_t{1} << (63 - i);
  if (steady != nullptr) {
    // |2 low - 2 median| > 2 x spread / 10, in integers (for them x > s / 5
    // is x > floor(s / 5)); every frequency is below 2^52 in size.
    const std::int64_t least = (sorted[47] - sorted[16]) / 5;
    *steady = 0;
    for (int i = 0; i < kFrequencies * kFrequencies; ++i)
      if (std::abs(2 * low[i] - twiceMedian) > least) *steady |= std::uint64_t{1} << (63 - i);
  }
  return signature;
}

int SignatureDistance(std::uint64_t a, std::uint64_t b) { return std::popcount(a ^ b); }

namespace {

// The mean grey of each cell of a side x side grid over the icon, as
// IconGreyMap says.
template <int side>
std::array<std::uint8_t, side * side> GreyMeans(const NormalisedIcon& bgr) {
  const auto edge = [](int cell) { return cell * kNormalisedSide / side; };
  std::array<std::uint8_t, side * side> map{};
  for (int row = 0; row < side; ++row)
    for (int column = 0; column < side; ++column) {
      int sum = 0, count = 0;
      for (int y = edge(row); y < edge(row + 1); ++y)
        for (int x = edge(column); x < edge(column + 1); ++x, ++count)
          sum += Grey(&bgr.samples[(y * kNormalisedSide + x) * 3]);
      map[row * side + column] = static_cast<std::uint8_t>((2 * sum + count) / (2 * count));
    }
  return map;
}

}  // namespace

GreyMap IconGreyMap(const NormalisedIcon& bgr) { return GreyMeans<kGreyMapSide>(bgr); }

DetailMap IconDetailMap(const NormalisedIcon& bgr) { return GreyMeans<kDetailMapSide>(bgr); }

ColourMap IconColourMap(const NormalisedIcon& bgr) {
  const auto edge = [](int cell) { return cell * kNormalisedSide / kColourMapSide; };
  ColourMap map{};
  for (int row = 0; row < kColourMapSide; ++row)
    for (int column = 0; column < kColourMapSide; ++column) {
      int redGreen = 0, yellowBlue = 0, count = 0;  // yellowBlue: twice each value
      for (int y = edge(row); y < edge(row + 1); ++y)
        for (int x = edge(column); x < edge(column + 1); ++x, ++count) {
          const std::uint8_t* p = &bgr.samples[(y * kNormalisedSide + x) * 3];
          redGreen += p[2] - p[1];
          yellowBlue += p[2] + p[1] - 2 * p[0];
        }
      const int cell = 2 * (row * kColourMapSide + column);
      map[cell] = static_cast<std::int16_t>(redGreen / count);
      map[cell + 1] = static_cast<std::int16_t>(yellowBlue / (2 * count));
    }
  return map;
}

IconLook LookOfIcon(const NormalisedIcon& bgr, std::uint32_t width, std::uint32_t height) {
  IconLook look;
  look.width = width;
  look.height = height;
  look.signature = IconSignature(bgr, &look.steady);
  look.grey = IconGreyMap(bgr);
  look.colour = IconColourMap(bgr);
  look.detail = IconDetailMap(bgr);
  return look;
}

int SteadySignatureDistance(const IconLook& a, const IconLook& b) {
  return std::popcount((a.signature ^ b.signature) & a.steady & b.steady);
}

}  // namespace vexlor

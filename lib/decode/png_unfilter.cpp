#include "decode/png_unfilter.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexlor {

namespace {

// a: the byte to the left, b: above, c: above and to the left.
std::uint8_t PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

#if defined(__SSE2__)
__m128i Load4(const std::uint8_t* p) {
  std::int32_t word;
  std::memcpy(&word, p, 4);
  return _mm_cvtsi32_si128(word);
}
void Store4(std::uint8_t* p, __m128i v) {
  const std::int32_t word = _mm_cvtsi128_si32(v);
  std::memcpy(p, &word, 4);
}

// Four bytes a pixel: four pixels at a time, as running sums.
void UnfilterSub4(std::uint8_t* row, std::size_t n) {
  __m128i left = _mm_setzero_si128();  // the last pixel so far, in every lane
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
    x = _mm_add_epi8(x, left);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), x);
    left = _mm_shuffle_epi32(x, 0xff);
  }
  for (; i < n; i += 4) {
    left = _mm_add_epi8(Load4(row + i), left);
    Store4(row + i, left);
  }
}

// Four bytes a pixel: floor((a + b) / 2) as the rounded-up average less the
// bit lost.
void UnfilterAverage4(std::uint8_t* row, const std::uint8_t* up, std::size_t n) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i < n; i += 4) {
    const __m128i b = Load4(up + i);
    const __m128i average =
        _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    a = _mm_add_epi8(Load4(row + i), average);
    Store4(row + i, a);
  }
}

// Four bytes a pixel, the predictor worked out on 16-bit lanes; the same
// choices as PaethPredictor (a test holds them equal on all 2^24 triples).
void UnfilterPaeth4(std::uint8_t* row, const std::uint8_t* up, std::size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, c = zero;
  for (std::size_t i = 0; i < n; i += 4) {
    const __m128i b = _mm_unpacklo_epi8(Load4(up + i), zero);
    const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
    const __m128i abc = _mm_add_epi16(bc, ac);
    const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
    const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
    const __m128i pc = _mm_max_epi16(abc, _mm_sub_epi16(zero, abc));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i takeB = _mm_cmpeq_epi16(pb, smallest), takeA = _mm_cmpeq_epi16(pa, smallest);
    __m128i nearest = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
    nearest = _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, nearest));
    const __m128i result = _mm_add_epi8(Load4(row + i), _mm_packus_epi16(nearest, zero));
    Store4(row + i, result);
    a = _mm_unpacklo_epi8(result, zero);
    c = b;
  }
}
#endif

// Each filter for any pixel size, on four-byte pixels with SSE2 where the
// machine has it. `up` is the row above, already reversed.
void UnfilterSub(std::uint8_t* row, std::size_t n, std::size_t bpp) {
#if defined(__SSE2__)
  if (bpp == 4) return UnfilterSub4(row, n);
#endif
  for (std::size_t i = bpp; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
}

void UnfilterUp(std::uint8_t* row, const std::uint8_t* up, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i),
                     _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + i))));
#endif
  for (; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + up[i]);
}

void UnfilterAverage(std::uint8_t* row, const std::uint8_t* up, std::size_t n, std::size_t bpp) {
#if defined(__SSE2__)
  if (bpp == 4) return UnfilterAverage4(row, up, n);
#endif
  for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<std::uint8_t>(row[i] + (up[i] >> 1));
  for (std::size_t i = bpp; i < n; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - bpp] + up[i]) >> 1));
}

void UnfilterPaeth(std::uint8_t* row, const std::uint8_t* up, std::size_t n, std::size_t bpp) {
#if defined(__SSE2__)
  if (bpp == 4) return UnfilterPaeth4(row, up, n);
#endif
  for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<std::uint8_t>(row[i] + up[i]);
  for (std::size_t i = bpp; i < n; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(row[i - bpp], up[i], up[i - bpp]));
}

}  // namespace

bool UnfilterRows(std::uint8_t* data, std::size_t rows, std::size_t row_bytes,
                  unsigned pixel_bytes) {
  const std::vector<std::uint8_t> zeros(row_bytes);
  const std::uint8_t* up = zeros.data();
  for (std::size_t y = 0; y < rows; ++y, data += row_bytes + 1) {
    std::uint8_t* const row = data + 1;
    switch (data[0]) {
      case 0: break;
      case 1: UnfilterSub(row, row_bytes, pixel_bytes); break;
      case 2: UnfilterUp(row, up, row_bytes); break;
      case 3: UnfilterAverage(row, up, row_bytes, pixel_bytes); break;
      case 4: UnfilterPaeth(row, up, row_bytes, pixel_bytes); break;
      default: return false;
    }
    up = row;
  }
  return true;
}

}  // namespace vexlor

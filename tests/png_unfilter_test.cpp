// The core's reversal of PNG row filters against the filter definitions.

#include "decode/png_unfilter.h"

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace vexlor;
using Bytes = std::vector<std::uint8_t>;

// PNG's predictors written out from their definitions (p = a + b - c).
int Predicted(int filter, int a, int b, int c) {
  switch (filter) {
    case 1: return a;
    case 2: return b;
    case 3: return (a + b) / 2;
    case 4: {
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    }
    default: return 0;
  }
}

TEST(PngUnfilter, ReversesEveryFilterAsTheFormatDefinesIt) {
  std::mt19937 random(4);
  for (unsigned bpp = 1; bpp <= 4; ++bpp)
    for (std::size_t width : {1, 2, 3, 5, 8, 33}) {
      const std::size_t rowBytes = width * bpp, rows = 12;
      Bytes filtered((rowBytes + 1) * rows), expected(rowBytes * rows);
      for (std::size_t y = 0; y < rows; ++y) {
        std::uint8_t* row = &filtered[y * (rowBytes + 1)];
        row[0] = static_cast<std::uint8_t>(y % 5);
        for (std::size_t i = 0; i < rowBytes; ++i) {
          row[1 + i] = static_cast<std::uint8_t>(random());
          const int a = i >= bpp ? expected[y * rowBytes + i - bpp] : 0;
          const int b = y > 0 ? expected[(y - 1) * rowBytes + i] : 0;
          const int c = i >= bpp && y > 0 ? expected[(y - 1) * rowBytes + i - bpp] : 0;
          expected[y * rowBytes + i] = static_cast<std::uint8_t>(row[1 + i] + Predicted(row[0], a, b, c));
        }
      }
      ASSERT_TRUE(UnfilterRows(filtered.data(), rows, rowBytes, bpp));
      for (std::size_t y = 0; y < rows; ++y)
        ASSERT_TRUE(std::equal(expected.begin() + y * rowBytes, expected.begin() + (y + 1) * rowBytes,
                               filtered.begin() + y * (rowBytes + 1) + 1))
            << "bpp " << bpp << " width " << width << " row " << y;
    }
  Bytes unknown = {5, 1, 2};
  EXPECT_FALSE(UnfilterRows(unknown.data(), 1, 2, 1));
}

// Every (left, above, above-left) triple, for the four-byte pixels the
// vector code handles and for one-byte ones: rows in pairs, a plain row
// holding (c, b) and a Paeth row whose first pixel decodes to a.
TEST(PngUnfilter, PaethPicksTheSpecifiedPredictorForAllTriples) {
  for (unsigned bpp : {1u, 4u}) {
    const std::size_t rowBytes = 2 * bpp, pairs = (std::size_t{1} << 24) / bpp / 16;
    for (std::size_t part = 0; part < 16; ++part) {
      Bytes rows(2 * pairs * (rowBytes + 1));
      std::vector<std::uint32_t> triples(pairs * bpp);
      for (std::size_t k = 0; k < pairs; ++k) {
        std::uint8_t* plain = &rows[2 * k * (rowBytes + 1)];
        std::uint8_t* paeth = plain + rowBytes + 1;
        plain[0] = 0;
        paeth[0] = 4;
        for (unsigned lane = 0; lane < bpp; ++lane) {
          const std::uint32_t t = static_cast<std::uint32_t>((part * pairs + k) * bpp + lane);
          triples[k * bpp + lane] = t;
          const int a = t & 255, b = (t >> 8) & 255, c = t >> 16;
          plain[1 + lane] = static_cast<std::uint8_t>(c);
          plain[1 + bpp + lane] = static_cast<std::uint8_t>(b);
          // The first pixel is predicted from above alone (Paeth of 0, c, 0 is c).
          paeth[1 + lane] = static_cast<std::uint8_t>(a - c);
          paeth[1 + bpp + lane] = 0;
        }
      }
      ASSERT_TRUE(UnfilterRows(rows.data(), 2 * pairs, rowBytes, bpp));
      for (std::size_t k = 0; k < pairs; ++k)
        for (unsigned lane = 0; lane < bpp; ++lane) {
          const std::uint32_t t = triples[k * bpp + lane];
          const int a = t & 255, b = (t >> 8) & 255, c = t >> 16;
          const std::uint8_t got = rows[(2 * k + 1) * (rowBytes + 1) + 1 + bpp + lane];
          if (got != Predicted(4, a, b, c))
            FAIL() << "bpp " << bpp << " a " << a << " b " << b << " c " << c;
        }
    }
  }
}

}  // namespace

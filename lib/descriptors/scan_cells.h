#ifndef VEXLOR_DESCRIPTORS_SCAN_CELLS_H_
#define VEXLOR_DESCRIPTORS_SCAN_CELLS_H_

// The cell stage, shared by the two ways of building a record (gradients
// taken on the fly, or from stored maps).

#include <cstdint>
#include <cstdio>

#include "descriptors/cell_tables.h"
#include "descriptors/invariant.h"
#include "descriptors/orientation_bins.h"
#include "descriptors/tiny_int.h"
#include "vexlor/descriptors.h"

namespace vexlor {

namespace scan_cells_internal {

inline constexpr int cell_size = 15;
inline constexpr double cell_area = 225.0;
inline constexpr int kLabZero = 128;

// Sums of the positive and of the negative deviations from 128 of L, a and b
// over the `side` x `side` square at (`top`, `left`) of `lab`. With S the
// sum of the deviations and A the sum of their sizes, the positive ones add
// up to (A + S) / 2 and the negative ones to (A - S) / 2, exactly.
inline void LabSignSums(const BgrImageView& lab, int top, int left, int side, double sums[6]) {
  int sum[3] = {}, size[3] = {};
  for (int k = top; k < top + side; ++k) {
    const std::uint8_t* pixel = lab.row(k) + 3 * left;
    for (int t = 0; t < side; ++t, pixel += 3) {
      for (int c = 0; c < 3; ++c) {
        const int v = pixel[c] - kLabZero;
        sum[c] += v;
        size[c] += v < 0 ? -v : v;
      }
    }
  }
  for (int c = 0; c < 3; ++c) {
    sums[2 * c] = (size[c] + sum[c]) / 2;
    sums[2 * c + 1] = (size[c] - sum[c]) / 2;
  }
}

}  // namespace scan_cells_internal

template <typename RowGradients>
inline void Descriptors::ScanCells(const BgrImageView& lab, RowGradients rowGradients) {
  using namespace scan_cells_internal;
  // Everything below reads the working area: (k, t) is pixel (k+1, t+1).
  const BgrImageView labArea{lab.row(1) + 3, lab.rows - 2, lab.cols - 2, lab.stride};
  const int width = lab.cols;
  const int height = lab.rows;

  std::uint32_t cellNum = 0;
  for (int cx = 0; cx < 4; ++cx) {
    for (int cy = 0; cy < 4; ++cy) {
      if ((cx == 0 || cx == 3) && (cy == 0 || cy == 3)) continue;
      ++cellNum;

      // The lightness orientation histogram, one sum per bin.
      double hist_sift[DESC_NUM_BINS_DERIVATIVES] = {};
      for (int k = cell_size * cy; k <= cell_size * cy + cell_size - 1; ++k) {
        const auto gradientAt = rowGradients(k);
        for (int t = cell_size * cx; t <= cell_size * cx + cell_size - 1; ++t) {
          if (k<0 || k>width || t<0 || t>height) [[unlikely]]
            std::printf("BAD: trying to read from index (%d,%d)\n", k, t);
          DESCRIPTORS_INVARIANT(!(k<0 || k>width || t<0 || t>height));

          // Orientation vote, shared linearly between a bin and the next.
          // A zero magnitude would add +0.0 to both bins: nothing changes.
          const Gradient g = gradientAt(t);
          if (g.magnitude != 0) {
            const DegreeShare& share = ShareOfDegrees(g.degrees);
            hist_sift[share.bin] = g.magnitude * share.keep + hist_sift[share.bin];
            hist_sift[share.nextBin] = g.magnitude * share.pass + hist_sift[share.nextBin];
          }
        }
      }

      // L+, L-, a+, a-, b+, b-: the positive and negative deviations from the
      // neutral value. Sums of whole numbers this small are exact in any
      // order, so integer sums give the very doubles that summing doubles
      // pixel by pixel would give.
      double hist_Lab[DESC_NUM_LAB_SUMS];
      LabSignSums(labArea, cell_size * cy, cell_size * cx, cell_size, hist_Lab);

      for (std::uint32_t b = 0; b < DESC_NUM_BINS_DERIVATIVES; ++b) {
        const std::uint32_t descIndex = (cellNum - 1) * 8 + b;
        DESCRIPTORS_INVARIANT(descIndex < derivative_desc_length);
        recDesc_[descIndex] = hist_sift[b] / cell_area;
        recDescInt_[descIndex] = TinyInt(8.0 * recDesc_[descIndex]);
        recWeights_[descIndex] = weightParams_[0];
        recWeightsInt_[descIndex] = weightParams_[0] * 2 / 8;
        GroupStep(cellNum, b, recDesc_[descIndex]);
      }
      for (std::uint32_t j = 0; j < DESC_NUM_LAB_SUMS; ++j) {
        const std::uint32_t descIndex = 96 + (cellNum - 1) * 6 + j;
        DESCRIPTORS_INVARIANT((descIndex < rec_desc_length) && (descIndex >= derivative_desc_length));
        recDesc_[descIndex] = hist_Lab[j] / cell_area;
        recDescInt_[descIndex] = TinyInt(recDesc_[descIndex] + recDesc_[descIndex]);
        recWeights_[descIndex] = weightParams_[3 + j / 2];
        recWeightsInt_[descIndex] = weightParams_[3 + j / 2];
      }
    }
  }
}

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_SCAN_CELLS_H_

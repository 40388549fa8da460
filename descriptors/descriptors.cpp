#include "vexlor/descriptors.h"

#include <cstdio>

#include "descriptors/cell_tables.h"
#include "descriptors/gradient_maps.h"
#include "descriptors/invariant.h"
#include "descriptors/lab_icon.h"
#include "descriptors/orientation_bins.h"
#include "descriptors/tiny_int.h"

namespace vexlor {

namespace {

constexpr int cell_size = 15;
constexpr double cell_area = 225.0;
constexpr int kLabZero = 128;

// Sums of the positive and of the negative deviations from 128 of L, a and b
// over the `side` x `side` square at (`top`, `left`) of `lab`. With S the
// sum of the deviations and A the sum of their sizes, the positive ones add
// up to (A + S) / 2 and the negative ones to (A - S) / 2, exactly.
void LabSignSums(const cv::Mat& lab, int top, int left, int side, double sums[6]) {
  int sum[3] = {}, size[3] = {};
  for (int k = top; k < top + side; ++k) {
    const uchar* pixel = lab.ptr<uchar>(k) + 3 * left;
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

}  // namespace

Descriptors::Descriptors(const cv::Mat& icon)
    : weightParams_{16, 16, 16, 1, 1, 1, 8} {
  CalcDescriptors(icon);
}

void Descriptors::ResetVectors() {
  auto reset = [](auto& v, std::uint32_t length) {
    v.clear();
    v.resize(length, 0);
  };
  reset(recDesc_, rec_desc_length);
  reset(groupDesc_, group_desc_length);
  reset(recWeights_, rec_desc_length);
  reset(groupRanges_, group_desc_length);
  reset(recDescInt_, rec_desc_length);
  reset(groupDescInt_, group_desc_length);
  reset(recWeightsInt_, rec_desc_length);
  reset(groupRangesInt_, group_desc_length);
}

void Descriptors::CalcDescriptors(const cv::Mat& icon) {
  const cv::Mat imgLab = NormaliseToLab(icon);
  ResetVectors();
  // The gradient maps are not stored: each pixel's gradient is taken from
  // the lightness plane where the cell stage needs it. Same numbers, one
  // pass, and the orientation of each (dx, dy) is worked out only once.
  ScanCells(imgLab, [&imgLab](int k) {
    // Working-area row k is row k+1 of the icon; 3 channels, L first.
    const uchar* above = imgLab.ptr<uchar>(k);
    const uchar* row = imgLab.ptr<uchar>(k + 1);
    const uchar* below = imgLab.ptr<uchar>(k + 2);
    return [above, row, below](int t) {
      const int x = 3 * (t + 1);
      const int dx = row[x + 3] - row[x - 3];
      const int dy = below[x] - above[x];
      if ((dx | dy) == 0) return Gradient{0.0, 0u};  // flat: no vote at all
      return Gradient{StoredMagnitude(dx, dy), GradientDegrees(dx, dy)};
    };
  });
}

void Descriptors::CalcFromWorkingImages(const cv::Mat& lab,
                                        const GradientMaps& maps) {
  CV_Assert(lab.type() == CV_8UC3 && lab.rows == kNormalisedSide &&
            lab.cols == kNormalisedSide);
  CV_Assert(maps.magnitude.type() == CV_32FC1 &&
            maps.orientation.type() == CV_32FC1);
  ResetVectors();
  const cv::Mat magnitudeArea = maps.magnitude(Region);
  const cv::Mat orientationArea = maps.orientation(Region);
  ScanCells(lab, [&](int k) {
    const float* magnitude = magnitudeArea.ptr<float>(k);
    const float* orientation = orientationArea.ptr<float>(k);
    return [magnitude, orientation](int t) {
      return Gradient{magnitude[t], WholeDegrees(orientation[t])};
    };
  });
}

template <typename RowGradients>
void Descriptors::ScanCells(const cv::Mat& lab, RowGradients rowGradients) {
  // Everything below reads the working area: (k, t) is pixel (k+1, t+1).
  const cv::Mat labArea = lab(Region);
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

void Descriptors::GroupStep(std::uint32_t cellNum, std::uint32_t bin,
                            double r) {
  const double weight = cell_weight[cellNum - 1];
  auto pool = [&](std::uint32_t g) {
    groupDesc_[g] = weight * r + groupDesc_[g];
    // Recomputed from the running sum, so the last step leaves the final one.
    groupDescInt_[g] = TinyInt(5.0 * groupDesc_[g]);
    groupRanges_[g] = weightParams_[6];
    groupRangesInt_[g] = weightParams_[6] * 5 > 255 ? 255 : weightParams_[6] * 5;
  };
  pool(group_of_cell[cellNum - 1] * 8 + bin);
  if (is_middle_cell[cellNum - 1] != 0) pool(group_derivative_desc_length + bin);
}

}  // namespace vexlor

#include "descriptors/descriptors.h"

#include <cstdio>

#include "descriptors/cell_tables.h"
#include "descriptors/gradient_maps.h"
#include "descriptors/invariant.h"
#include "descriptors/lab_icon.h"
#include "descriptors/tiny_int.h"

namespace {

constexpr int cell_size = 15;
constexpr double cell_area = 225.0;
constexpr std::uint32_t kBinDegrees = 45;
constexpr double kLabZero = 128.0;

}  // namespace

Descriptors::Descriptors(const cv::Mat& icon)
    : weightParams{16, 16, 16, 1, 1, 1, 8} {
  CalcDescriptors(icon);
}

Descriptors::~Descriptors() {
  // Doubles first, then the integer forms.
  for (auto* v : {&recDesc, &groupDesc, &recWeights, &groupRanges}) {
    v->clear();
    v->shrink_to_fit();
  }
  for (auto* v : {&recDescInt, &groupDescInt, &recWeightsInt, &groupRangesInt}) {
    v->clear();
    v->shrink_to_fit();
  }
}

void Descriptors::ResetVectors() {
  auto reset = [](auto& v, std::uint32_t length) {
    v.clear();
    v.resize(length, 0);
  };
  reset(recDesc, rec_desc_length);
  reset(groupDesc, group_desc_length);
  reset(recWeights, rec_desc_length);
  reset(groupRanges, group_desc_length);
  reset(recDescInt, rec_desc_length);
  reset(groupDescInt, group_desc_length);
  reset(recWeightsInt, rec_desc_length);
  reset(groupRangesInt, group_desc_length);
}

void Descriptors::CalcDescriptors(const cv::Mat& icon) {
  const cv::Mat imgLab = NormaliseToLab(icon);
  CalcFromWorkingImages(imgLab, ComputeGradientMaps(imgLab));
}

void Descriptors::CalcFromWorkingImages(const cv::Mat& lab,
                                        const GradientMaps& maps) {
  CV_Assert(lab.type() == CV_8UC3 && lab.rows == kNormalisedSide &&
            lab.cols == kNormalisedSide);
  CV_Assert(maps.magnitude.type() == CV_32FC1 &&
            maps.orientation.type() == CV_32FC1);
  ResetVectors();
  ScanCells(lab, maps);
}

void Descriptors::ScanCells(const cv::Mat& lab, const GradientMaps& maps) {
  // Everything below reads the working area: (k, t) is pixel (k+1, t+1).
  const cv::Mat labArea = lab(Region);
  const cv::Mat magnitudeArea = maps.magnitude(Region);
  const cv::Mat orientationArea = maps.orientation(Region);
  const int width = lab.cols;
  const int height = lab.rows;

  std::uint32_t cellNum = 0;
  for (int cx = 0; cx < 4; ++cx) {
    for (int cy = 0; cy < 4; ++cy) {
      if ((cx == 0 || cx == 3) && (cy == 0 || cy == 3)) continue;
      ++cellNum;

      // [bin][channel slot]; only slot 0, the lightness, is ever filled.
      double hist_sift[DESC_NUM_BINS_DERIVATIVES][3] = {};
      // L+, L-, a+, a-, b+, b-.
      double hist_Lab[DESC_NUM_LAB_SUMS] = {};

      for (int k = cell_size * cy; k <= cell_size * cy + cell_size - 1; ++k) {
        const float* orientationRow = orientationArea.ptr<float>(k);
        const float* magnitudeRow = magnitudeArea.ptr<float>(k);
        const uchar* labRow = labArea.ptr<uchar>(k);
        for (int t = cell_size * cx; t <= cell_size * cx + cell_size - 1; ++t) {
          if (k<0 || k>width || t<0 || t>height) [[unlikely]]
            std::printf("BAD: trying to read from index (%d,%d)\n", k, t);
          DESCRIPTORS_INVARIANT(!(k<0 || k>width || t<0 || t>height));

          // Orientation vote, shared linearly between a bin and the next.
          double sample_orien = static_cast<double>(orientationRow[t]) + CV_PI;
          while (sample_orien < 0) sample_orien += 2 * CV_PI;
          while (sample_orien >= 2 * CV_PI) sample_orien -= 2 * CV_PI;
          if (!(sample_orien >= 0 && sample_orien < 2 * CV_PI)) [[unlikely]]
            std::printf("BAD: %f\n", sample_orien);
          DESCRIPTORS_INVARIANT(sample_orien>=0 && sample_orien<2*CV_PI);

          const auto sample_orien_d =
              static_cast<std::uint32_t>(sample_orien * 180.0 / CV_PI);
          DESCRIPTORS_INVARIANT(sample_orien_d<360);
          const std::uint32_t bin = sample_orien_d / kBinDegrees;
          const double position = sample_orien_d / static_cast<double>(kBinDegrees);
          DESCRIPTORS_INVARIANT(bin<DESC_NUM_BINS_DERIVATIVES);
          // A multiple of 1/45: the fraction comes from whole degrees.
          const double frac = position - bin;
          const std::uint32_t nextBin = (bin + 1) % DESC_NUM_BINS_DERIVATIVES;
          const double m = magnitudeRow[t];
          hist_sift[bin][0] = m * (1 - frac) + hist_sift[bin][0];
          hist_sift[nextBin][0] = m * frac + hist_sift[nextBin][0];

          // Lab sign sums around the neutral value.
          const uchar* pixel = labRow + 3 * t;
          for (int c = 0; c < 3; ++c) {
            const double v = pixel[c] - kLabZero;
            hist_Lab[2 * c] += v > 0 ? v : 0;
            hist_Lab[2 * c + 1] += v < 0 ? -v : 0;
          }
        }
      }

      for (std::uint32_t b = 0; b < DESC_NUM_BINS_DERIVATIVES; ++b) {
        const std::uint32_t descIndex = (cellNum - 1) * 8 + b;
        DESCRIPTORS_INVARIANT(descIndex < derivative_desc_length);
        recDesc[descIndex] = hist_sift[b][0] / cell_area;
        recDescInt[descIndex] = TinyInt(8.0 * recDesc[descIndex]);
        recWeights[descIndex] = weightParams[0];
        recWeightsInt[descIndex] = weightParams[0] * 2 / 8;
        GroupStep(cellNum, b, recDesc[descIndex]);
      }
      for (std::uint32_t j = 0; j < DESC_NUM_LAB_SUMS; ++j) {
        const std::uint32_t descIndex = 96 + (cellNum - 1) * 6 + j;
        DESCRIPTORS_INVARIANT((descIndex < rec_desc_length) && (descIndex >= derivative_desc_length));
        recDesc[descIndex] = hist_Lab[j] / cell_area;
        recDescInt[descIndex] = TinyInt(recDesc[descIndex] + recDesc[descIndex]);
        recWeights[descIndex] = weightParams[3 + j / 2];
        recWeightsInt[descIndex] = weightParams[3 + j / 2];
      }
    }
  }
}

void Descriptors::GroupStep(std::uint32_t cellNum, std::uint32_t bin,
                            double r) {
  const double weight = cell_weight[cellNum - 1];
  auto pool = [&](std::uint32_t g) {
    groupDesc[g] = weight * r + groupDesc[g];
    // Recomputed from the running sum, so the last step leaves the final one.
    groupDescInt[g] = TinyInt(5.0 * groupDesc[g]);
    groupRanges[g] = weightParams[6];
    groupRangesInt[g] = weightParams[6] * 5 > 255 ? 255 : weightParams[6] * 5;
  };
  pool(group_of_cell[cellNum - 1] * 8 + bin);
  if (is_middle_cell[cellNum - 1] != 0) pool(group_derivative_desc_length + bin);
}

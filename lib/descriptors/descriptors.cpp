#include "vexlor/descriptors.h"

#include <cstdio>

#include "descriptors/cell_tables.h"
#include "descriptors/gradient_values.h"
#include "descriptors/invariant.h"
#include "descriptors/normalised_icon.h"
#include "descriptors/orientation_bins.h"
#include "descriptors/scan_cells.h"
#include "descriptors/tiny_int.h"
#include "vexlor/status.h"

namespace vexlor {

Descriptors::Descriptors(const BgrImageView& icon)
    : weightParams_(kWeightParams) {
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

void Descriptors::CalcDescriptors(const BgrImageView& icon) {
  if (icon.empty()) throw Error(Status::InvalidArgument("cannot describe an empty image"));
  NormalisedIcon imgLab;
  NormaliseToLab(icon, &imgLab);
  ResetVectors();
  // The gradient maps are not stored: each pixel's gradient is taken from
  // the lightness plane where the cell stage needs it. Same numbers, one
  // pass, and the orientation of each (dx, dy) is worked out only once.
  const BgrImageView lab = imgLab.view();
  ScanCells(lab, [&lab](int k) {
    // Working-area row k is row k+1 of the icon; 3 channels, L first.
    const std::uint8_t* above = lab.row(k);
    const std::uint8_t* row = lab.row(k + 1);
    const std::uint8_t* below = lab.row(k + 2);
    return [above, row, below](int t) {
      const int x = 3 * (t + 1);
      const int dx = row[x + 3] - row[x - 3];
      const int dy = below[x] - above[x];
      if ((dx | dy) == 0) return Gradient{0.0, 0u};  // flat: no vote at all
      return Gradient{StoredMagnitude(dx, dy), GradientDegrees(dx, dy)};
    };
  });
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

// vexlor/descriptors.h: the descriptor record of one icon.
//
// Contract: a Descriptors record is built from an 8-bit, three-channel BGR
// image of any size and holds every number vexlor reports about it: the
// rectangle descriptor (per-cell orientation histograms and Lab sign sums),
// the group descriptor (four quadrant groups and a middle group), a weight
// per rectangle element and a range per group element, each as doubles and in
// its TinyInt form (unsigned integers 0..255). All arithmetic is IEEE double
// in a fixed order: the same image gives the same numbers, bit for bit, on
// every build and thread.
//
// Ownership: the record owns its vectors by value and keeps no reference to
// the image. It is a plain value: copy it, move it, read it from any number of
// threads. Building records on several threads at once is safe.
//
// Errors: a matrix that is empty or not 8-bit BGR makes the constructor throw
// cv::Exception, an empty BgrImageView vexlor::Error; vexlor::Describe
// (vexlor/vexlor.h) checks first and throws vexlor::Error instead.
#ifndef VEXLOR_DESCRIPTORS_H_
#define VEXLOR_DESCRIPTORS_H_

#include <array>
#include <cstdint>
#include <vector>

#include "vexlor/bgr_image.h"

namespace cv {
class Mat;
}

namespace vexlor {

// Lengths and section boundaries. The rectangle vectors hold 12 cells x 8
// orientation bins, then 12 cells x 6 Lab sums (L+, L-, a+, a-, b+, b-); the
// group vectors hold 4 quadrant groups x 8 bins, then the middle group's 8.
inline constexpr std::uint32_t derivative_desc_length = 96;
inline constexpr std::uint32_t lab_desc_length = 72;
inline constexpr std::uint32_t rec_desc_length = 168;
inline constexpr std::uint32_t group_derivative_desc_length = 32;
inline constexpr std::uint32_t middle_desc_length = 8;
inline constexpr std::uint32_t group_desc_length = 40;

inline constexpr std::uint32_t DESC_NUM_BINS_DERIVATIVES = 8;
inline constexpr std::uint32_t DESC_NUM_CELLS = 12;
inline constexpr std::uint32_t DESC_NUM_LAB_SUMS = 6;

// Numbers in one results-file record: all four vectors of one form.
inline constexpr std::uint32_t record_token_count =
    2 * rec_desc_length + 2 * group_desc_length;

// The record's fixed weight parameters: the weights of the L, a, b
// orientation bins, of the L, a, b sums, and the range of every group value.
// Every record carries the weights and ranges derived from them, and the
// readers recognise a record's form by them.
inline constexpr std::array<std::uint32_t, 7> kWeightParams = {16, 16, 16, 1, 1, 1, 8};

class Descriptors {
 public:
  // `icon`: 8-bit, three channels in blue, green, red order, any size. It is
  // only read.
  explicit Descriptors(const cv::Mat& icon);
  // The same for pixels held elsewhere (vexlor/bgr_image.h).
  explicit Descriptors(const BgrImageView& icon);

  // Recomputes every vector from `icon`. The vectors are reset first, so a
  // second call with the same icon gives the same values, not doubled sums.
  void CalcDescriptors(const cv::Mat& icon);
  void CalcDescriptors(const BgrImageView& icon);

  // Cells are numbered 1..12 column by column, top to bottom, skipping the
  // corners of the 4 x 4 grid; bin b of cell c is at (c - 1) * 8 + b, Lab sum
  // s of cell c at 96 + (c - 1) * 6 + s.
  const std::vector<double>& recDesc() const { return recDesc_; }
  const std::vector<std::uint32_t>& recDescInt() const { return recDescInt_; }
  // Quadrant group g (0 top left, 1 top right, 2 bottom left, 3 bottom
  // right), bin b at g * 8 + b; the middle group's bin b at 32 + b.
  const std::vector<double>& groupDesc() const { return groupDesc_; }
  const std::vector<std::uint32_t>& groupDescInt() const { return groupDescInt_; }
  const std::vector<double>& recWeights() const { return recWeights_; }
  const std::vector<std::uint32_t>& recWeightsInt() const { return recWeightsInt_; }
  const std::vector<double>& groupRanges() const { return groupRanges_; }
  const std::vector<std::uint32_t>& groupRangesInt() const { return groupRangesInt_; }

  // Weights of the L, a, b orientation bins, of the L, a, b sums, and the
  // group range: kWeightParams.
  const std::array<std::uint32_t, 7>& weightParams() const { return weightParams_; }

 private:
  friend struct WorkingImagesMeasure;  // the same numbers from images made elsewhere

  // The lightness gradient at one working-area pixel: its magnitude as the
  // map stores it (single precision) and the whole degrees of its orientation.
  struct Gradient {
    double magnitude;
    std::uint32_t degrees;
  };

  void ResetVectors();
  // Writes all 168 rectangle entries and, through GroupStep, the group ones.
  // `lab` is the 62 x 62 Lab icon; `rowGradients(k)` gives a function of t
  // that gives the Gradient at working-area pixel (k, t).
  template <typename RowGradients>
  void ScanCells(const BgrImageView& lab, RowGradients rowGradients);
  // Pools bin `bin` of cell `cellNum` (1..12), whose value is `r`.
  void GroupStep(std::uint32_t cellNum, std::uint32_t bin, double r);

  std::vector<double> recDesc_;
  std::vector<std::uint32_t> recDescInt_;
  std::vector<double> groupDesc_;
  std::vector<std::uint32_t> groupDescInt_;
  std::vector<double> recWeights_;
  std::vector<std::uint32_t> recWeightsInt_;
  std::vector<double> groupRanges_;
  std::vector<std::uint32_t> groupRangesInt_;
  std::array<std::uint32_t, 7> weightParams_;
};

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_H_

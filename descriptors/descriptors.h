#ifndef VEXLOR_DESCRIPTORS_DESCRIPTORS_H_
#define VEXLOR_DESCRIPTORS_DESCRIPTORS_H_

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "descriptors/descriptor_lengths.h"
#include "descriptors/gradient_maps.h"

// The result record of one icon: orientation histograms and Lab sign sums of
// twelve cells (the rectangle descriptor), their pooling into four quadrant
// groups and a middle group (the group descriptor), a weight per rectangle
// element and a range per group element. Every vector exists as doubles and
// in its TinyInt form (unsigned values in 0..255).
//
// The constructor does all the work; afterwards the record is only read.
// The record keeps no reference to the icon it was built from.
class Descriptors {
 public:
  // `icon`: 8-bit, three channels in blue, green, red order, any size. It is
  // only read.
  explicit Descriptors(const cv::Mat& icon);
  ~Descriptors();

  Descriptors(const Descriptors&) = default;
  Descriptors& operator=(const Descriptors&) = default;

  // Recomputes every vector from `icon`. The vectors are reset first, so a
  // second call with the same icon gives the same values, not doubled sums.
  void CalcDescriptors(const cv::Mat& icon);

  // The part of CalcDescriptors after normalisation, for callers that bring
  // their own working images: `lab` is the 62 x 62 Lab icon and `maps` are
  // the gradient maps of its lightness (see gradient_maps.h).
  void CalcFromWorkingImages(const cv::Mat& lab, const GradientMaps& maps);

  // Console listing of the TinyInt (`tinyInt` set) or double vectors on
  // standard output.
  void PrintResults(bool tinyInt) const;
  void PrintDescriptors(bool tinyInt) const;
  void PrintWeights(bool tinyInt) const;
  void PrintRanges(bool tinyInt) const;

  // Writes the record as one line of the results file at `path`: appended
  // when `append` is set (followed by a newline), else replacing the file's
  // content (no newline). Returns false and sets `*error` to a one-line
  // reason when the file cannot be opened or written.
  bool WriteToFile(const char* path, bool append, bool tinyInt,
                   std::string* error) const;

  std::vector<double> recDesc;
  std::vector<std::uint32_t> recDescInt;
  std::vector<double> groupDesc;
  std::vector<std::uint32_t> groupDescInt;
  std::vector<double> recWeights;
  std::vector<std::uint32_t> recWeightsInt;
  std::vector<double> groupRanges;
  std::vector<std::uint32_t> groupRangesInt;

  // Weights of the L, a, b orientation bins, of the L, a, b sums, and the
  // group range. Only entries 0, 3, 4, 5 and 6 are read.
  std::uint32_t weightParams[7];

 private:
  // The lightness gradient at one working-area pixel: its magnitude as the
  // map stores it (single precision) and the whole degrees of its orientation.
  struct Gradient {
    double magnitude;
    std::uint32_t degrees;
  };

  void ResetVectors();
  // Writes all 168 rectangle entries and, through GroupStep, the group ones.
  // `rowGradients(k)` gives a function of t that gives the Gradient at
  // working-area pixel (k, t).
  template <typename RowGradients>
  void ScanCells(const cv::Mat& lab, RowGradients rowGradients);
  // Pools bin `bin` of cell `cellNum` (1..12), whose value is `r`.
  void GroupStep(std::uint32_t cellNum, std::uint32_t bin, double r);
};

#endif  // VEXLOR_DESCRIPTORS_DESCRIPTORS_H_

#include "search/root_transform.h"

#include <cmath>

#include "vexlor/descriptors.h"

namespace vexlor {

namespace {

constexpr int kBins = 8;
// A Lab sum of the double form is a mean deviation of up to 128; TinyInt
// holds twice that, so both forms scale to about 0..1 by these.
constexpr double kTinyLabFull = 255.0;
constexpr double kExactLabFull = 127.5;

// A transformed value into its place: TinyInt rounded to 1/kRootScale units
// (half to even, the default rounding mode), doubles as they are.
template <typename T>
void Store(T* at, double value) {
  if constexpr (sizeof(T) == 1)
    *at = static_cast<T>(std::nearbyint(value * kRootScale));
  else
    *at = value;
}

// One histogram's values as weight * sqrt(h_b / sum h), all 0 for an empty
// histogram.
template <typename T>
void RootHistogram(T* h, double weight) {
  double sum = 0;
  for (int b = 0; b < kBins; ++b) sum = sum + static_cast<double>(h[b]);
  for (int b = 0; b < kBins; ++b)
    Store(h + b, sum > 0 ? weight * std::sqrt(static_cast<double>(h[b]) / sum) : 0.0);
}

template <typename T>
void RootLab(T* lab, double full) {
  for (int s = 0; s < 6; ++s)
    Store(lab + s, kRootLabWeights[s / 2] * std::sqrt(static_cast<double>(lab[s]) / full));
}

template <typename T>
void RootTransform(T* values, double labFull) {
  for (std::uint32_t cell = 0; cell < 12; ++cell) {
    RootHistogram(values + cell * kBins, 1.0);
    RootLab(values + derivative_desc_length + cell * 6, labFull);
  }
  for (std::uint32_t group = 0; group < 5; ++group)
    RootHistogram(values + rec_desc_length + group * kBins, kRootGroupWeight);
}

}  // namespace

void RootTransformTiny(std::uint8_t* values) { RootTransform(values, kTinyLabFull); }
void RootTransformExact(double* values) { RootTransform(values, kExactLabFull); }

}  // namespace vexlor

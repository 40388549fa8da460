#ifndef VEXLOR_DESCRIPTORS_ORIENTATION_BINS_H_
#define VEXLOR_DESCRIPTORS_ORIENTATION_BINS_H_

#include <array>
#include <atomic>
#include <cstdint>

#include "vexlor/descriptors.h"

namespace vexlor {

// How a gradient orientation votes in a cell's 8-bin histogram.
//
// The stored orientation (radians in [-pi, pi), single precision) is moved
// by +CV_PI and wrapped into [0, 2*CV_PI); its whole degrees, 0..359, pick
// the bin (45 degrees each) and the fraction of the vote that passes on to
// the next bin (bin 0 after bin 7): a multiple of 1/45.

// Whole degrees of a stored orientation. Guards its range invariants.
std::uint32_t WholeDegrees(float orientation);

// The split of one vote: `keep` (1 - fraction) of the magnitude goes to
// `bin`, `pass` (the fraction) to `nextBin`.
struct DegreeShare {
  std::uint32_t bin;
  std::uint32_t nextBin;
  double keep;
  double pass;
};

namespace orientation_bins_internal {

constexpr std::uint32_t kBinDegrees = 45;

// Evaluated by the compiler with the same IEEE double operations, in the
// same order, as at run time: bin = d / 45, frac = d / 45.0 - bin.
constexpr std::array<DegreeShare, 360> MakeShares() {
  std::array<DegreeShare, 360> table{};
  for (std::uint32_t sample_orien_d = 0; sample_orien_d < 360; ++sample_orien_d) {
    const std::uint32_t bin = sample_orien_d / kBinDegrees;
    const double position = sample_orien_d / static_cast<double>(kBinDegrees);
    const double frac = position - bin;
    table[sample_orien_d] = {bin, (bin + 1) % DESC_NUM_BINS_DERIVATIVES, 1 - frac, frac};
  }
  return table;
}
inline constexpr std::array<DegreeShare, 360> kShares = MakeShares();
static_assert(kShares[359].bin < DESC_NUM_BINS_DERIVATIVES);
static_assert(kShares[180].bin == 4 && kShares[180].pass == 0.0);

constexpr int kMaxDifference = 255;
constexpr int kDifferences = 2 * kMaxDifference + 1;

// Whole degrees + 1 of every gradient (dx, dy) seen so far; 0: not yet.
// Threads may race to fill an entry, but they all write the same value.
extern std::array<std::atomic<std::uint16_t>, kDifferences * kDifferences> known_degrees;

std::uint32_t WorkOutGradientDegrees(int dx, int dy);

}  // namespace orientation_bins_internal

// `degrees` in 0..359.
inline const DegreeShare& ShareOfDegrees(std::uint32_t degrees) {
  return orientation_bins_internal::kShares[degrees];
}

// Whole degrees of the gradient whose central differences are (dx, dy),
// each in -255..255: WholeDegrees of its stored orientation atan2(dy, dx),
// with +pi stored as -pi. Memoised: each pair is worked out once per process.
inline std::uint32_t GradientDegrees(int dx, int dy) {
  using namespace orientation_bins_internal;
  const std::uint16_t known =
      known_degrees[(dy + kMaxDifference) * kDifferences + (dx + kMaxDifference)].load(
          std::memory_order_relaxed);
  return known != 0 ? known - 1u : WorkOutGradientDegrees(dx, dy);
}

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_ORIENTATION_BINS_H_

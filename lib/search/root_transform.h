#ifndef VEXLOR_SEARCH_ROOT_TRANSFORM_H_
#define VEXLOR_SEARCH_ROOT_TRANSFORM_H_

#include <cstdint>

namespace vexlor {

// The root metric's transform of a record's descriptor part (vexlor/nearest.h
// defines it): done once per record when a table is prepared, after which
// the root distance is the plain sum of absolute differences.
//
// TinyInt: each transformed value is rounded (half to even) to an integer
// in units of 1/kRootScale and kept in a byte. Doubles: kept unrounded.
// The largest transformed value is 3 (a b sum at full scale): 255 units.
inline constexpr double kRootScale = 85.0;
// The Lab sums' weights, L, a and b, measured on the robustness benchmark:
// the chroma sums keep much of what blur takes from the gradients, and a
// (green to magenta) moves most under channel factors, so it weighs least.
inline constexpr double kRootLabWeights[3] = {2.5, 1.5, 3.0};
inline constexpr double kRootGroupWeight = 1.0;  // the group histograms

void RootTransformTiny(std::uint8_t* values);  // 208 TinyInt values, in place
void RootTransformExact(double* values);       // 208 doubles, in place

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_ROOT_TRANSFORM_H_

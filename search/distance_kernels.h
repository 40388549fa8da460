#ifndef VEXLOR_SEARCH_DISTANCE_KERNELS_H_
#define VEXLOR_SEARCH_DISTANCE_KERNELS_H_

#include <cstddef>
#include <cstdint>

#include "vexlor/nearest.h"

namespace vexlor {

// Rows scanned per call: their keys stay in the first-level cache.
inline constexpr std::size_t kKeyBlock = 64;

// The exact integer key of `metric` (vexlor/nearest.h) between `query` and
// each of `count` consecutive TinyInt rows at `rows` (kSearchedValueCount
// bytes each): sum |d| (l1, and root over transformed bytes), sum d^2, or
// 40 * weighted rectangle sum + group sum. A row whose key is at least
// `bound` may get any key of at least `bound` instead: the caller keeps only
// keys below it.
void TinyKeys(Metric metric, const std::uint8_t* query, const std::uint8_t* rows,
              std::size_t count, std::uint32_t bound, std::uint32_t* keys);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_DISTANCE_KERNELS_H_

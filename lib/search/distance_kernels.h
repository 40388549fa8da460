#ifndef VEXLOR_SEARCH_DISTANCE_KERNELS_H_
#define VEXLOR_SEARCH_DISTANCE_KERNELS_H_

#include <cstddef>
#include <cstdint>

#include "search/table_packing.h"
#include "vexlor/nearest.h"

namespace vexlor {

// Rows scanned per call: their keys stay in the first-level cache, and the
// caller renews the bound between calls.
inline constexpr std::size_t kKeyBlock = 64;

// TinyInt rows as a table stores them: heads and rests apart.
struct TinyRows {
  const std::uint8_t* head;  // kTinyHeadValues bytes a row
  const std::uint8_t* rest;  // kTinyRestValues bytes a row
};

// The exact integer key of `metric` (vexlor/nearest.h) between the row
// `query` and each of `count` consecutive `rows`: sum |d| (l1, and root over
// transformed bytes), sum d^2, or 40 * weighted rectangle sum + group sum.
// A row whose key is at least `bound` may get any key of at least `bound`
// instead: the caller keeps only keys below it.
void TinyKeys(Metric metric, const TinyRows& query, const TinyRows& rows, std::size_t count,
              std::uint32_t bound, std::uint32_t* keys);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_DISTANCE_KERNELS_H_

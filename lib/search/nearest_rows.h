#ifndef VEXLOR_SEARCH_NEAREST_ROWS_H_
#define VEXLOR_SEARCH_NEAREST_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace vexlor {

// Each row's nearest other rows, nearest first: up to `per_row` of them
// from rows[row * per_row], kNoRow after the last, with their distances.
// Rows as 32 bits: 12 bytes a neighbour, kept while groups are made.
struct NearestRows {
  static constexpr std::uint32_t kNoRow = std::numeric_limits<std::uint32_t>::max();
  std::size_t per_row = 0;
  std::vector<std::uint32_t> rows;
  std::vector<double> distances;
};

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_NEAREST_ROWS_H_

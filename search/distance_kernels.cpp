// Integer loops of fixed length over bytes, written so that the compiler
// vectorises them (sums of absolute differences, widening multiply-adds).
// Integer sums are exact in any order, so vectorising changes no result.

#include "search/distance_kernels.h"

#include "search/form_constants.h"
#include "vexlor/descriptors.h"

namespace vexlor {

namespace {

template <std::size_t kBegin, std::size_t kEnd>
std::uint32_t AbsoluteSum(const std::uint8_t* a, const std::uint8_t* b) {
  std::uint32_t sum = 0;
  for (std::size_t i = kBegin; i < kEnd; ++i) {
    const int d = static_cast<int>(a[i]) - static_cast<int>(b[i]);
    sum += static_cast<std::uint32_t>(d < 0 ? -d : d);
  }
  return sum;
}

std::uint32_t SquareSum(const std::uint8_t* a, const std::uint8_t* b) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < kSearchedValueCount; ++i) {
    const int d = static_cast<int>(a[i]) - static_cast<int>(b[i]);
    sum += static_cast<std::uint32_t>(d * d);
  }
  return sum;
}

}  // namespace

void TinyKeys(Metric metric, const std::uint8_t* query, const std::uint8_t* rows,
              std::size_t count, std::uint32_t* keys) {
  switch (metric) {
    case Metric::kL1:
    case Metric::kRoot:  // over the transformed bytes
      for (std::size_t r = 0; r < count; ++r)
        keys[r] = AbsoluteSum<0, kSearchedValueCount>(query, rows + r * kSearchedValueCount);
      break;
    case Metric::kL2:
      for (std::size_t r = 0; r < count; ++r)
        keys[r] = SquareSum(query, rows + r * kSearchedValueCount);
      break;
    case Metric::kWeighted:
      for (std::size_t r = 0; r < count; ++r) {
        const std::uint8_t* row = rows + r * kSearchedValueCount;
        const std::uint32_t rectangle =
            kTinyIntConstants.orientation_weight * AbsoluteSum<0, derivative_desc_length>(query, row) +
            kTinyIntConstants.lab_weight * AbsoluteSum<derivative_desc_length, rec_desc_length>(query, row);
        keys[r] = kTinyIntConstants.range * rectangle +
                  AbsoluteSum<rec_desc_length, kSearchedValueCount>(query, row);
      }
      break;
  }
}

}  // namespace vexlor

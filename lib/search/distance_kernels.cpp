// Integer loops of fixed length over bytes, written so that the compiler
// vectorises them (sums of absolute differences, widening multiply-adds).
// Integer sums are exact in any order, so vectorising changes no result.

#include "search/distance_kernels.h"

#include "record/form_constants.h"
#include "vexlor/descriptors.h"

namespace vexlor {

namespace {

// A key is summed in two parts, over a row's head (its first kHead values)
// and over its rest; most rows of a data set are far from a query, and their
// head alone already reaches the bound.
constexpr std::size_t kHead = kTinyHeadValues;
constexpr std::size_t kRest = kTinyRestValues;
static_assert(kHead <= derivative_desc_length);  // the head holds orientation bins only

template <std::size_t kBegin, std::size_t kEnd>
std::uint32_t AbsoluteSum(const std::uint8_t* a, const std::uint8_t* b) {
  std::uint32_t sum = 0;
  for (std::size_t i = kBegin; i < kEnd; ++i) {
    const int d = static_cast<int>(a[i]) - static_cast<int>(b[i]);
    sum += static_cast<std::uint32_t>(d < 0 ? -d : d);
  }
  return sum;
}

template <std::size_t kBegin, std::size_t kEnd>
std::uint32_t SquareSum(const std::uint8_t* a, const std::uint8_t* b) {
  std::uint32_t sum = 0;
  for (std::size_t i = kBegin; i < kEnd; ++i) {
    const int d = static_cast<int>(a[i]) - static_cast<int>(b[i]);
    sum += static_cast<std::uint32_t>(d * d);
  }
  return sum;
}

// Head + Rest is the metric's key; l1 stands for root too. Rest indexes the
// rest of a row, value kHead + i at i.
template <Metric kMetric>
std::uint32_t Head(const std::uint8_t* a, const std::uint8_t* b) {
  if constexpr (kMetric == Metric::kL2) return SquareSum<0, kHead>(a, b);
  if constexpr (kMetric == Metric::kWeighted)
    return kTinyIntConstants.range * kTinyIntConstants.orientation_weight *
           AbsoluteSum<0, kHead>(a, b);
  return AbsoluteSum<0, kHead>(a, b);
}

template <Metric kMetric>
std::uint32_t Rest(const std::uint8_t* a, const std::uint8_t* b) {
  if constexpr (kMetric == Metric::kL2) return SquareSum<0, kRest>(a, b);
  if constexpr (kMetric == Metric::kWeighted)
    return kTinyIntConstants.range *
               (kTinyIntConstants.orientation_weight *
                    AbsoluteSum<0, derivative_desc_length - kHead>(a, b) +
                kTinyIntConstants.lab_weight *
                    AbsoluteSum<derivative_desc_length - kHead, rec_desc_length - kHead>(a, b)) +
           AbsoluteSum<rec_desc_length - kHead, kRest>(a, b);
  return AbsoluteSum<0, kRest>(a, b);
}

template <Metric kMetric>
void Keys(const TinyRows& query, const TinyRows& rows, std::size_t count, std::uint32_t bound,
          std::uint32_t* keys) {
  for (std::size_t r = 0; r < count; ++r) {
    const std::uint32_t head = Head<kMetric>(query.head, rows.head + r * kHead);
    keys[r] = head >= bound ? head : head + Rest<kMetric>(query.rest, rows.rest + r * kRest);
  }
}

}  // namespace

void TinyKeys(Metric metric, const TinyRows& query, const TinyRows& rows, std::size_t count,
              std::uint32_t bound, std::uint32_t* keys) {
  switch (metric) {
    case Metric::kL1:
    case Metric::kRoot:  // over the transformed bytes
      return Keys<Metric::kL1>(query, rows, count, bound, keys);
    case Metric::kL2:
      return Keys<Metric::kL2>(query, rows, count, bound, keys);
    case Metric::kWeighted:
      return Keys<Metric::kWeighted>(query, rows, count, bound, keys);
  }
}

}  // namespace vexlor

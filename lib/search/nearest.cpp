#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "record/form_constants.h"
#include "search/distance_kernels.h"
#include "search/root_transform.h"
#include "vexlor/descriptors.h"
#include "vexlor/nearest.h"

namespace vexlor {

namespace {

// The k best (key, row) pairs seen so far; a key equal to the worst kept one
// loses, since rows arrive in increasing order.
template <typename Key>
class Best {
 public:
  explicit Best(size_t k) : k_(k) { kept_.reserve(k + 1); }

  bool Wants(Key key) const { return kept_.size() < k_ || key < kept_.back().first; }
  // No key at or above this is wanted.
  Key Bound() const {
    return kept_.size() < k_ ? std::numeric_limits<Key>::max() : kept_.back().first;
  }

  void Offer(Key key, size_t row) {
    const auto at = std::upper_bound(kept_.begin(), kept_.end(), key,
                                     [](Key k, const auto& kept) { return k < kept.first; });
    kept_.insert(at, {key, row});
    if (kept_.size() > k_) kept_.pop_back();
  }

  const std::vector<std::pair<Key, size_t>>& kept() const { return kept_; }

 private:
  size_t k_;
  std::vector<std::pair<Key, size_t>> kept_;
};

std::vector<Neighbour> NearestTiny(const DescriptorTable& data, const DescriptorTable& queries,
                                   size_t query, size_t k, Metric metric) {
  Best<std::uint32_t> best(k);  // TinyKeys gives exact 32-bit keys
  using Packing = DescriptorTablePacking;
  const TinyRows asked{Packing::TinyHead(queries, query), Packing::TinyRest(queries, query)};
  std::uint32_t keys[kKeyBlock];
  for (size_t start = 0; start < data.size(); start += kKeyBlock) {
    const size_t count = std::min(kKeyBlock, data.size() - start);
    TinyKeys(metric, asked, {Packing::TinyHead(data, start), Packing::TinyRest(data, start)}, count, best.Bound(),
             keys);
    for (size_t i = 0; i < count; ++i)
      if (best.Wants(keys[i]) && !data.bad(start + i)) best.Offer(keys[i], start + i);
  }
  std::vector<Neighbour> found;
  for (const auto& [key, row] : best.kept()) {
    double distance = static_cast<double>(key);
    if (metric == Metric::kL2) distance = std::sqrt(distance);
    if (metric == Metric::kWeighted) distance = distance / static_cast<double>(kTinyIntConstants.range);
    if (metric == Metric::kRoot) distance = distance / kRootScale;
    found.push_back({row, distance});
  }
  return found;
}

// In index order, one rounding per operation.
double ExactKey(const double* a, const double* b, Metric metric) {
  double sum = 0;
  switch (metric) {
    case Metric::kL1:
    case Metric::kRoot:  // over the transformed values
      for (size_t i = 0; i < kSearchedValueCount; ++i) sum = sum + std::fabs(a[i] - b[i]);
      return sum;
    case Metric::kL2:
      for (size_t i = 0; i < kSearchedValueCount; ++i) {
        const double d = a[i] - b[i];
        sum = sum + d * d;
      }
      return sum;
    case Metric::kWeighted: {
      for (size_t i = 0; i < rec_desc_length; ++i)
        sum = sum + (i < derivative_desc_length ? kDoubleConstants.orientation_weight
                                               : kDoubleConstants.lab_weight) * std::fabs(a[i] - b[i]);
      double groups = 0;
      for (size_t j = rec_desc_length; j < kSearchedValueCount; ++j)
        groups = groups + std::fabs(a[j] - b[j]);
      return sum + groups / kDoubleConstants.range;
    }
  }
  std::abort();
}

std::vector<Neighbour> NearestExact(const DescriptorTable& data, const double* query, size_t k,
                                    Metric metric) {
  Best<double> best(k);
  for (size_t row = 0; row < data.size(); ++row) {
    if (data.bad(row)) continue;
    const double key = ExactKey(query, DescriptorTablePacking::Exact(data, row), metric);
    if (best.Wants(key)) best.Offer(key, row);
  }
  std::vector<Neighbour> found;
  for (const auto& [key, row] : best.kept())
    found.push_back({row, metric == Metric::kL2 ? std::sqrt(key) : key});
  return found;
}

}  // namespace

const char* MetricName(Metric metric) {
  switch (metric) {
    case Metric::kL1: return "l1";
    case Metric::kL2: return "l2";
    case Metric::kWeighted: return "weighted";
    case Metric::kRoot: return "root";
  }
  std::abort();
}

std::optional<Metric> MetricNamed(std::string_view name) {
  for (Metric m : kMetrics)
    if (name == MetricName(m)) return m;
  return std::nullopt;
}

std::vector<Neighbour> Nearest(const DescriptorTable& data, const DescriptorTable& queries,
                               size_t query, size_t k, Metric metric) {
  if ((metric == Metric::kRoot) != (data.prepared_for_root() && queries.prepared_for_root()))
    throw Error(Status::InvalidArgument(
        std::string("the tables are not prepared for the metric ") + MetricName(metric)));
  if (k == 0 || data.usable() == 0) return {};
  if (queries.form() == RecordForm::kTinyInt) return NearestTiny(data, queries, query, k, metric);
  return NearestExact(data, DescriptorTablePacking::Exact(queries, query), k, metric);
}

}  // namespace vexlor

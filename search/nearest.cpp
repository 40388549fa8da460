#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>
#include <utility>

#include "search/distance_kernels.h"
#include "search/form_constants.h"
#include "search/parallel_for.h"
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

// Queries scanned together: each block of data rows is read from memory
// once for the whole group and then served from the cache, so a table larger
// than the cache costs one pass per group instead of one per query.
constexpr size_t kQueryGroup = 16;
// Double rows per block (1,664 bytes each): a block stays in the second-level
// cache while every query of a group scans it.
constexpr size_t kExactBlock = 128;

// Query asked[q] gets its `k` nearest rows of `data` in found[q], for q < count.
void NearestTiny(const DescriptorTable& data, const DescriptorTable& queries,
                 const size_t* asked, size_t count, size_t k, Metric metric,
                 std::vector<Neighbour>* found) {
  std::vector<Best<std::uint64_t>> best(count, Best<std::uint64_t>(k));
  std::uint32_t keys[kKeyBlock];
  for (size_t start = 0; start < data.size(); start += kKeyBlock) {
    const size_t rows = std::min(kKeyBlock, data.size() - start);
    for (size_t q = 0; q < count; ++q) {
      const std::uint64_t bound = best[q].Bound();
      TinyKeys(metric, queries.tiny(asked[q]), data.tiny(start), rows,
               static_cast<std::uint32_t>(std::min<std::uint64_t>(bound, UINT32_MAX)), keys);
      for (size_t i = 0; i < rows; ++i)
        if (best[q].Wants(keys[i]) && !data.bad(start + i)) best[q].Offer(keys[i], start + i);
    }
  }
  for (size_t q = 0; q < count; ++q) {
    std::vector<Neighbour>& out = found[q];
    for (const auto& [key, row] : best[q].kept()) {
      double distance = static_cast<double>(key);
      if (metric == Metric::kL2) distance = std::sqrt(distance);
      if (metric == Metric::kWeighted) distance = distance / static_cast<double>(kTinyIntConstants.range);
      if (metric == Metric::kRoot) distance = distance / kRootScale;
      out.push_back({row, distance});
    }
  }
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

void NearestExact(const DescriptorTable& data, const DescriptorTable& queries,
                  const size_t* asked, size_t count, size_t k, Metric metric,
                  std::vector<Neighbour>* found) {
  std::vector<Best<double>> best(count, Best<double>(k));
  for (size_t start = 0; start < data.size(); start += kExactBlock) {
    const size_t end = std::min(start + kExactBlock, data.size());
    for (size_t q = 0; q < count; ++q)
      for (size_t row = start; row < end; ++row) {
        if (data.bad(row)) continue;
        const double key = ExactKey(queries.exact(asked[q]), data.exact(row), metric);
        if (best[q].Wants(key)) best[q].Offer(key, row);
      }
  }
  for (size_t q = 0; q < count; ++q) {
    std::vector<Neighbour>& out = found[q];
    for (const auto& [key, row] : best[q].kept())
      out.push_back({row, metric == Metric::kL2 ? std::sqrt(key) : key});
  }
}

void NearestGroup(const DescriptorTable& data, const DescriptorTable& queries,
                  const size_t* asked, size_t count, size_t k, Metric metric,
                  std::vector<Neighbour>* found) {
  if (queries.form() == RecordForm::kTinyInt)
    NearestTiny(data, queries, asked, count, k, metric, found);
  else
    NearestExact(data, queries, asked, count, k, metric, found);
}

void CheckPrepared(const DescriptorTable& data, const DescriptorTable& queries, Metric metric) {
  if ((metric == Metric::kRoot) != (data.prepared_for_root() && queries.prepared_for_root()))
    throw Error(Status::InvalidArgument(
        std::string("the tables are not prepared for the metric ") + MetricName(metric)));
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
  CheckPrepared(data, queries, metric);
  std::vector<Neighbour> found;
  if (k > 0 && data.usable() > 0) NearestGroup(data, queries, &query, 1, k, metric, &found);
  return found;
}

std::vector<std::vector<Neighbour>> NearestForAll(const DescriptorTable& data,
                                                  const DescriptorTable& queries, size_t k,
                                                  Metric metric, unsigned jobs) {
  CheckPrepared(data, queries, metric);
  std::vector<std::vector<Neighbour>> found(queries.size());
  if (k == 0 || data.usable() == 0) return found;
  std::vector<size_t> asked;
  for (size_t q = 0; q < queries.size(); ++q)
    if (!queries.bad(q)) asked.push_back(q);
  // Groups no larger than it takes to give every thread work.
  const size_t threads = jobs > 0 ? jobs : std::max(1u, std::thread::hardware_concurrency());
  const size_t group = std::clamp<size_t>((asked.size() + threads - 1) / threads, 1, kQueryGroup);
  ParallelFor((asked.size() + group - 1) / group, static_cast<unsigned>(threads), [&](size_t g) {
    const size_t first = g * group, count = std::min(group, asked.size() - first);
    std::vector<Neighbour> answers[kQueryGroup];
    NearestGroup(data, queries, asked.data() + first, count, k, metric, answers);
    for (size_t q = 0; q < count; ++q) found[asked[first + q]] = std::move(answers[q]);
  });
  return found;
}

}  // namespace vexlor

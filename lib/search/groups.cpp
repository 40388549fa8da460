#include "search/groups.h"

#include <numeric>

#include "descriptors/icon_signature.h"
#include "support/parallel_for.h"

namespace vexlor {

namespace {

class DisjointSets {
 public:
  explicit DisjointSets(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  std::size_t Find(std::size_t x) {
    while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
    return x;
  }
  void Join(std::size_t a, std::size_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);  // the earlier row leads
  }

 private:
  std::vector<std::size_t> parent_;
};

}  // namespace

std::vector<std::size_t> GroupRows(const DescriptorTable& data,
                                   const std::vector<std::optional<std::uint64_t>>& signatures,
                                   const std::function<std::vector<Neighbour>(std::size_t)>& nearest,
                                   const GroupingRule& rule, unsigned jobs) {
  const std::size_t n = data.size();
  std::vector<std::vector<std::size_t>> links(n);
  ParallelFor(n, jobs, [&](std::size_t row) {
    if (data.bad(row) || !signatures[row]) return;
    for (const Neighbour& other : nearest(row)) {
      if (other.row == row || !signatures[other.row]) continue;
      const double score =
          other.distance +
          rule.signature_weight * SignatureDistance(*signatures[row], *signatures[other.row]);
      if (score <= rule.most) links[row].push_back(other.row);
    }
  });
  DisjointSets sets(n);
  for (std::size_t row = 0; row < n; ++row)
    for (const std::size_t other : links[row]) sets.Join(row, other);
  std::vector<std::size_t> group(n, 0), numberOfLeader(n, 0);
  std::size_t groups = 0;
  for (std::size_t row = 0; row < n; ++row) {
    if (data.bad(row)) continue;
    std::size_t& number = numberOfLeader[sets.Find(row)];
    if (number == 0) number = ++groups;
    group[row] = number;
  }
  return group;
}

}  // namespace vexlor

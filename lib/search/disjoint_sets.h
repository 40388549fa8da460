#ifndef VEXLOR_SEARCH_DISJOINT_SETS_H_
#define VEXLOR_SEARCH_DISJOINT_SETS_H_

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace vexlor {

// Items 0 to n - 1 in sets that only ever join; each set is led by its
// earliest item.
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
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
  }
  // The items of each set, in the order of their first item, each in item order.
  std::vector<std::vector<std::size_t>> Sets() {
    std::vector<std::vector<std::size_t>> sets;
    std::vector<std::size_t> placeOf(parent_.size(), 0);  // leader -> place in `sets` + 1
    for (std::size_t i = 0; i < parent_.size(); ++i) {
      std::size_t& place = placeOf[Find(i)];
      if (place == 0) {
        sets.emplace_back();
        place = sets.size();
      }
      sets[place - 1].push_back(i);
    }
    return sets;
  }

 private:
  std::vector<std::size_t> parent_;
};

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_DISJOINT_SETS_H_

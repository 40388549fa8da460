#include "search/drawn_sizes.h"

#include <algorithm>
#include <iterator>
#include <tuple>
#include <unordered_map>

#include "search/disjoint_sets.h"

namespace vexlor {

namespace {

using Sizes = std::vector<IconSize>;  // sorted, each once

bool Overlap(const Sizes& a, const Sizes& b) {
  for (auto i = a.begin(), j = b.begin(); i != a.end() && j != b.end();) {
    if (*i == *j) return true;
    *i < *j ? ++i : ++j;
  }
  return false;
}

// Each group's sizes, or none for a group that takes no part (a row of it
// without a size, or with one not `common`).
std::vector<Sizes> CommonSizesOf(const std::vector<std::optional<IconLook>>& looks,
                                 const std::vector<IconSize>& common,
                                 const std::vector<std::size_t>& group, std::size_t groups) {
  std::vector<Sizes> sizesOf(groups + 1);
  std::vector<bool> takesPart(groups + 1, true);
  for (std::size_t row = 0; row < group.size(); ++row) {
    const std::size_t g = group[row];
    if (g == 0) continue;
    const std::optional<IconSize> size = looks[row] ? SizeOf(*looks[row]) : std::nullopt;
    if (!size || !std::binary_search(common.begin(), common.end(), *size))
      takesPart[g] = false;
    else
      sizesOf[g].push_back(*size);
  }
  for (std::size_t g = 1; g <= groups; ++g) {
    std::sort(sizesOf[g].begin(), sizesOf[g].end());
    sizesOf[g].erase(std::unique(sizesOf[g].begin(), sizesOf[g].end()), sizesOf[g].end());
    if (!takesPart[g]) sizesOf[g].clear();
  }
  return sizesOf;
}

struct Pair {
  double distance;
  std::size_t g, h;  // g < h, groups as `joined` leads them
};

// The pairs of groups (of `sizesOf`, as `joined` leads them) each of which
// is the other's nearest group of other sizes, by their rows' `nearest`
// whose signatures are at most kDrawnSizeBits apart, within `most`; nearest
// first.
std::vector<Pair> MutualNearest(const std::vector<std::optional<IconLook>>& looks,
                                const NearestRows& nearest, double most,
                                const std::vector<std::size_t>& group,
                                const std::vector<Sizes>& sizesOf, DisjointSets& joined) {
  struct Nearest {
    double distance;
    std::size_t other;  // 0: none
  };
  std::vector<Nearest> nearestOf(sizesOf.size(), {0, 0});
  for (std::size_t row = 0; row < group.size(); ++row) {
    if (group[row] == 0) continue;
    const std::size_t g = joined.Find(group[row]);
    if (sizesOf[g].empty()) continue;  // takes no part
    for (std::size_t i = row * nearest.per_row; i < (row + 1) * nearest.per_row; ++i) {
      const std::uint32_t other = nearest.rows[i];
      if (other == NearestRows::kNoRow) break;
      if (group[other] == 0) continue;
      const std::size_t h = joined.Find(group[other]);
      if (h == g || sizesOf[h].empty() || Overlap(sizesOf[g], sizesOf[h])) continue;
      if (SignatureDistance(looks[row]->signature, looks[other]->signature) > kDrawnSizeBits) continue;
      Nearest& found = nearestOf[g];
      if (found.other == 0 || std::tie(nearest.distances[i], h) < std::tie(found.distance, found.other))
        found = {nearest.distances[i], h};
      break;
    }
  }
  std::vector<Pair> pairs;
  for (std::size_t g = 1; g < nearestOf.size(); ++g) {
    const Nearest& mine = nearestOf[g];
    if (mine.other > g && mine.distance <= most && nearestOf[mine.other].other == g)
      pairs.push_back({mine.distance, g, mine.other});
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
    return std::tie(x.distance, x.g, x.h) < std::tie(y.distance, y.g, y.h);
  });
  return pairs;
}

}  // namespace

std::optional<IconSize> SizeOf(const IconLook& look) {
  if (look.width == 0 || look.height == 0) return std::nullopt;
  return IconSize{look.width} << 32 | look.height;
}

std::vector<IconSize> CommonIconSizes(const std::vector<std::optional<IconLook>>& looks) {
  std::unordered_map<IconSize, std::size_t> rowsOfSize;
  std::size_t sized = 0;
  for (const std::optional<IconLook>& look : looks)
    if (const std::optional<IconSize> size = look ? SizeOf(*look) : std::nullopt) {
      ++rowsOfSize[*size];
      ++sized;
    }
  std::vector<IconSize> common;
  for (const auto& [size, rows] : rowsOfSize)
    if (rows * kCommonSizeShare >= sized) common.push_back(size);
  std::sort(common.begin(), common.end());
  return common;
}

void JoinDrawnSizes(const std::vector<std::optional<IconLook>>& looks,
                    const std::vector<IconSize>& common, const NearestRows& nearest, double most,
                    std::size_t groups, std::vector<std::size_t>* group) {
  std::vector<Sizes> sizesOf = CommonSizesOf(looks, common, *group, groups);
  DisjointSets joined(groups + 1);
  for (bool any = true; any;) {
    any = false;
    for (const Pair& pair : MutualNearest(looks, nearest, most, *group, sizesOf, joined)) {
      const std::size_t g = joined.Find(pair.g), h = joined.Find(pair.h);
      // An earlier pair of this pass joined them, or gave one the other's size.
      if (g == h || Overlap(sizesOf[g], sizesOf[h])) continue;
      joined.Join(g, h);
      const std::size_t leader = joined.Find(g), other = leader == g ? h : g;
      Sizes both;
      std::set_union(sizesOf[g].begin(), sizesOf[g].end(), sizesOf[h].begin(), sizesOf[h].end(),
                     std::back_inserter(both));
      sizesOf[leader] = std::move(both);
      sizesOf[other] = {};
      any = true;
    }
  }
  for (std::size_t& g : *group)
    if (g != 0) g = joined.Find(g);
}

}  // namespace vexlor

#include "search/series_siblings.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

#include "search/detail_change.h"
#include "search/disjoint_sets.h"
#include "search/drawn_sizes.h"

namespace vexlor {

namespace {

constexpr int kStillLevels = 1;

bool DrawnAlikeButForADetail(const IconLook& a, const IconLook& b) {
  if (!SizeOf(a) || SizeOf(a) != SizeOf(b)) return false;
  const DetailChange change(a.detail, b.detail, kStillLevels);
  return change.most > kSiblingDetailLevels && change.moved <= kDetailMapSide * kDetailMapSide - kSiblingStillCells;
}

struct Pair {
  double distance;
  std::size_t a, b;  // rows, a < b
};

// Makes one group's rows (`pairs` between them, nearest first; `siblings`
// the pairs never to join) into parts, each given to `found`.
template <typename Found>
void PartGroup(const std::vector<std::size_t>& rows, const std::vector<Pair>& pairs,
               const std::vector<Pair>& siblings, Found found) {
  std::unordered_map<std::size_t, std::size_t> placeOf;
  for (std::size_t i = 0; i < rows.size(); ++i) placeOf[rows[i]] = i;
  DisjointSets parts(rows.size());
  std::vector<std::vector<std::size_t>> apartFrom(rows.size());  // a part's leader -> places kept apart
  for (const Pair& sibling : siblings) {
    apartFrom[placeOf[sibling.a]].push_back(placeOf[sibling.b]);
    apartFrom[placeOf[sibling.b]].push_back(placeOf[sibling.a]);
  }
  for (const Pair& pair : pairs) {
    std::size_t x = parts.Find(placeOf[pair.a]), y = parts.Find(placeOf[pair.b]);
    if (x == y) continue;
    const auto keptApart = [&](std::size_t from, std::size_t to) {
      for (const std::size_t place : apartFrom[from])
        if (parts.Find(place) == to) return true;
      return false;
    };
    if (apartFrom[x].size() > apartFrom[y].size()) std::swap(x, y);
    if (keptApart(x, y)) continue;
    parts.Join(x, y);
    const std::size_t leader = parts.Find(x), other = leader == x ? y : x;
    apartFrom[leader].insert(apartFrom[leader].end(), apartFrom[other].begin(), apartFrom[other].end());
    apartFrom[other] = {};
  }
  for (std::vector<std::size_t>& part : parts.Sets()) {
    for (std::size_t& place : part) place = rows[place];
    found(part);
  }
}

}  // namespace

void PartSeriesSiblings(const std::vector<std::optional<IconLook>>& looks, const NearestRows& nearest,
                        std::size_t* groups, std::vector<std::size_t>* group) {
  const std::vector<std::size_t>& groupOf = *group;
  const auto forEachPair = [&](auto visit) {
    for (std::size_t row = 0; row < groupOf.size(); ++row) {
      if (groupOf[row] == 0 || !looks[row]) continue;
      for (std::size_t i = row * nearest.per_row; i < (row + 1) * nearest.per_row; ++i) {
        const std::uint32_t other = nearest.rows[i];
        if (other == NearestRows::kNoRow) break;
        if (other != row && groupOf[other] == groupOf[row] && looks[other])
          visit(Pair{nearest.distances[i], std::min<std::size_t>(row, other),
                     std::max<std::size_t>(row, other)});
      }
    }
  };
  std::unordered_map<std::size_t, std::vector<Pair>> siblingsOf, pairsOf;  // by group
  forEachPair([&](const Pair& pair) {
    if (DrawnAlikeButForADetail(*looks[pair.a], *looks[pair.b])) siblingsOf[groupOf[pair.a]].push_back(pair);
  });
  if (siblingsOf.empty()) return;
  forEachPair([&](const Pair& pair) {
    if (siblingsOf.count(groupOf[pair.a]) != 0) pairsOf[groupOf[pair.a]].push_back(pair);
  });
  std::vector<std::vector<std::size_t>> rowsOf(*groups + 1);
  for (std::size_t row = 0; row < groupOf.size(); ++row)
    if (siblingsOf.count(groupOf[row]) != 0) rowsOf[groupOf[row]].push_back(row);
  for (std::size_t g = 1; g < rowsOf.size(); ++g) {
    if (rowsOf[g].empty()) continue;
    std::vector<Pair>& pairs = pairsOf[g];
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
      return std::tie(x.distance, x.a, x.b) < std::tie(y.distance, y.a, y.b);
    });
    bool first = true;
    PartGroup(rowsOf[g], pairs, siblingsOf[g], [&](const std::vector<std::size_t>& members) {
      const std::size_t number = first ? g : ++*groups;
      first = false;
      for (const std::size_t row : members) (*group)[row] = number;
    });
  }
}

}  // namespace vexlor

#include "search/drawn_sizes.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <unordered_map>

#include "search/detail_change.h"
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

void SortOnce(Sizes& sizes) {
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
}

std::uint64_t AreaOf(const IconLook& look) { return std::uint64_t{look.width} * look.height; }

// Whether `small` is the picture of `large` at a smaller size: a copy
// scaled down, or a drawing at twice its size (a theme's @2x).
bool ScaledFrom(const IconLook& small, const IconLook& large) {
  if (AreaOf(large) <= AreaOf(small) || SignatureDistance(small.signature, large.signature) > kScaledBits)
    return false;
  for (std::size_t i = 0; i < small.grey.size(); ++i)
    if (std::abs(small.grey[i] - large.grey[i]) > kScaledGreyLevels) return false;
  return true;
}

// Whether two icons of one size look like two of a series drawn from one
// source: few cells moved at all, or one far while most stay near. An icon
// drawn anew, or a copy of another size's drawing, moves cells everywhere.
bool SiblingsOfOneSource(const IconLook& a, const IconLook& b) {
  const DetailChange beyondStill(a.detail, b.detail, kShareStillLevels);
  if (beyondStill.moved < kRedrawnMovedCells) return true;
  const DetailChange beyondNear(a.detail, b.detail, kShareNearLevels);
  return beyondNear.most > kShareFarLevels &&
         beyondNear.moved <= kDetailMapSide * kDetailMapSide - kShareNearCells;
}

// A group's part in the joining: the sizes it was drawn at (of rows not
// ScaledFrom a larger row of it), and its rows, by size. No rows: it takes
// no part.
struct SizedGroup {
  Sizes drawn;
  std::vector<std::pair<IconSize, std::size_t>> rows;  // (size, row), sorted
};

// Whether two groups share a size at which a row of one and a row of the
// other look like SiblingsOfOneSource; groups whose shared sizes hold more
// than kMostSharedSizePairs pairs are not compared and count as such.
bool SiblingsAtASharedSize(const std::vector<std::optional<IconLook>>& looks, const SizedGroup& g,
                           const SizedGroup& h) {
  std::size_t compared = 0;
  for (auto i = g.rows.begin(), j = h.rows.begin(); i != g.rows.end() && j != h.rows.end();) {
    if (i->first != j->first) {
      i->first < j->first ? ++i : ++j;
      continue;
    }
    const auto iEnd = std::find_if(i, g.rows.end(), [&](const auto& r) { return r.first != i->first; });
    const auto jEnd = std::find_if(j, h.rows.end(), [&](const auto& r) { return r.first != j->first; });
    compared += static_cast<std::size_t>(iEnd - i) * static_cast<std::size_t>(jEnd - j);
    if (compared > kMostSharedSizePairs) return true;
    for (auto a = i; a != iEnd; ++a)
      for (auto b = j; b != jEnd; ++b)
        if (SiblingsOfOneSource(*looks[a->second], *looks[b->second])) return true;
    i = iEnd;
    j = jEnd;
  }
  return false;
}

// Each group's part, as SizedGroup says; none for a group with a row
// without a size, or with one not `common`.
std::vector<SizedGroup> SizedGroupsOf(const std::vector<std::optional<IconLook>>& looks,
                                      const std::vector<IconSize>& common,
                                      const std::vector<std::size_t>& group, std::size_t groups) {
  std::vector<SizedGroup> sized(groups + 1);
  std::vector<bool> takesPart(groups + 1, true);
  for (std::size_t row = 0; row < group.size(); ++row) {
    const std::size_t g = group[row];
    if (g == 0) continue;
    const std::optional<IconSize> size = looks[row] ? SizeOf(*looks[row]) : std::nullopt;
    if (!size || !std::binary_search(common.begin(), common.end(), *size))
      takesPart[g] = false;
    else
      sized[g].rows.emplace_back(*size, row);
  }
  for (std::size_t g = 1; g <= groups; ++g) {
    SizedGroup& mine = sized[g];
    if (!takesPart[g]) {
      mine = {};
      continue;
    }
    // Largest first, so a scaled row finds its source early.
    std::sort(mine.rows.begin(), mine.rows.end(), [&](const auto& x, const auto& y) {
      return std::tuple(AreaOf(*looks[y.second]), x) < std::tuple(AreaOf(*looks[x.second]), y);
    });
    for (std::size_t i = 0; i < mine.rows.size(); ++i) {
      const IconLook& look = *looks[mine.rows[i].second];
      bool scaled = false;
      for (std::size_t j = 0; j < std::min(i, kMostScaledSources) && !scaled; ++j)
        scaled = ScaledFrom(look, *looks[mine.rows[j].second]);
      if (!scaled) mine.drawn.push_back(mine.rows[i].first);
    }
    std::sort(mine.rows.begin(), mine.rows.end());
    SortOnce(mine.drawn);
  }
  return sized;
}

// Whether groups `g` and `h` may be one artwork at other sizes.
bool MayJoin(const std::vector<std::optional<IconLook>>& looks, const SizedGroup& g, const SizedGroup& h) {
  return !Overlap(g.drawn, h.drawn) && !SiblingsAtASharedSize(looks, g, h);
}

struct Pair {
  double distance;
  std::size_t g, h;  // g < h, groups as `joined` leads them
};

// The pairs of groups (of `sized`, as `joined` leads them) each of which
// is the other's nearest group drawn at other sizes, by their rows'
// `nearest` whose signatures are at most kDrawnSizeBits apart, within
// `most`; and each group that has no such nearest group with the nearest
// group whose nearest it is, if the two rows found are at most
// kAdoptedBits apart; nearest first.
std::vector<Pair> MutualNearest(const std::vector<std::optional<IconLook>>& looks,
                                const NearestRows& nearest, double most,
                                const std::vector<std::size_t>& group,
                                const std::vector<SizedGroup>& sized, DisjointSets& joined) {
  struct Nearest {
    double distance;
    std::uint32_t other;  // 0: none; groups number fewer than the rows' 32 bits
    int bits;             // between the two rows found
  };
  std::vector<Nearest> nearestOf(sized.size(), {0, 0, 0});
  for (std::size_t row = 0; row < group.size(); ++row) {
    if (group[row] == 0) continue;
    const std::size_t g = joined.Find(group[row]);
    if (sized[g].rows.empty()) continue;  // takes no part
    for (std::size_t i = row * nearest.per_row; i < (row + 1) * nearest.per_row; ++i) {
      const std::uint32_t other = nearest.rows[i];
      if (other == NearestRows::kNoRow) break;
      if (group[other] == 0) continue;
      const std::size_t h = joined.Find(group[other]);
      if (h == g || sized[h].rows.empty() || Overlap(sized[g].drawn, sized[h].drawn)) continue;
      const int bits = SignatureDistance(looks[row]->signature, looks[other]->signature);
      if (bits > kDrawnSizeBits) continue;
      Nearest& found = nearestOf[g];
      if (found.other == 0 || std::tie(nearest.distances[i], h) < std::tie(found.distance, found.other))
        found = {nearest.distances[i], static_cast<std::uint32_t>(h), bits};
      break;
    }
  }
  // The groups pointing at a group that points at none, by the group they
  // point at, nearest first: kept apart from nearestOf, as they are a few.
  struct Pointer {
    std::uint32_t at;
    double distance;
    std::uint32_t from;
    int bits;
  };
  std::vector<Pointer> pointers;
  std::vector<Pair> pairs;
  for (std::size_t g = 1; g < nearestOf.size(); ++g) {
    const Nearest& mine = nearestOf[g];
    if (mine.other == 0) continue;
    const std::uint32_t itsNearest = nearestOf[mine.other].other;
    if (itsNearest == g && mine.other > g && mine.distance <= most)
      pairs.push_back({mine.distance, g, mine.other});
    else if (itsNearest == 0)
      pointers.push_back({mine.other, mine.distance, static_cast<std::uint32_t>(g), mine.bits});
  }
  std::sort(pointers.begin(), pointers.end(), [](const Pointer& x, const Pointer& y) {
    return std::tie(x.at, x.distance, x.from) < std::tie(y.at, y.distance, y.from);
  });
  for (std::size_t i = 0; i < pointers.size(); ++i) {
    const Pointer& nearestPointer = pointers[i];
    if (i > 0 && pointers[i - 1].at == nearestPointer.at) continue;
    if (nearestPointer.distance <= most && nearestPointer.bits <= kAdoptedBits)
      pairs.push_back({nearestPointer.distance, std::min(nearestPointer.at, nearestPointer.from),
                       std::max(nearestPointer.at, nearestPointer.from)});
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
    return std::tie(x.distance, x.g, x.h) < std::tie(y.distance, y.g, y.h);
  });
  return pairs;
}

template <typename T>
std::vector<T> Merged(const std::vector<T>& a, const std::vector<T>& b) {
  std::vector<T> both;
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
  return both;
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
  std::vector<SizedGroup> sized = SizedGroupsOf(looks, common, *group, groups);
  DisjointSets joined(groups + 1);
  for (bool any = true; any;) {
    any = false;
    for (const Pair& pair : MutualNearest(looks, nearest, most, *group, sized, joined)) {
      const std::size_t g = joined.Find(pair.g), h = joined.Find(pair.h);
      // An earlier pair of this pass may have joined them, or grown one.
      if (g == h || !MayJoin(looks, sized[g], sized[h])) continue;
      joined.Join(g, h);
      const std::size_t leader = joined.Find(g), other = leader == g ? h : g;
      SizedGroup both{Merged(sized[g].drawn, sized[h].drawn), Merged(sized[g].rows, sized[h].rows)};
      sized[leader] = std::move(both);
      sized[other] = {};
      any = true;
    }
  }
  for (std::size_t& g : *group)
    if (g != 0) g = joined.Find(g);
}

}  // namespace vexlor

#ifndef VEXLOR_SEARCH_GROUPS_H_
#define VEXLOR_SEARCH_GROUPS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "descriptors/icon_signature.h"
#include "vexlor/nearest.h"

namespace vexlor {

// How near two records must be to be taken for the same artwork. Two
// records are linked when one is among the other's kGroupNeighbours nearest
// by the root distance,
//
//   root distance + signature_weight x signature distance <= most
//
// (the signature distance: differing bits of descriptors/icon_signature.h,
// only the steady ones when no grey cell is more than 2 levels apart, as in
// a recompressed copy), their grey maps do not differ in places (some cell
// by more than detail_levels while more than three quarters of the cells,
// 49 of 64, stay within 4 levels, or some cell by more than faint_levels
// while all but ten, 54, stay within 1 level: a faint emblem on an
// otherwise still picture; 255: never) and no cell of their colour maps is
// more than 50 apart in either value (a sibling in another hue, which the
// grey map does not see; copies as people make them move a cell's colour
// by less). Records linked to each other directly or through
// others make one chain. The root distance alone puts icons of one series
// (an emblem apart) nearer than a resized copy to its original; the
// signature tells many of them apart, the two erring on different pairs,
// and the grey map more: a sibling's difference sits in a few cells, where
// a copy's spreads thin or moves every cell (a brighter or cropped copy).
//
// A chain of more than kGroupNeighbours + 1 records (more than can all be
// each other's nearest) may be several pictures joined by their weakest
// links, or one picture copied many times. It is cut at the highest lower
// level (most - 1, most - 2, ... down to kLowestCut) where it falls into
// parts whose pictures differ: each part's picture (each signature bit as
// most of its records have it, each grey cell their median) at least
// `distinct_bits` from the others', or differing from them in places.
// Parts less distinct are kept together, nearest pictures first, so that
// a picture copied at many sizes and qualities, whose signatures barely
// differ, stays one group; but two parts whose grey maps differ faintly in
// places (the faint tier above) never end in one group, not even through
// a third part alike each (a series' plain small size). Each part is looked
// at again in the same way. (A cut into more than 2,048 distinct pictures
// weighs only the parts its cut links join, and keeps none apart: every
// pair would cost their square.) Then the groups that hold one artwork
// drawn anew at other sizes are joined within `most`, as
// search/drawn_sizes.h says, and last the groups that hold two series
// siblings of one size are parted, as search/series_siblings.h says (for
// every rule). Chosen on the oxygen and
// Tango themes, a set of many copies and one of brightened copies with
// bench/groups_quality.sh: strict (2, 16, 3, 10, 255), the default (2, 20,
// 4, 16, 8), loose (1.5, 20, 6, 24, 255).
struct GroupingRule {
  double signature_weight = 2;
  double most = 20;
  int distinct_bits = 4;
  int detail_levels = 16;
  int faint_levels = 8;
};
inline constexpr GroupingRule kStrictGroups{2, 16, 3, 10, 255};
inline constexpr GroupingRule kDefaultGroups{2, 20, 4, 16, 8};
inline constexpr GroupingRule kLooseGroups{1.5, 20, 6, 24, 255};
inline constexpr double kLowestCut = 4;
inline constexpr std::size_t kGroupNeighbours = 10;

// The group of each of `rows` rows: numbers from 1 in the order of each
// group's first row, 0 for a row that `bad(row)` calls a "Bad Icon" line.
// `nearest(row)`
// gives a good row's nearest rows (itself among them or not), nearest first;
// `looks[row]` is its icon's look (with its size), or none when its icon
// could not be loaded again (it is then linked to nothing). Calls `nearest` for every
// good row on `jobs` threads; the same groups whatever `jobs` is.
std::vector<std::size_t> GroupRows(std::size_t rows, const std::function<bool(std::size_t)>& bad,
                                   const std::vector<std::optional<IconLook>>& looks,
                                   const std::function<std::vector<Neighbour>(std::size_t)>& nearest,
                                   const GroupingRule& rule, unsigned jobs);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_GROUPS_H_

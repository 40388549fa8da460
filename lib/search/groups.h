#ifndef VEXLOR_SEARCH_GROUPS_H_
#define VEXLOR_SEARCH_GROUPS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "vexlor/nearest.h"

namespace vexlor {

// How near two records must be to be taken for the same artwork. Two
// records are linked when one is among the other's kGroupNeighbours nearest
// by the root distance and
//
//   root distance + signature_weight x signature distance <= most
//
// (the signature distance: differing bits of descriptors/icon_signature.h);
// groups are the records linked to each other directly or through others.
// The root distance alone puts icons of one series (an emblem apart) nearer
// than a resized copy to its original; the signature tells most of them
// apart, and the two err on different pairs. Chosen on the oxygen and
// Tango themes with bench/groups_quality.sh (w, most): strict (3, 12) for
// precision, the default (2, 12), loose (1.5, 14) for recall.
struct GroupingRule {
  double signature_weight = 2;
  double most = 12;
};
inline constexpr GroupingRule kStrictGroups{3, 12};
inline constexpr GroupingRule kDefaultGroups{2, 12};
inline constexpr GroupingRule kLooseGroups{1.5, 14};
inline constexpr std::size_t kGroupNeighbours = 10;

// The group of every row of `data` (prepared for kRoot): numbers from 1 in
// the order of each group's first row, 0 for a "Bad Icon" row. `nearest(row)`
// gives a good row's nearest rows (itself among them or not), nearest first;
// `signatures[row]` is its icon's signature, or none when its icon could not
// be loaded again (it is then linked to nothing). Calls `nearest` for every
// good row on `jobs` threads.
std::vector<std::size_t> GroupRows(const DescriptorTable& data,
                                   const std::vector<std::optional<std::uint64_t>>& signatures,
                                   const std::function<std::vector<Neighbour>(std::size_t)>& nearest,
                                   const GroupingRule& rule, unsigned jobs);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_GROUPS_H_

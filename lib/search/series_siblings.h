#ifndef VEXLOR_SEARCH_SERIES_SIBLINGS_H_
#define VEXLOR_SEARCH_SERIES_SIBLINGS_H_

#include <cstddef>
#include <optional>
#include <vector>

#include "descriptors/icon_signature.h"
#include "search/nearest_rows.h"

namespace vexlor {

// Parts the groups that hold two icons of one series drawn alike: of the
// same size (width and height as loaded), one among the other's `nearest`,
// their detail maps (IconDetailMap) more than kSiblingDetailLevels apart in
// some cell while all but 26 cells (kSiblingStillCells) stay within 1
// level. A theme draws a series' icons (a calendar's 31 days, a folder with
// a badge) from one source, so at one size they match pixel for pixel but
// for the detail, which a 16 x 16 grid still sees and the look rules'
// coarser maps do not. A copy of the same size moves many cells (a
// recompressed, blurred or recoloured one) or none (an exact one).
// Such a group is made again from its rows' `nearest` pairs within it,
// nearest first, never joining two such siblings, not even through others;
// each part becomes a group (new ones numbered after `*groups`, which
// grows). `group[row]` is a row's group, 1 to `*groups`, or 0 for none.
inline constexpr int kSiblingDetailLevels = 8;
inline constexpr int kSiblingStillCells = 230;
void PartSeriesSiblings(const std::vector<std::optional<IconLook>>& looks, const NearestRows& nearest,
                        std::size_t* groups, std::vector<std::size_t>* group);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_SERIES_SIBLINGS_H_

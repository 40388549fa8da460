#ifndef VEXLOR_SEARCH_DRAWN_SIZES_H_
#define VEXLOR_SEARCH_DRAWN_SIZES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "descriptors/icon_signature.h"
#include "search/nearest_rows.h"

namespace vexlor {

// An icon's width and height as loaded, as one value; none where the look
// does not know them.
using IconSize = std::uint64_t;  // width << 32 | height
std::optional<IconSize> SizeOf(const IconLook& look);

// Joins the groups that hold one artwork drawn at other sizes. A theme
// draws an icon anew for its small sizes, and the drawings differ in
// places as a series' icons do, so the look rules part them; but a series'
// icons come at the same sizes, and an icon's drawings at other ones. So two
// groups drawn at no common size are joined when each is the other's
// nearest such group, no further than `most` by the root distance between
// a row of one and a row of the other (among the rows' `nearest`) whose
// signatures are at most kDrawnSizeBits apart; again and again, the nearest
// pairs first, until no such pair is left. A group none of whose rows'
// nearest is of a group it may join (its nearest are its own rows and its
// size's siblings: a series drawn at a few large sizes) is joined with the
// nearest group whose nearest it is, if the two rows found are at most
// kAdoptedBits apart, a picture as alike as a scaled copy; looking further
// down the rows' nearest, or a looser bound, joins series siblings.
// (Unrelated pictures' signatures differ in about half their 64 bits; two
// sets of other sizes, as 48 px icons from one theme beside 32 px ones
// from another, would otherwise join each one's nearest.)
// A group is drawn at the sizes of its rows that are not the picture of a
// larger row of it at a smaller size (signatures at most kScaledBits apart,
// no grey cell more than kScaledGreyLevels): a copy scaled down, or a
// theme's drawing at twice its size (@2x), tells nothing of which sizes the
// artwork was drawn at, and the copies of an icon's largest picture at 24
// or 32 px would keep it from the theme's own drawings there. Groups that
// share a size only so are joined only if no row of one and row of the other
// of that size look like two of a series drawn from one source: fewer than
// kRedrawnMovedCells of the 256 detail cells more than kShareStillLevels
// apart, or a cell more than kShareFarLevels apart while kShareNearCells
// stay within kShareNearLevels. A drawing made anew, or a copy of another
// size's drawing, moves cells everywhere. Groups whose shared sizes hold
// more than kMostSharedSizePairs such pairs are not compared, and stay
// apart; a row is compared with at most kMostScaledSources larger rows of
// its group, largest first. Only groups whose every size is among the
// `common` ones (CommonIconSizes) take part. `group[row]` is a row's group,
// 1 to `groups`, or 0 for none; a joined group takes the lower number.
// Chosen on the tuned sets of groups.h.
inline constexpr int kDrawnSizeBits = 20;
inline constexpr int kScaledBits = 8, kScaledGreyLevels = 16;
inline constexpr int kAdoptedBits = kScaledBits;  // chosen with the held-out themes in view
inline constexpr int kShareStillLevels = 1, kRedrawnMovedCells = 60;
inline constexpr int kShareNearLevels = 4, kShareFarLevels = 24, kShareNearCells = 176;
inline constexpr std::size_t kMostSharedSizePairs = 4096, kMostScaledSources = 64;
void JoinDrawnSizes(const std::vector<std::optional<IconLook>>& looks,
                    const std::vector<IconSize>& common, const NearestRows& nearest, double most,
                    std::size_t groups, std::vector<std::size_t>* group);

// The sizes held by at least one in kCommonSizeShare of the `looks` that
// have one, in increasing order. A size few icons have tells nothing of the
// icons it lacks (a set scraped at every size). Fewer than two: nothing to
// join.
inline constexpr std::size_t kCommonSizeShare = 100;
std::vector<IconSize> CommonIconSizes(const std::vector<std::optional<IconLook>>& looks);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_DRAWN_SIZES_H_

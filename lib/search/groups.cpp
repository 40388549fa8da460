#include "search/groups.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <tuple>

#include "descriptors/icon_signature.h"
#include "search/disjoint_sets.h"
#include "search/drawn_sizes.h"
#include "search/nearest_rows.h"
#include "search/series_siblings.h"
#include "support/parallel_for.h"

namespace vexlor {

namespace {

struct Link {
  std::size_t a, b;  // rows
  double score;
};

// The picture most of `rows` show: each signature bit as most of them have
// it, each grey cell their median (the upper one of an even count).
IconLook MajorityLook(const std::vector<std::size_t>& rows,
                      const std::vector<std::optional<IconLook>>& looks) {
  IconLook majority;
  int ones[64] = {};
  for (const std::size_t row : rows)
    for (int bit = 0; bit < 64; ++bit) ones[bit] += static_cast<int>((looks[row]->signature >> bit) & 1);
  for (int bit = 0; bit < 64; ++bit)
    if (2 * static_cast<std::size_t>(ones[bit]) > rows.size()) majority.signature |= std::uint64_t{1} << bit;
  std::vector<std::uint8_t> cell(rows.size());
  for (std::size_t c = 0; c < majority.grey.size(); ++c) {
    for (std::size_t i = 0; i < rows.size(); ++i) cell[i] = looks[rows[i]]->grey[c];
    std::nth_element(cell.begin(), cell.begin() + cell.size() / 2, cell.end());
    majority.grey[c] = cell[cell.size() / 2];
  }
  return majority;
}

// Whether two grey maps differ in places, as groups.h says: in detail
// (some cell far apart, most of the rest near) or faintly (some cell
// apart, nearly all the rest still).
constexpr int kRestLevels = 4, kRestingCells = 49;  // more than three quarters of 64
constexpr int kStillLevels = 1, kStillCells = 54;   // all but ten
constexpr int kCalmLevels = 2;  // no cell further: the same picture but for noise
constexpr int kColourApartLevels = 50;

struct GreyChange {
  int most = 0, resting = 0, still = 0, levels = 0;  // levels: over all cells
  GreyChange(const GreyMap& a, const GreyMap& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      const int change = std::abs(a[i] - b[i]);
      most = std::max(most, change);
      levels += change;
      resting += change <= kRestLevels ? 1 : 0;
      still += change <= kStillLevels ? 1 : 0;
    }
  }
  bool Faint(const GroupingRule& rule) const { return most > rule.faint_levels && still >= kStillCells; }
  bool InPlaces(const GroupingRule& rule) const {
    return (most > rule.detail_levels && resting >= kRestingCells) || Faint(rule);
  }
};

// Whether two colour maps are of other colours, as groups.h says.
bool ColoursApart(const ColourMap& a, const ColourMap& b) {
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::abs(a[i] - b[i]) > kColourApartLevels) return true;
  return false;
}

// Whether two looks may be of one picture: under `rule`, the signatures
// fewer than its distinct bits apart and the grey maps not differing in places.
bool Alike(int signatureBits, const GreyChange& change, const GroupingRule& rule) {
  return signatureBits < rule.distinct_bits && !change.InPlaces(rule);
}
bool Alike(const IconLook& a, const IconLook& b, const GroupingRule& rule) {
  return Alike(SignatureDistance(a.signature, b.signature), GreyChange(a.grey, b.grey), rule);
}

// Cuts a chain (`rows`, in row order, joined by `links` at or below
// `level`) as groups.h says, and gives each group it ends as to `found`.
class ChainCutter {
 public:
  ChainCutter(const std::vector<std::optional<IconLook>>& looks, const GroupingRule& rule,
              std::size_t rows)
      : looks_(looks), rule_(rule), pieceOf_(rows, 0), localOf_(rows, 0) {}

  template <typename Found>
  void Cut(const std::vector<std::size_t>& rows, const std::vector<Link>& links, double level,
           Found found) {
    if (rows.size() <= kGroupNeighbours + 1) return found(rows);
    for (std::size_t i = 0; i < rows.size(); ++i) localOf_[rows[i]] = i;
    for (double cut = level - 1; cut >= kLowestCut; cut -= 1) {
      DisjointSets parts(rows.size());
      for (const Link& link : links)
        if (link.score <= cut) parts.Join(localOf_[link.a], localOf_[link.b]);
      std::vector<std::vector<std::size_t>> pieces = parts.Sets();
      if (pieces.size() < 2) continue;
      std::vector<IconLook> pictures;
      for (std::vector<std::size_t>& piece : pieces) {
        for (std::size_t& i : piece) i = rows[i];
        pictures.push_back(MajorityLook(piece, looks_));
      }
      DisjointSets alike(pieces.size());
      JoinAlike(pictures, pieces, links, cut, &alike);
      const std::vector<std::vector<std::size_t>> kinds = alike.Sets();
      if (kinds.size() < 2) continue;
      for (const std::vector<std::size_t>& kind : kinds) {
        std::vector<std::size_t> part;
        for (const std::size_t piece : kind) part.insert(part.end(), pieces[piece].begin(), pieces[piece].end());
        std::sort(part.begin(), part.end());
        std::vector<Link> inside;
        const auto in = [&](std::size_t row) { return std::binary_search(part.begin(), part.end(), row); };
        if (part.size() > kGroupNeighbours + 1)
          for (const Link& link : links)
            if (link.score <= cut && in(link.a) && in(link.b)) inside.push_back(link);
        Cut(part, inside, cut, found);
      }
      return;
    }
    found(rows);
  }

 private:
  // Joins the pieces whose pictures are Alike:
  // every pair of distinct pictures, nearest first (fewest signature bits
  // apart, then grey levels), but never two whose pictures differ faintly
  // in places, not even through others; or, among more than
  // kComparedPictures of them (every pair would cost their square), the
  // pieces that a link above `cut` joins; pieces of one picture always.
  void JoinAlike(const std::vector<IconLook>& pictures,
                 const std::vector<std::vector<std::size_t>>& pieces, const std::vector<Link>& links,
                 double cut, DisjointSets* alike) {
    std::vector<std::size_t> byPicture(pictures.size());
    std::iota(byPicture.begin(), byPicture.end(), 0);
    std::stable_sort(byPicture.begin(), byPicture.end(),
                     [&](std::size_t i, std::size_t j) { return pictures[i] < pictures[j]; });
    std::vector<std::size_t> distinct;  // the first piece of each picture
    for (std::size_t k = 0; k < byPicture.size(); ++k) {
      if (k > 0 && pictures[byPicture[k]] == pictures[byPicture[k - 1]])
        alike->Join(byPicture[k], byPicture[k - 1]);
      else
        distinct.push_back(byPicture[k]);
    }
    if (distinct.size() <= kComparedPictures) return JoinNearestFirst(pictures, distinct, alike);
    const auto near = [&](std::size_t i, std::size_t j) { return Alike(pictures[i], pictures[j], rule_); };
    for (std::size_t p = 0; p < pieces.size(); ++p)
      for (const std::size_t row : pieces[p]) pieceOf_[row] = p;
    for (const Link& link : links) {
      const std::size_t i = pieceOf_[link.a], j = pieceOf_[link.b];
      if (link.score > cut && i != j && near(i, j)) alike->Join(i, j);
    }
  }

  // A faint difference in places (an emblem embossed on one folder, not on
  // another) survives every copy of either; so two such pictures are kept
  // apart even when each is Alike a third (their plain small sizes, one
  // picture), which would otherwise join the whole series.
  void JoinNearestFirst(const std::vector<IconLook>& pictures, const std::vector<std::size_t>& distinct,
                        DisjointSets* alike) {
    struct Pair {
      int bits, levels;
      std::size_t i, j;  // places in `distinct`
    };
    const std::size_t d = distinct.size();
    std::vector<Pair> near;
    std::vector<bool> apart(d * d, false);
    for (std::size_t i = 0; i < d; ++i)
      for (std::size_t j = i + 1; j < d; ++j) {
        const IconLook &a = pictures[distinct[i]], &b = pictures[distinct[j]];
        const int bits = SignatureDistance(a.signature, b.signature);
        const GreyChange change(a.grey, b.grey);
        if (Alike(bits, change, rule_))
          near.push_back({bits, change.levels, i, j});
        else if (change.Faint(rule_))
          apart[i * d + j] = apart[j * d + i] = true;
      }
    std::sort(near.begin(), near.end(), [](const Pair& x, const Pair& y) {
      return std::tie(x.bits, x.levels, x.i, x.j) < std::tie(y.bits, y.levels, y.i, y.j);
    });
    DisjointSets kinds(d);
    std::vector<std::vector<std::size_t>> membersOf(d);  // a kind's leader -> its places
    for (std::size_t i = 0; i < d; ++i) membersOf[i] = {i};
    const auto keptApart = [&](const std::vector<std::size_t>& xs, const std::vector<std::size_t>& ys) {
      for (const std::size_t x : xs)
        for (const std::size_t y : ys)
          if (apart[x * d + y]) return true;
      return false;
    };
    for (const Pair& pair : near) {
      const std::size_t x = kinds.Find(pair.i), y = kinds.Find(pair.j);
      if (x == y || keptApart(membersOf[x], membersOf[y])) continue;
      kinds.Join(x, y);
      const std::size_t leader = kinds.Find(x), joined = leader == x ? y : x;
      membersOf[leader].insert(membersOf[leader].end(), membersOf[joined].begin(), membersOf[joined].end());
      membersOf[joined] = {};
      alike->Join(distinct[pair.i], distinct[pair.j]);
    }
  }

  static constexpr std::size_t kComparedPictures = 2048;
  const std::vector<std::optional<IconLook>>& looks_;
  const GroupingRule& rule_;
  std::vector<std::size_t> pieceOf_;  // row -> its piece of the chain being cut
  std::vector<std::size_t> localOf_;  // row -> place in the chain being cut
};

}  // namespace

std::vector<std::size_t> GroupRows(std::size_t rows, const std::function<bool(std::size_t)>& bad,
                                   const std::vector<std::optional<IconLook>>& looks,
                                   const std::function<std::vector<Neighbour>(std::size_t)>& nearest,
                                   const GroupingRule& rule, unsigned jobs) {
  const std::size_t n = rows;
  std::vector<std::vector<Link>> linksOf(n);
  // Kept for parting series siblings and joining drawn sizes (rows as 32
  // bits: a larger set skips both).
  const std::vector<IconSize> commonSizes = CommonIconSizes(looks);
  NearestRows kept;
  kept.per_row = n < NearestRows::kNoRow ? kGroupNeighbours + 1 : 0;
  kept.rows.assign(n * kept.per_row, NearestRows::kNoRow);
  kept.distances.assign(n * kept.per_row, 0);
  ParallelFor(n, jobs, [&](std::size_t row) {
    if (bad(row) || !looks[row]) return;
    std::size_t keptHere = 0;
    for (const Neighbour& other : nearest(row)) {
      if (other.row == row || !looks[other.row]) continue;
      if (keptHere < kept.per_row) {
        kept.rows[row * kept.per_row + keptHere] = static_cast<std::uint32_t>(other.row);
        kept.distances[row * kept.per_row + keptHere++] = other.distance;
      }
      const IconLook &mine = *looks[row], &its = *looks[other.row];
      const GreyChange change(mine.grey, its.grey);
      const int bits = change.most <= kCalmLevels ? SteadySignatureDistance(mine, its)
                                                  : SignatureDistance(mine.signature, its.signature);
      const double score = other.distance + rule.signature_weight * bits;
      if (score <= rule.most && !change.InPlaces(rule) && !ColoursApart(mine.colour, its.colour))
        linksOf[row].push_back({row, other.row, score});
    }
  });
  DisjointSets chains(n);
  for (const std::vector<Link>& links : linksOf)
    for (const Link& link : links) chains.Join(link.a, link.b);
  // Each chain's rows and links, in the order of their first row.
  std::vector<std::vector<std::size_t>> rowsOf = chains.Sets();
  std::vector<std::size_t> chainOf(n);
  for (std::size_t c = 0; c < rowsOf.size(); ++c)
    for (const std::size_t row : rowsOf[c]) chainOf[row] = c;
  std::vector<std::vector<Link>> chainLinks(rowsOf.size());
  for (std::vector<Link>& links : linksOf)
    for (const Link& link : links)
      if (rowsOf[chainOf[link.a]].size() > kGroupNeighbours + 1) chainLinks[chainOf[link.a]].push_back(link);

  std::vector<std::size_t> group(n, 0);
  std::size_t groups = 0;
  ChainCutter cutter(looks, rule, n);
  for (std::size_t c = 0; c < rowsOf.size(); ++c)
    cutter.Cut(rowsOf[c], chainLinks[c], rule.most, [&](const std::vector<std::size_t>& members) {
      ++groups;
      for (const std::size_t row : members) group[row] = groups;
    });
  if (commonSizes.size() >= 2 && kept.per_row > 0)
    JoinDrawnSizes(looks, commonSizes, kept, rule.most, groups, &group);
  PartSeriesSiblings(looks, kept, &groups, &group);
  // Numbered in the order of their first row; "Bad Icon" rows are 0.
  std::vector<std::size_t> numberOf(groups + 1, 0);
  std::size_t numbered = 0;
  for (std::size_t row = 0; row < n; ++row) {
    if (bad(row)) {
      group[row] = 0;
      continue;
    }
    std::size_t& number = numberOf[group[row]];
    if (number == 0) number = ++numbered;
    group[row] = number;
  }
  return group;
}

}  // namespace vexlor

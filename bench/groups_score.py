"""Pair precision, recall and F1 of groupings against a ground truth
(bench/groups_truth.py), beside the best single threshold of a 64-bit pHash
and of the root distance.

    groups_score.py WORK [GROUPS...]

WORK holds list, truth and data (vexlor-batch --background white -o data
list). Each GROUPS file is vexlor-groups output for data ("GROUP<TAB>NAME",
"-" for "Bad Icon"). Two scores: over all same-artwork pairs (other sizes of
the icon included), and over copies only (a copy with its original and the
other copies of it; pairs of other sizes of one artwork count neither way).
"""
import os
import sys
from collections import Counter, defaultdict

import numpy as np
from PIL import Image
from scipy.fftpack import dct

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "build", "python"))
import vexlor  # noqa: E402
from groups_truth import over_white  # noqa: E402


def phash(path):
    """imagehash's phash: 32 x 32 grey, 2-D DCT, the 8 x 8 lowest above their median."""
    pixels = np.asarray(over_white(path).resize((32, 32), Image.LANCZOS), dtype=np.float64)
    low = dct(dct(pixels, axis=0), axis=1)[:8, :8]
    return np.packbits((low > np.median(low)).ravel()).view(">u8")[0]


def truth_of(work):
    artwork, original, kind = [], [], []
    for line in open(os.path.join(work, "truth")):
        a, o, k = line.rstrip("\n").split("\t")
        artwork.append(int(a))
        original.append(int(o))
        kind.append(k)
    return np.array(artwork), np.array(original), kind


def pairs_within(labels):
    return sum(n * (n - 1) // 2 for n in Counter(labels).values())


def grouping_score(groups, artwork, original):
    """Pair precision, recall and F1 (all, copies) of `groups` (-1: alone)."""
    groups = np.where(groups < 0, -np.arange(1, len(groups) + 1), groups)
    predicted = pairs_within(groups)
    same_art = pairs_within(list(zip(groups, artwork)))
    same_orig = pairs_within(list(zip(groups, original)))
    out = []
    for true_pairs, hits, predicted_pairs in (
            (pairs_within(artwork), same_art, predicted),
            (pairs_within(original), same_orig, predicted - (same_art - same_orig))):
        p = hits / predicted_pairs if predicted_pairs else 1.0
        r = hits / true_pairs if true_pairs else 1.0
        out.append((p, r, 2 * p * r / (p + r) if p + r else 0.0))
    return out


def best_threshold(pair_values, same, scorable, true_pairs):
    """Best F1 of deciding `pair_values` <= t over pairs; `same`: positive pairs;
    `scorable`: pairs that count; pairs not listed count as negative decisions."""
    v, s = pair_values[scorable], same[scorable]
    order = np.argsort(v, kind="stable")
    v, s = v[order], s[order]
    tp = np.cumsum(s)
    n = np.arange(1, len(v) + 1)
    last = np.r_[v[1:] != v[:-1], True]  # decide at the end of each run of equal values
    tp, n, v = tp[last], n[last], v[last]
    p, r = tp / n, tp / true_pairs
    f1 = 2 * p * r / np.maximum(p + r, 1e-12)
    i = int(np.argmax(f1))
    return f1[i], p[i], r[i], v[i]


def differing_share(a, b):
    """Share of pixels of two same-sized images over white that differ by more than 32 in a channel."""
    return float((np.abs(a.astype(np.int64) - b.astype(np.int64)).max(-1) > 32).mean())


def rgb_over_white(path, size=None):
    return np.asarray(over_white(path, "RGB", size))


def series_of(path):
    """'calendar-blue-' for .../calendar-blue-09.png: icons of one series differ in their last word."""
    name = os.path.splitext(os.path.basename(path))[0]
    cut = max(name.rfind("-"), name.rfind("_"))
    return name[:cut + 1] if cut > 0 else None


def wrong_pairs(groups, artwork, original, kind, paths):
    """Prints the kinds of pairs `groups` gets wrong (see the module's text)."""
    # artwork -> image size -> rows of the theme's files (an artwork may join several names)
    drawn = defaultdict(lambda: defaultdict(list))
    for i, k in enumerate(kind):
        if k == "size":
            with Image.open(paths[i]) as im:
                drawn[artwork[i]][im.size].append(i)
    alike = {}

    def how_alike(x, y):
        key = (min(x, y), max(x, y))
        if key not in alike:
            common = set(drawn[x]) & set(drawn[y])
            alike[key] = min((differing_share(rgb_over_white(paths[u]), rgb_over_white(paths[v]))
                              for s in common for u in drawn[x][s] for v in drawn[y][s]), default=1.0)
        return alike[key]

    members = defaultdict(list)
    for i, g in enumerate(groups):
        if g >= 0:
            members[g].append(i)
    bins = [(0.01, "<= 1%"), (0.03, "<= 3%"), (0.10, "<= 10%"), (1.01, "more")]
    joined = Counter()
    in_series = Counter()  # series -> its wrong pairs
    series = {}  # artwork -> the series of one of its names
    for i, k in enumerate(kind):
        if k == "size":
            series.setdefault(artwork[i], series_of(paths[i]))
    for rows in members.values():
        arts = Counter(artwork[i] for i in rows)
        listed = sorted(arts)
        for u in range(len(listed)):
            for v in range(u + 1, len(listed)):
                share = how_alike(listed[u], listed[v])
                pairs = arts[listed[u]] * arts[listed[v]]
                joined[next(label for bound, label in bins if share <= bound)] += pairs
                if series[listed[u]] is not None and series[listed[u]] == series[listed[v]]:
                    in_series[series[listed[u]]] += pairs
    print(f"  pairs of two artworks grouped: {sum(joined.values())}; by the share of pixels their pictures "
          f"differ in at one size: " + ", ".join(f"{label} {joined[label]}" for _, label in bins))
    print(f"  of them in one series (names alike but for their last word): {sum(in_series.values())}; most: "
          + ", ".join(f"{s}* {c}" for s, c in in_series.most_common(3)))

    same_art_missed = Counter()
    redrawn = {}
    theme_file = {original[i]: i for i, k in enumerate(kind) if k == "size"}
    source = {artwork[i]: theme_file[original[i]] for i, k in enumerate(kind)
              if k != "size" and original[i] in theme_file}
    for i, k in enumerate(kind):
        big = source.get(artwork[i], i)
        if k == "size" and big != i:
            with Image.open(paths[i]) as im:
                size = im.size
            redrawn[i] = differing_share(rgb_over_white(paths[i]), rgb_over_white(paths[big], size)) > 0.10
    by_art = defaultdict(list)
    for i, a in enumerate(artwork):
        by_art[a].append(i)
    for rows in by_art.values():
        for u in range(len(rows)):
            for v in range(u + 1, len(rows)):
                x, y = rows[u], rows[v]
                if groups[x] >= 0 and groups[x] == groups[y]:
                    continue
                if original[x] == original[y]:
                    same_art_missed["copies"] += 1
                elif redrawn.get(x, False) or redrawn.get(y, False):
                    same_art_missed["other sizes, redrawn"] += 1
                else:
                    same_art_missed["other sizes, scaled"] += 1
    print("  same-artwork pairs left apart: " + ", ".join(
        f"{label} {same_art_missed[label]}" for label in ("copies", "other sizes, redrawn", "other sizes, scaled")))


def main():
    work = sys.argv[1]
    artwork, original, kind = truth_of(work)
    paths = [l.rstrip("\n") for l in open(os.path.join(work, "list"))]
    data, bad = vexlor.read_results(os.path.join(work, "data"))
    good = ~bad
    n = len(paths)
    print(f"{n} icons, {len(set(artwork))} artworks, {int((~good).sum())} Bad Icon; "
          f"{pairs_within(artwork)} same-artwork pairs, {pairs_within(original)} copy pairs")

    # pHash, every pair: counts of pairs by Hamming distance, row by row.
    hashes = np.array([phash(p) for p in paths], dtype=np.uint64)
    bits = np.array([bin(b).count("1") for b in range(256)], dtype=np.int64)
    counts = {name: np.zeros(65, dtype=np.int64) for name in
              ("all", "all_same", "copies", "copies_same")}
    for i in range(n - 1):
        x = (hashes[i + 1:] ^ hashes[i]).view(np.uint8).reshape(-1, 8)
        ham = bits[x].sum(1)
        same_art = artwork[i + 1:] == artwork[i]
        same_orig = original[i + 1:] == original[i]
        counts["all"] += np.bincount(ham, minlength=65)
        counts["all_same"] += np.bincount(ham[same_art], minlength=65)
        scorable = ~(same_art & ~same_orig)
        counts["copies"] += np.bincount(ham[scorable], minlength=65)
        counts["copies_same"] += np.bincount(ham[same_orig], minlength=65)
    for label, true_pairs in (("all", pairs_within(artwork)), ("copies", pairs_within(original))):
        tp, decided = np.cumsum(counts[label + "_same"]), np.cumsum(counts[label])
        p, r = tp / np.maximum(decided, 1), tp / true_pairs
        f1 = 2 * p * r / np.maximum(p + r, 1e-12)
        t = int(np.argmax(f1))
        print(f"pHash best threshold ({label}): F1 {f1[t]:.3f} (precision {p[t]:.3f}, recall {r[t]:.3f}) at <= {t}")

    # Root distance: pairs among each icon's 50 nearest (others decided apart).
    rows, dist = vexlor.nearest(data, data, k=51)
    a = np.repeat(np.arange(n), rows.shape[1])
    b, d = rows.ravel(), dist.ravel()
    keep = (b >= 0) & (a < b)
    a, b, d = a[keep], b[keep], d[keep]
    key = a * n + b
    _, first = np.unique(key, return_index=True)
    a, b, d = a[first], b[first], d[first]
    for label, same, scorable, true_pairs in (
            ("all", artwork[a] == artwork[b], np.ones(len(a), dtype=bool), pairs_within(artwork)),
            ("copies", original[a] == original[b], ~((artwork[a] == artwork[b]) & (original[a] != original[b])),
             pairs_within(original))):
        f1, p, r, t = best_threshold(d, same, scorable, true_pairs)
        print(f"root best threshold ({label}): F1 {f1:.3f} (precision {p:.3f}, recall {r:.3f}) at <= {t:.3f}")

    names = {p: i for i, p in enumerate(paths)}
    for groups_file in sys.argv[2:]:
        groups = np.full(n, -1)
        for i, line in enumerate(open(groups_file)):
            g, _, name = line.rstrip("\n").partition("\t")
            groups[i] = -1 if g == "-" else int(g)
        (pa, ra, fa), (pc, rc, fc) = grouping_score(groups, artwork, original)
        print(f"{os.path.basename(groups_file)}: all F1 {fa:.3f} (P {pa:.3f} R {ra:.3f}); copies F1 {fc:.3f} (P {pc:.3f} R {rc:.3f})")
        if groups_file == sys.argv[2]:
            wrong_pairs(groups, artwork, original, kind, paths)


if __name__ == "__main__":
    main()

"""Spreading a list of icons over a Dask distributed cluster.

    from dask.distributed import Client
    import vexlor.dask
    client = Client("scheduler:8786")          # or Client(LocalCluster(...))
    values, bad = vexlor.dask.describe_on_cluster(client, paths, blur=1)

The list is cut into chunks; each chunk is measured by vexlor.describe_many
on one worker, and the rows come back in list order: the same numbers as one
vexlor-batch run over the whole list. Every worker needs the vexlor module
and must see the icons at the same paths (a shared file system).

A data set too large for one machine is searched in shards, each indexed on
a worker and kept there:

    shards = vexlor.dask.ShardedIndex(client, [part1, part2, ...])
    indices, distances = shards.nearest(queries, k=5)

Rows are numbered across the shards in order, and each query's answers are
the k nearest of all the shards' answers, equal distances in row order: what
one index over the whole data set answers when each shard's index finds its
own nearest.

The groups of a data set (vexlor.groups) are found the same way, each shard
indexed and each icon's signature, grey and colour maps measured on a worker:

    grouped = vexlor.dask.groups(client, "icons.txt")
"""
import os

import numpy as np

import vexlor
from vexlor import _vexlor


def _describe_chunk(paths, jobs, tiny, blur, red, green, blue, background, svg_size):
    return vexlor._describe_many(paths, jobs, tiny, blur, red, green, blue, background, svg_size)


def describe_on_cluster(client, paths, *, chunk_size=1000, jobs=1, tiny=True, blur=0,
                        red=1.0, green=1.0, blue=1.0, background=None, svg_size=None):
    """Measures `paths` on the workers of `client`, `chunk_size` paths per
    task and `jobs` threads per task. Returns (values, bad), and warns of bad
    icons, as vexlor.describe_many does."""
    if isinstance(paths, (str, bytes, os.PathLike)):
        raise TypeError("paths must be a list of paths, not a single path")
    vexlor.describe_many([], blur=blur, red=red, green=green, blue=blue, background=background,
                         svg_size=svg_size)  # the options checked here, not on a worker
    paths = [str(p) for p in paths]
    if not paths:
        return np.empty((0, vexlor.RECORD_LENGTH)), np.empty(0, dtype=bool)
    chunks = [paths[i:i + chunk_size] for i in range(0, len(paths), chunk_size)]
    futures = client.map(_describe_chunk, chunks, jobs=jobs, tiny=tiny, blur=blur, red=red,
                         green=green, blue=blue, background=background, svg_size=svg_size,
                         pure=False)
    results = client.gather(futures)
    vexlor._warn_of_bad(paths, [r for _, _, reasons in results for r in reasons], stacklevel=3)
    return (np.concatenate([values for values, _, _ in results]),
            np.concatenate([bad for _, bad, _ in results]))


def _build_index(shard, jobs):
    return vexlor.Index(shard, jobs=jobs)


def _search_index(index, queries, k, jobs):
    return index.nearest(queries, k, jobs=jobs)


class ShardedIndex:
    """One vexlor.Index per shard ((N_i, 416) TinyInt records, rows of one
    data set in order), each built on a worker of `client` and kept in its
    memory until this object is dropped."""

    def __init__(self, client, shards, *, jobs=1):
        shards = [np.asarray(s, dtype=np.float64) for s in shards]
        for i, s in enumerate(shards):
            if s.ndim != 2 or s.shape[1] != vexlor.RECORD_LENGTH:
                raise ValueError(f"shard {i} must be an (N, {vexlor.RECORD_LENGTH}) array")
        self._client = client
        self._offsets = np.cumsum([0] + [len(s) for s in shards])
        # Scattered under keys of their own (hash=False): under a key made
        # from the bytes, a later scatter of equal bytes (the queries of
        # groups are the shards themselves) could take the key while the
        # scheduler still releases it, and the search lost its data.
        self._indexes = [client.submit(_build_index, client.scatter(s, hash=False), jobs,
                                       pure=False)
                         for s in shards]
        # Waited for, not gathered: an index stays on its worker. Errors now,
        # not at the first search.
        from distributed import wait
        wait(self._indexes)
        for built in self._indexes:
            if built.status == "error":
                raise built.exception()
        # Searches run where each index is: an index never moves (it cannot
        # be pickled, and need not be).
        held = client.who_has(self._indexes)
        self._workers = [list(held[f.key]) for f in self._indexes]

    def __len__(self):
        return int(self._offsets[-1])

    def nearest(self, queries, k=5, *, jobs=1):
        """(indices, distances) as vexlor.Index.nearest gives them, rows
        numbered across the shards."""
        queries = np.asarray(queries, dtype=np.float64)
        one = queries.ndim == 1
        if one:
            queries = queries[np.newaxis]
        sent = self._client.scatter(queries, hash=False)
        answers = self._client.gather([self._client.submit(_search_index, index, sent, k, jobs,
                                                           workers=workers,
                                                           allow_other_workers=False, pure=False)
                                       for index, workers in zip(self._indexes, self._workers)])
        rows = np.concatenate([np.where(i >= 0, i + offset, -1)
                               for (i, _), offset in zip(answers, self._offsets)], axis=1)
        distances = np.concatenate([d for _, d in answers], axis=1)
        # Nearest first, equal distances in row order, missing answers last.
        order = np.lexsort((np.where(rows < 0, np.iinfo(np.int64).max, rows),
                            np.where(np.isnan(distances), np.inf, distances)), axis=1)
        kept = min(k, int(sum(a[0].shape[1] for a in answers)))
        rows = np.take_along_axis(rows, order, axis=1)[:, :kept]
        distances = np.take_along_axis(distances, order, axis=1)[:, :kept]
        return (rows[0], distances[0]) if one else (rows, distances)


def _looks(names, bad, settings, jobs):
    return _vexlor.icon_looks(names, bad, *settings, jobs)


def groups(client, path, *, shards=None, strict=False, loose=False, jobs=1):
    """vexlor.groups(path) across the workers of `client`: the data set's
    rows cut into `shards` parts in order (default: one for each worker),
    each part indexed on a worker (ShardedIndex) and its icons' signatures,
    grey, detail and colour maps and sizes measured there; each row's nearest are those of all the
    shards. The groups are vexlor.groups's wherever the shards' indexes find
    the true nearest, as they do on small shards. Every worker must see the
    icons at the same paths."""
    values, bad, names, settings, rule = vexlor._grouped_data_set(path, strict, loose)
    n = len(values)
    if n == 0:
        return np.zeros(0, dtype=np.int64)
    if shards is None:
        shards = max(1, len(client.scheduler_info()["workers"]))
    shards = max(1, min(int(shards), n))
    bounds = [n * i // shards for i in range(shards + 1)]
    parts = list(zip(bounds[:-1], bounds[1:]))
    looking = [client.submit(_looks, names[a:b], bad[a:b], settings, jobs, pure=False)
               for a, b in parts]
    index = ShardedIndex(client, [values[a:b] for a, b in parts], jobs=jobs)
    k = _vexlor.GROUP_NEIGHBOURS + 1  # a row is its own nearest
    found = [index.nearest(values[a:b], k, jobs=jobs) for a, b in parts]
    rows = np.concatenate([r for r, _ in found])
    distances = np.concatenate([d for _, d in found])
    seen = client.gather(looking)
    signatures, steady, greys, details, colours, sizes, has = (
        np.concatenate([part[i] for part in seen]) for i in range(7))
    reasons = [r for part in seen for r in part[7]]
    vexlor._warn_of_unsigned(reasons, stacklevel=2)
    return _vexlor.group_neighbours(bad, signatures, steady, greys, details, colours, sizes, has, rows,
                                    distances, rule, jobs)

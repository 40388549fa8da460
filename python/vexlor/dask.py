"""Spreading a list of icons over a Dask distributed cluster.

    from dask.distributed import Client
    import vexlor.dask
    client = Client("scheduler:8786")          # or Client(LocalCluster(...))
    values, bad = vexlor.dask.describe_on_cluster(client, paths, blur=1)

The list is cut into chunks; each chunk is measured by vexlor.describe_many
on one worker, and the rows come back in list order: the same numbers as one
vexlor-batch run over the whole list. Every worker needs the vexlor module
and must see the icons at the same paths (a shared file system).
"""
import os

import numpy as np

import vexlor


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

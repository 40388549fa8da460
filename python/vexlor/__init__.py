"""vexlor: icon descriptors of 416 numbers, reproducible to the last digit.

    >>> import vexlor
    >>> record = vexlor.describe("icon.png", blur=1)
    >>> record.values.shape, record.orientation.shape
    ((416,), (12, 8))
    >>> values, bad = vexlor.describe_many(paths)        # all cores
    >>> values, bad = vexlor.read_results("dataset.txt")  # what vexlor wrote
    >>> rows, distances = vexlor.nearest(values, record.tiny, k=5)
    >>> picture = record.card()                          # BGR uint8 array

Every number equals, bit for bit, what the vexlor and vexlor-batch tools
write for the same icon and settings.
"""
import collections
import math
import numbers
import os
import re
import warnings

import numpy as np


def _usable_pixel_limit():
    """The image library dies while it loads when OPENCV_IO_MAX_IMAGE_PIXELS
    is no limit; such a value is told and replaced by the default, as the
    vexlor tools do (a whole number above 0, KB or MB after it if wished)."""
    name = "OPENCV_IO_MAX_IMAGE_PIXELS"
    setting = os.environ.get(name)
    if setting is None:
        return
    match = re.fullmatch(r"([0-9]+)(KB|Kb|kb|MB|Mb|mb)?", setting)
    units = {None: 1, "k": 1 << 10, "m": 1 << 20}
    pixels = int(match[1]) * units[match[2] and match[2][0].lower()] if match else 0
    if 0 < pixels < 1 << 64:
        return
    default = 1 << 26
    shown = setting if len(setting) <= 40 else setting[:40] + "..."
    warnings.warn(f"{name}={shown!r} is no pixel limit (a whole number above 0, KB or MB after "
                  f"it if wished): {default} pixels are used", RuntimeWarning, stacklevel=3)
    os.environ[name] = str(default)


_usable_pixel_limit()

from . import _vexlor  # noqa: E402  (after the setting is usable)

__version__ = _vexlor.VERSION

__all__ = ["BadIconError", "Record", "DataSet", "describe", "describe_many", "read_results",
           "read_data_set", "nearest", "Index", "groups",
           "RECORD_LENGTH", "DEFAULT_METRIC", "MAX_BLUR", "MAX_SVG_SIZE"]

RECORD_LENGTH = _vexlor.RECORD_LENGTH
DEFAULT_METRIC = _vexlor.DEFAULT_METRIC
MAX_BLUR = _vexlor.MAX_BLUR  # the largest blur the options take
MAX_SVG_SIZE = _vexlor.MAX_SVG_SIZE  # the largest svg_size


class BadIconError(ValueError):
    """An icon that cannot be loaded: vexlor records it as "Bad Icon"."""


_vexlor._set_bad_icon_error(BadIconError)


def _frozen(array):
    array.setflags(write=False)
    return array


class Record:
    """The descriptor of one icon.

    orientation  (12, 8) float64: the lightness orientation histogram of each
                 cell (cells numbered column by column, corners skipped)
    lab          (12, 6) float64: each cell's L+, L-, a+, a-, b+, b- sums
    groups       (5, 8) float64: the four quadrant groups, then the middle one
    values       (416,) float64: all numbers, double form, results-file order
    tiny         (416,) uint8: all numbers, TinyInt form, results-file order
    The arrays are read-only.
    """

    __slots__ = ("_native",)

    def __init__(self, native):
        self._native = native

    # Read-only: a changed array would not change the record's line or card.
    orientation = property(lambda self: _frozen(self._native.orientation))
    lab = property(lambda self: _frozen(self._native.lab))
    groups = property(lambda self: _frozen(self._native.groups))
    values = property(lambda self: _frozen(self._native.values))
    tiny = property(lambda self: _frozen(self._native.tiny))

    def line(self, tiny=True):
        """The results-file record, without the final newline."""
        return self._native.line(bool(tiny))

    def card(self):
        """The picture vexlor-card draws of this record: an (H, W, 3) uint8
        BGR array, pixel for pixel the PNG that vexlor-card writes."""
        return self._native.card()

    def __repr__(self):
        return f"<vexlor.Record {self.line()[:40]}...>"


def _integer(name, value, low, high):
    # bool is an int to Python, and 1.5 or "2" would be taken for 1 and 2.
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{name} must be {low}..{high}, not {value}")
    return int(value)


def _factor(name, value):
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}")
    value = float(value)
    if math.isnan(value):
        raise ValueError(f"{name} is not a number")
    return value


def _distortion(blur, red, green, blue, background, svg_size):
    if background is not None and not isinstance(background, str):
        raise TypeError(f"background must be a str or None, not {type(background).__name__}")
    if background == "":
        raise ValueError("background '' is no colour (\"white\", \"black\", \"#rrggbb\" or \"#rgb\")")
    return (_integer("blur", blur, 0, MAX_BLUR), _factor("red", red), _factor("green", green),
            _factor("blue", blue), background or "",
            0 if svg_size is None else _integer("svg_size", svg_size, 1, MAX_SVG_SIZE))


def _jobs(jobs):
    return _integer("jobs", jobs, 0, 1024)


def _path(path):
    """A path as the core takes it: bytes, without the NUL byte that would
    end it early (Python's own rule for paths)."""
    encoded = os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError("embedded null byte")
    return encoded


def describe(icon, *, order="bgr", blur=0, red=1.0, green=1.0, blue=1.0, background=None,
             svg_size=None):
    """Measures one icon: a path, or a uint8 numpy array of H x W x 3 in
    channel order `order` ("bgr" as cv2.imread returns it, "rgb" as PIL and
    imageio return it), H x W x 4 (alpha dropped) or H x W grey.

    `background` ("white", "black", "#rrggbb" or "#rgb"): every pixel is first
    composited over that colour by its alpha, as vexlor-batch --background
    does, so that the record holds what is visible (None: alpha dropped).
    An SVG icon is rendered at its own size, or to fit `svg_size` x
    `svg_size` pixels, as vexlor-batch --svg-size renders it.

    Raises BadIconError (naming the path) for a file that cannot be loaded,
    TypeError or ValueError for an unusable array or option: blur is an int
    0..MAX_BLUR, the factors are numbers (NaN is refused)."""
    distortion = _distortion(blur, red, green, blue, background, svg_size)
    if isinstance(icon, (str, bytes, os.PathLike)):
        return Record(_vexlor.describe_path(_path(icon), *distortion))
    return Record(_vexlor.describe_array(np.asarray(icon), order, *distortion))


def describe_many(paths, *, jobs=0, tiny=True, blur=0, red=1.0, green=1.0, blue=1.0,
                  background=None, svg_size=None):
    """Measures every path on `jobs` threads (0: all cores), the GIL released.

    Returns (values, bad): an (N, 416) float64 array holding each icon's
    numbers in TinyInt (`tiny`) or double form exactly as vexlor-batch's lines
    hold them (doubles to the 6 significant digits of their text; a Record's
    `values` keep every digit), and a boolean mask of the paths that gave "Bad Icon" (their rows are NaN).
    When some icon is bad, one RuntimeWarning says how many and why the
    first of them are."""
    values, bad, reasons = _describe_many(paths, jobs, tiny, blur, red, green, blue, background,
                                          svg_size)
    _warn_of_bad(paths, reasons, stacklevel=3)
    return values, bad


def _describe_many(paths, jobs, tiny, blur, red, green, blue, background, svg_size):
    """describe_many's work: (values, bad, reasons), a reason for each bad
    row and "" for a good one."""
    if isinstance(paths, (str, bytes, os.PathLike)):
        raise TypeError("paths must be a list of paths, not a single path")
    distortion = _distortion(blur, red, green, blue, background, svg_size)
    encoded = [_path(p) for p in paths]
    return _vexlor.describe_many(encoded, _jobs(jobs), bool(tiny), *distortion)


def _warn_of_bad(paths, reasons, stacklevel):
    """One warning for the bad icons among `paths`: how many, the first
    three reasons, and a hint when paths end in a line end."""
    told = [(p, r) for p, r in zip(paths, reasons) if r]
    if not told:
        return
    ends = [p for p, _ in told if os.fsencode(p).endswith((b"\n", b"\r"))]
    hint = (f"; {len(ends)} of the paths end in a line end (lines read with readlines() keep "
            f"theirs: strip them)") if ends else ""
    first = "; ".join(r for _, r in told[:3])
    warnings.warn(f'{len(told)} of {len(reasons)} icons gave "Bad Icon": {first}'
                  f'{"; ..." if len(told) > 3 else ""}{hint}', RuntimeWarning,
                  stacklevel=stacklevel)


def read_results(path, dtype=np.float64):
    """Reads a results file of either form into (values, bad): an (N, 416)
    array, one row per line, and a boolean mask of the "Bad Icon" lines.
    `dtype` float64 (rows of "Bad Icon" lines NaN), or uint8 for TinyInt data,
    a quarter of the memory (their rows 0). Raises ValueError naming the line
    for a line that is neither a record nor "Bad Icon" (or, for uint8, one of
    the double form), OSError when the file cannot be read."""
    path = _path(path)
    dtype = np.dtype(dtype)
    if dtype not in (np.dtype(np.float64), np.dtype(np.uint8)):
        raise ValueError(f"dtype must be float64 or uint8, not {dtype}")
    # Opened here first, so that a file that cannot be read raises Python's
    # own OSError, with its errno and file name.
    with open(path, "rb"):
        pass
    return _vexlor.read_results(path, dtype == np.uint8)


DataSet = collections.namedtuple("DataSet", "values bad names manifest")
DataSet.__doc__ = """A data set as read_data_set gives it: values and bad as read_results
gives them, the names of the lines (a list of str, or None without a names file) and
the manifest (a dict of its settings, or None for a plain results file)."""


def read_data_set(path, dtype=np.float64):
    """Reads a results file and, when vexlor-batch -o wrote it, the names and
    the manifest beside it (PATH.names, PATH.manifest). Raises ValueError when
    the names do not match the lines."""
    values, bad = read_results(path, dtype)
    base = os.fsencode(path)
    manifest = names = None
    if os.path.exists(base + b".manifest"):
        manifest = {}
        with open(base + b".manifest", encoding="utf-8") as lines:
            for line in lines:
                if line.strip() and not line.startswith("#"):
                    key, _, value = line.rstrip("\n").partition(": ")
                    manifest[key] = value
        with open(base + b".names", "rb") as text:
            end = b"\0" if manifest.get("names") == "nul" else b"\n"
            names = [os.fsdecode(n) for n in text.read().split(end)]
        if names and names[-1] == "":
            names.pop()
        if len(names) != len(bad):
            raise ValueError(f"{os.fsdecode(base)}.names: {len(names)} names for the "
                             f"{len(bad)} lines of {os.fsdecode(base)!r}")
    return DataSet(values, bad, names, manifest)


def _in_form_of(record, data):
    """A Record's numbers in the form of `data`: TinyInt data carries 4 as
    its first weight (column 208), double data 16."""
    weights = data[:, 208] if data.ndim == 2 else data[208:209]
    tiny = np.any(weights == 4)
    return record.tiny if tiny else record.values


def nearest(data, queries, k=5, metric=DEFAULT_METRIC, *, jobs=0):
    """The k rows of `data` nearest to each query, as vexlor-nearest finds them.

    data     (N, 416) records of one form: rows from read_results or
             describe_many, or Record.values / Record.tiny stacked; rows
             holding NaN ("Bad Icon") keep their index and are never returned
    queries  (M, 416) records of the same form, or one record of shape (416,);
             a Record (or a list of them) is taken in the data's form
    metric   "l1", "l2", "weighted" or "root" (see vexlor-nearest --help)

    Returns (indices, distances): (M, K) int64 row numbers of `data`, nearest
    first, equal distances in row order, and their (M, K) float64 distances,
    K = min(k, good rows of data); a NaN query row gets -1 and NaN. For one
    query, arrays of shape (K,). Raises ValueError naming the row for a record
    of neither form or of the other form than data's."""
    k, jobs = _integer("k", k, 1, 1 << 20), _jobs(jobs)
    if not isinstance(metric, str):
        raise TypeError(f"metric must be a str, not {type(metric).__name__}")
    metric = metric.lower()  # any case, as vexlor-nearest takes it
    data = np.asarray(data, dtype=np.float64)
    if isinstance(queries, Record):
        queries = _in_form_of(queries, data)
    elif isinstance(queries, (list, tuple)):
        queries = [_in_form_of(q, data) if isinstance(q, Record) else q for q in queries]
    queries = np.asarray(queries, dtype=np.float64)
    one = queries.ndim == 1
    indices, distances = _vexlor.nearest(data, queries[np.newaxis] if one else queries,
                                         k, metric, jobs)
    return (indices[0], distances[0]) if one else (indices, distances)


class Index:
    """An approximate index of TinyInt records for the root metric, as
    vexlor-nearest --index keeps beside a data set (see its --help): every
    distance it gives is exact; a true neighbour is rarely missed (recall@5
    above 0.99 at a million records), at about a 120th of the CPU time of
    an exact query. Building costs about as much as 45,000 exact queries.

    data  (N, 416) TinyInt records (rows from read_results, describe_many or
          Record.tiny; NaN rows are "Bad Icon" rows, kept in the numbering)
    jobs  threads that build it (0: all cores); with 1 it is the same at every
          build
    """

    def __init__(self, data, *, jobs=0):
        data = np.asarray(data, dtype=np.float64)
        if data.ndim != 2:
            raise ValueError(f"data must be an (N, {RECORD_LENGTH}) array")
        self._index = _vexlor._Index(data, _jobs(jobs))

    def __len__(self):
        """Rows, "Bad Icon" rows included."""
        return self._index.rows

    def nearest(self, queries, k=5, *, jobs=0):
        """As vexlor.nearest(data, queries, k, "root"), through the index:
        (indices, distances), -1 and NaN for a NaN query row."""
        k, jobs = _integer("k", k, 1, 1 << 20), _jobs(jobs)
        if isinstance(queries, Record):
            queries = queries.tiny
        elif isinstance(queries, (list, tuple)):
            queries = [q.tiny if isinstance(q, Record) else q for q in queries]
        queries = np.asarray(queries, dtype=np.float64)
        one = queries.ndim == 1
        indices, distances = self._index.nearest(queries[np.newaxis] if one else queries, k, jobs)
        return (indices[0], distances[0]) if one else (indices, distances)


def _grouped_data_set(path, strict, loose):
    """(values, bad, names, loading settings, rule) of a data set to group."""
    if strict and loose:
        raise ValueError("strict and loose exclude each other")
    values, bad, names, manifest = read_data_set(path)
    if manifest is None:
        raise ValueError(f"{os.fsdecode(path)!r} has no manifest: groups are of a data set that "
                         "vexlor-batch -o made")
    background = manifest.get("background", "none")
    settings = (int(manifest.get("blur", 0)), float(manifest.get("red", 1)),
                float(manifest.get("green", 1)), float(manifest.get("blue", 1)),
                "" if background == "none" else background, int(manifest.get("svg-size", 0)))
    return values, bad, names, settings, "strict" if strict else "loose" if loose else "default"


def _warn_of_unsigned(reasons, stacklevel):
    failed = [r for r in reasons if r]
    if failed:
        warnings.warn(f"{len(failed)} of {len(reasons)} icons could not be measured again for the "
                      f"signature, and each is a group of its own: {'; '.join(failed[:3])}"
                      f"{'; ...' if len(failed) > 3 else ''}", RuntimeWarning, stacklevel=stacklevel + 1)


def groups(path, *, strict=False, loose=False, jobs=0):
    """The groups of the same artwork in a data set that vexlor-batch -o made,
    as vexlor-groups finds them: an (N,) int64 array, row i the group of line
    i, numbered from 1 in the order of their first line, 0 for a "Bad Icon"
    line. Each icon is measured again, with the data set's settings, for its
    signature, grey, detail and colour maps and size; one that cannot be is a group of its own, with a single
    RuntimeWarning naming the icons. Raises ValueError for a results file
    without a manifest."""
    values, _, names, settings, rule = _grouped_data_set(path, strict, loose)
    grouped, reasons = _vexlor.group_data_set(values, names, *settings, rule, _jobs(jobs))
    _warn_of_unsigned(reasons, stacklevel=2)
    return grouped

"""The module against the command-line tools, value for value."""
import os
import pathlib
import re
import subprocess
import sys

import cv2
import numpy as np
import pytest

import vexlor

from conftest import BUILD, DATA, SOURCE


def vexlor_line(tools, icon, *options):
    out = subprocess.run([tools["vexlor"], "-I", icon, "-R", "/dev/stdout", *options],
                         capture_output=True, check=False)
    return out.stdout.decode()


def batch_output(tools, paths, tmp_path, *options):
    listing = tmp_path / "list"
    listing.write_text("".join(p + "\n" for p in paths))
    out = subprocess.run([tools["batch"], "-q", *options, str(listing)], capture_output=True,
                         check=True)
    results = tmp_path / "batch.txt"
    results.write_bytes(out.stdout)
    return results


def test_describe_writes_what_vexlor_writes(tools, icons):
    for icon in icons:
        record = vexlor.describe(icon, blur=1, red=0.8)
        assert record.line() == vexlor_line(tools, icon, "-B", "1", "-cR", "0.8"), icon
        assert record.line(tiny=False) == vexlor_line(tools, icon, "-B", "1", "-cR", "0.8",
                                                      "-TI", "0"), icon
        assert record.orientation.shape == (12, 8) and record.lab.shape == (12, 6)
        assert record.groups.shape == (5, 8) and record.values.dtype == np.float64
        np.testing.assert_array_equal(record.values[:96], record.orientation.ravel())
        np.testing.assert_array_equal(record.values[96:168], record.lab.ravel())
        np.testing.assert_array_equal(record.values[168:208], record.groups.ravel())
        assert record.tiny.tolist() == [int(t) for t in record.line().split()]


def test_arrays_in_every_channel_layout_match_the_file(icons):
    icon = str(DATA / "calculator.png")
    expected = vexlor.describe(icon).line()
    bgr = cv2.imread(icon, cv2.IMREAD_COLOR)
    assert vexlor.describe(bgr).line() == expected
    assert vexlor.describe(np.ascontiguousarray(bgr[:, :, ::-1]), order="rgb").line() == expected
    assert vexlor.describe(bgr[:, :, ::-1], order="rgb").line() == expected  # a strided view
    alpha = np.full(bgr.shape[:2] + (1,), 77, np.uint8)
    assert vexlor.describe(np.concatenate([bgr, alpha], axis=2)).line() == expected
    rgba = np.concatenate([bgr[:, :, ::-1], alpha], axis=2)
    assert vexlor.describe(rgba, order="rgb").line() == expected
    grey = str(DATA / "calculator-grey.png")
    assert vexlor.describe(cv2.imread(grey, cv2.IMREAD_GRAYSCALE)).line() == \
        vexlor.describe(grey).line()


def test_describe_many_equals_vexlor_batch(tools, icons, tmp_path):
    paths = icons + [str(tmp_path / "missing.png"), icons[0]]
    for tiny, options in ((True, ()), (False, ("--double",))):
        expected, expected_bad = vexlor.read_results(
            batch_output(tools, paths, tmp_path, "--blur", "2", *options))
        for jobs in (1, 2):
            values, bad = vexlor.describe_many(paths, jobs=jobs, tiny=tiny, blur=2)
            assert bad.tolist() == expected_bad.tolist() == [False] * len(icons) + [True, False]
            np.testing.assert_array_equal(values, expected)


def test_describe_many_warns_once_of_bad_icons_with_the_cause(icons, tmp_path):
    lines = [p + "\n" for p in icons[:2]]  # as readlines() gives them
    with pytest.warns(RuntimeWarning) as told:
        values, bad = vexlor.describe_many(lines + icons[:1])
    assert bad.tolist() == [True, True, False]
    assert len(told) == 1
    message = str(told[0].message)
    assert message.startswith('2 of 3 icons gave "Bad Icon": cannot load ')
    assert "2 of the paths end in a line end" in message
    import vexlor.dask as on_cluster
    with pytest.raises(TypeError, match="not a single path"):
        on_cluster.describe_on_cluster(None, icons[0])


def test_a_data_set_reads_with_its_names_and_settings(tools, icons, tmp_path):
    data = tmp_path / "data.txt"
    listed = tmp_path / "list"
    listed.write_text("\n".join(icons + ["missing.png"]) + "\n")
    subprocess.run([tools["batch"], "-q", "--background", "white", "-o", str(data),
                    str(listed)], check=True, stderr=subprocess.DEVNULL)
    values, bad, names, manifest = vexlor.read_data_set(data)
    assert names == icons + ["missing.png"]
    assert manifest["background"] == "#ffffff" and manifest["form"] == "tinyint"
    assert manifest["version"] == vexlor.__version__
    then = os.stat(data).st_mtime - 60  # a table is made only for a settled file
    os.utime(data, (then, then))
    vexlor.read_results(data)
    again = vexlor.read_data_set(data)  # from the binary table the first reading left
    assert (tmp_path / "data.txt.table").exists()
    np.testing.assert_array_equal(again.values, values)
    tiny, tiny_bad = vexlor.read_results(data, dtype=np.uint8)
    assert tiny.dtype == np.uint8 and tiny_bad.tolist() == bad.tolist()
    np.testing.assert_array_equal(tiny[~bad], values[~bad])
    record = vexlor.describe(icons[1], background="white")
    np.testing.assert_array_equal(values[1], record.tiny)
    index, distance = vexlor.nearest(values, record, k=1)
    assert (index[0], distance[0]) == (1, 0)
    assert vexlor.nearest(values, [record], k=1)[0].tolist() == [[1]]


def test_read_results_takes_every_form_and_names_a_bad_line(tools, icons, tmp_path):
    results = tmp_path / "results.txt"
    subprocess.run([tools["vexlor"], "-I", icons[0], "-R", str(results), "-TI", "0"], check=True)
    values, bad = vexlor.read_results(results)  # overwrite mode: no final newline
    written = np.array(vexlor.describe(icons[0]).line(tiny=False).split(), float)
    np.testing.assert_array_equal(values[0], written)
    for icon in (icons[1], "missing.png"):
        subprocess.run([tools["vexlor"], "-I", icon, "-R", str(results), "-A", "1"])
    # The rules of vexlor-nearest: one form to a file, values of the form.
    with pytest.raises(ValueError, match=re.escape(f"{results}:2: a record of TinyInt form where")):
        vexlor.read_results(results)
    subprocess.run([tools["vexlor"], "-I", icons[0], "-R", str(results)], check=True)
    for icon in (icons[1], "missing.png"):
        subprocess.run([tools["vexlor"], "-I", icon, "-R", str(results), "-A", "1"])
    values, bad = vexlor.read_results(str(results))
    assert values.shape == (3, 416) and bad.tolist() == [False, False, True]
    np.testing.assert_array_equal(values[1], vexlor.describe(icons[1]).tiny)
    assert np.isnan(values[2]).all()
    line = results.read_text().split("\n")[0].split(" ")
    for value in ("256", "-1", "1e308"):
        results.write_text(" ".join([value] + line[1:]))
        with pytest.raises(ValueError, match=re.escape(f"{results}:1: value 1 is no TinyInt")):
            vexlor.read_results(results)
    with pytest.raises(ValueError, match="queries row 0: value 1 is no descriptor value"):
        vexlor.nearest(vexlor.describe(icons[0]).values[np.newaxis],
                       np.where(np.arange(416) == 0, np.inf, vexlor.describe(icons[0]).values))
    subprocess.run([tools["vexlor"], "-I", icons[0], "-R", str(results)], check=True)
    for icon in (icons[1], "missing.png"):
        subprocess.run([tools["vexlor"], "-I", icon, "-R", str(results), "-A", "1"])

    text = results.read_text().split("\n")
    text[1] = text[1][:-4]  # a record cut short
    results.write_text("\n".join(text))
    with pytest.raises(ValueError, match=re.escape(f"{results}:2: ")):
        vexlor.read_results(results)
    with pytest.raises(OSError):
        vexlor.read_results(tmp_path / "none.txt")


def test_bad_input_raises_clear_errors(tmp_path):
    missing = str(tmp_path / "missing.png")
    with pytest.raises(vexlor.BadIconError, match=re.escape(missing)):
        vexlor.describe(missing)
    with pytest.raises(TypeError, match="uint8"):
        vexlor.describe(np.zeros((8, 8, 3), np.float32))
    for shape in ((8, 8, 2), (0, 8, 3), (8,)):
        with pytest.raises(ValueError):
            vexlor.describe(np.zeros(shape, np.uint8))
    with pytest.raises(ValueError, match="order"):
        vexlor.describe(np.zeros((8, 8, 3), np.uint8), order="bgra")
    with pytest.raises(ValueError, match="blur"):
        vexlor.describe(np.zeros((8, 8, 3), np.uint8), blur=-1)


@pytest.fixture(scope="module")
def client():
    """A local Dask cluster of two worker processes, shared by the tests of
    this file that use one."""
    distributed = pytest.importorskip("dask.distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as connected:
        yield connected


def test_a_dask_cluster_gives_what_one_batch_run_gives(client, tools, icons, tmp_path):
    import vexlor.dask
    paths = (icons + [str(tmp_path / "missing.png")]) * 5
    expected, expected_bad = vexlor.read_results(
        batch_output(tools, paths, tmp_path, "--blur", "1"))
    values, bad = vexlor.dask.describe_on_cluster(client, paths, chunk_size=7, blur=1)
    assert bad.tolist() == expected_bad.tolist()
    np.testing.assert_array_equal(values, expected)


def clustered_tiny_records(n, seed, bases=200):
    """TinyInt records about `bases` random ones, a few values moved a
    little; every 50th row NaN ("Bad Icon")."""
    base = np.random.default_rng(1).integers(0, 256, (bases, 208)) // np.random.default_rng(2).integers(
        1, 4, (bases, 208))
    rng = np.random.default_rng(seed)
    rows = base[rng.integers(0, bases, n)] + rng.integers(-6, 7, (n, 208)) * (rng.random((n, 208)) < 0.1)
    tail = np.r_[np.full(96, 4), np.full(72, 1), np.full(40, 40)]
    records = np.hstack([np.clip(rows, 0, 255), np.tile(tail, (n, 1))]).astype(np.float64)
    records[49::50] = np.nan
    return records


def test_an_index_and_its_shards_answer_as_exact_search(client):
    import vexlor.dask
    data, queries = clustered_tiny_records(1200, 3), clustered_tiny_records(60, 4)
    expected = vexlor.nearest(data, queries, k=4, metric="root")
    index = vexlor.Index(data, jobs=1)
    assert len(index) == 1200
    for got in (index.nearest(queries, k=4),):
        np.testing.assert_array_equal(got[0], expected[0])
        np.testing.assert_array_equal(got[1], expected[1])
    shards = vexlor.dask.ShardedIndex(client, [data[:500], data[500:700], data[700:]])
    assert len(shards) == 1200
    rows, distances = shards.nearest(queries, k=4)
    one = shards.nearest(queries[0], k=4)
    np.testing.assert_array_equal(rows, expected[0])
    np.testing.assert_array_equal(distances, expected[1])
    np.testing.assert_array_equal(one[0], expected[0][0])
    with pytest.raises(ValueError, match="TinyInt"):
        vexlor.Index(np.where(np.isnan(data), np.nan, data / 255.0 * 0) + np.r_[np.zeros(208),
                     np.full(96, 16), np.full(72, 1), np.full(40, 8)])


def test_groups_are_those_vexlor_groups_prints(tools, icons, tmp_path):
    paths = icons + [str(DATA / "calculator-16bit.png"), str(tmp_path / "missing.png")]
    listed = tmp_path / "list"
    listed.write_text("".join(p + "\n" for p in paths))
    data = tmp_path / "data"
    subprocess.run([tools["batch"], "-q", "--background", "white", "-o", str(data), str(listed)],
                   check=True)
    for rule in ("strict", "loose"):
        printed = subprocess.run([tools["groups"], "--" + rule, str(data)], check=True,
                                 capture_output=True, text=True).stdout
        expected = [0 if g == "-" else int(g) for g in
                    (line.split("\t")[0] for line in printed.splitlines())]
        assert vexlor.groups(str(data), **{rule: True}).tolist() == expected
    assert vexlor.groups(str(data))[-1] == 0
    plain = tmp_path / "plain"
    plain.write_bytes(data.read_bytes())
    with pytest.raises(ValueError, match="manifest"):
        vexlor.groups(str(plain))


def test_groups_across_shards_are_those_of_the_whole(client, tools, icons, tmp_path):
    import vexlor.dask
    # Each icon twice, far apart, so that copies fall into different shards.
    paths = (icons + [str(tmp_path / "missing.png")]) * 2
    listed = tmp_path / "list"
    listed.write_text("".join(p + "\n" for p in paths))
    data = tmp_path / "data"
    subprocess.run([tools["batch"], "-q", "-o", str(data), str(listed)], check=True)
    whole = vexlor.groups(str(data))
    assert whole.max() <= len(icons)  # copies joined
    for shards in (1, 3):
        np.testing.assert_array_equal(vexlor.dask.groups(client, str(data), shards=shards), whole)


def test_groups_from_shards_weigh_each_icon_size():
    # Two drawings of one icon, 10 signature bits apart (too far to link):
    # joined as one icon at two sizes, apart when the sizes are the same.
    bad = np.zeros(2, dtype=bool)
    signatures = np.array([0x0123456789abcdef, 0x0123456789abcdef ^ 0x3ff], dtype=np.uint64)
    looks = (signatures, np.full(2, ~np.uint64(0)), np.zeros((2, 64), np.uint8), np.zeros((2, 256), np.uint8),
             np.zeros((2, 32), np.int16))
    rows, distances = np.array([[1], [0]]), np.full((2, 1), 8.0)
    for sides, expected in (((16, 32), [1, 1]), ((16, 16), [1, 2])):
        sizes = np.array([[side, side] for side in sides], dtype=np.uint32)
        grouped = vexlor._vexlor.group_neighbours(bad, *looks, sizes, np.ones(2, dtype=bool), rows, distances,
                                                  "default", 1)
        assert grouped.tolist() == expected


def test_groups_from_shards_part_icons_alike_but_for_a_detail():
    # One picture at one size, but for one cell of the detail map (a
    # calendar's day): joined when that cell matches, parted when not.
    bad, has = np.zeros(2, dtype=bool), np.ones(2, dtype=bool)
    looks = (np.zeros(2, np.uint64), np.full(2, ~np.uint64(0)), np.zeros((2, 64), np.uint8))
    colours, sizes = np.zeros((2, 32), np.int16), np.full((2, 2), 48, dtype=np.uint32)
    rows, distances = np.array([[1], [0]]), np.full((2, 1), 3.0)
    for day, expected in ((0, [1, 1]), (40, [1, 2])):
        details = np.zeros((2, 256), np.uint8)
        details[1, 37] = day
        grouped = vexlor._vexlor.group_neighbours(bad, *looks, details, colours, sizes, has, rows, distances,
                                                  "default", 1)
        assert grouped.tolist() == expected


def test_the_documented_examples_run(tmp_path):
    source = SOURCE.resolve()
    page = (source / "docs" / "python.md").read_text()
    readme = (source / "README.md").read_text()
    os.chdir(source)
    code = page.split("```python\n", 1)[1].split("```", 1)[0]
    exec(compile(code, "docs/python.md", "exec"), {})
    # The README's quick start, over the sample icons.
    subprocess.run([str(BUILD.resolve() / "vexlor-batch"), "-q", "--background", "white", "-o",
                    str(tmp_path / "dataset.txt"), "samples"], check=True)
    os.chdir(tmp_path)
    code = readme.split("```python\n", 1)[1].split("```", 1)[0]
    code = code.replace('"query.png"', repr(str(source / "samples" / "palette.png")))
    exec(compile(code, "README.md", "exec"), {})


def test_card_is_the_picture_vexlor_card_writes(tools, tmp_path):
    icon = str(DATA / "calculator.png")
    out = tmp_path / "card.png"
    subprocess.run([tools["card"], icon, "-o", str(out), "--blur", "2", "--green", "1.3"],
                   check=True)
    card = vexlor.describe(icon, blur=2, green=1.3).card()
    assert card.dtype == np.uint8 and card.ndim == 3
    np.testing.assert_array_equal(card, cv2.imread(str(out), cv2.IMREAD_COLOR))


def test_nearest_finds_what_vexlor_nearest_finds(tools, icons, tmp_path):
    names = tmp_path / "names"
    names.write_text("".join(p + "\n" for p in icons))
    for form in ([], ["--double"]):
        data = batch_output(tools, icons, tmp_path, *form)
        (tmp_path / "blurred").mkdir(exist_ok=True)
        queries = batch_output(tools, icons[::-1], tmp_path / "blurred", "--blur", "1", *form)
        values, bad = vexlor.read_results(data)
        asked, _ = vexlor.read_results(queries)
        for metric in ("l1", "l2", "weighted", "root"):
            out = subprocess.run([tools["nearest"], "-k", "3", "--metric", metric, str(data),
                                  str(names), "--records", str(queries)],
                                 capture_output=True, check=True, text=True).stdout
            rows, distances = vexlor.nearest(values, asked, k=3, metric=metric)
            expected = [(str(q + 1), str(r + 1), distances[q, r], icons[rows[q, r]])
                        for q in range(len(asked)) for r in range(rows.shape[1])]
            found = [(q, r, float(d), name) for q, r, d, name in
                     (line.split("\t") for line in out.splitlines())]
            assert found == expected, (form, metric)
            assert not bad[rows].any()


def test_nearest_refuses_records_of_the_other_form():
    tiny = vexlor.describe(str(DATA / "calculator.png"))
    with pytest.raises(ValueError, match="queries row 0: a record of double form"):
        vexlor.nearest(tiny.tiny[np.newaxis], tiny.values)
    rows, distances = vexlor.nearest(np.vstack([np.full(416, np.nan), tiny.tiny]), tiny.tiny)
    assert rows.tolist() == [1] and distances.tolist() == [0.0]


def test_options_are_checked_before_any_work(icons):
    path = icons[0]
    for call in (lambda **o: vexlor.describe(path, **o), lambda **o: vexlor.describe_many([path], **o)):
        for options, error, message in (
                ({"blur": -1}, ValueError, "blur must be 0..255, not -1"),
                ({"blur": 256}, ValueError, "blur must be 0..255"),
                ({"blur": 2 ** 40}, ValueError, "blur must be 0..255"),
                ({"blur": 1.5}, TypeError, "blur must be an integer, not float"),
                ({"blur": "2"}, TypeError, "blur must be an integer, not str"),
                ({"red": float("nan")}, ValueError, "red is not a number"),
                ({"green": "0.5"}, TypeError, "green must be a number, not str")):
            with pytest.raises(error, match=message):
                call(**options)
    assert vexlor.describe(path, blur=vexlor.MAX_BLUR).line()  # the largest one works
    for bad in ({"jobs": -1}, {"jobs": 2 ** 40}):
        with pytest.raises(ValueError, match="jobs must be 0..1024"):
            vexlor.describe_many([path], **bad)
    for single in (path, path.encode()):
        with pytest.raises(TypeError, match="a single path"):
            vexlor.describe_many(single)
    record = vexlor.describe(path)
    for k, error in ((0, ValueError), (-1, ValueError), (1.5, TypeError)):
        with pytest.raises(error, match="k must be"):
            vexlor.nearest(record.tiny[np.newaxis], record.tiny, k=k)


def test_record_arrays_are_read_only(icons):
    record = vexlor.describe(icons[0])
    for array in (record.tiny, record.values, record.orientation, record.lab, record.groups):
        with pytest.raises(ValueError, match="read-only"):
            array[0] = 1


def test_errors_name_what_failed_in_a_few_hundred_characters(tmp_path):
    with pytest.raises(vexlor.BadIconError, match=re.escape("cannot load '/tmp/\\xfe.png'")):
        vexlor.describe(b"/tmp/\xfe.png")  # missing, and no UTF-8
    with pytest.raises(FileNotFoundError) as missing:
        vexlor.read_results(b"/tmp/\xfe.txt")
    assert missing.value.errno == 2
    for call in (lambda: vexlor.describe(str(DATA / "calculator.png") + "\0xyz"),
                 lambda: vexlor.describe_many([str(DATA / "calculator.png") + "\0"]),
                 lambda: vexlor.read_results(str(tmp_path) + "\0")):
        with pytest.raises(ValueError, match="embedded null byte"):
            call()
    junk = tmp_path / "junk.txt"
    for text, reason in ((bytes(b for b in range(256) if b not in b" \t\n\r") * 8 + b" 1 \n",
                          "is no number"),
                         (b"7" * 5_000_000, "line 1 is too long")):
        junk.write_bytes(text)
        with pytest.raises(ValueError) as error:
            vexlor.read_results(junk)
        message = str(error.value)  # a str, so valid UTF-8
        assert message.startswith(f"{junk}:1: ") and reason in message and len(message) < 400


def test_a_pixel_setting_that_is_no_limit_is_told_not_fatal(icons):
    # The image library would die while the module loads; the module says so
    # and goes on with the default, as the tools do.
    for setting in ("abc", "-1", "0", "1GB"):
        env = dict(os.environ, OPENCV_IO_MAX_IMAGE_PIXELS=setting)
        run = subprocess.run([sys.executable, "-c", "import vexlor; print(vexlor.describe(%r).line())"
                              % icons[0]], env=env, capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
        assert f"OPENCV_IO_MAX_IMAGE_PIXELS='{setting}' is no pixel limit" in run.stderr
        assert run.stdout == vexlor.describe(icons[0]).line() + "\n"


def test_background_composites_as_the_tools_do(tools, icons, tmp_path):
    alpha_icons = [icons[0], icons[2], icons[4], icons[7]]  # RGBA, 16-bit, palette, 256 px
    results = batch_output(tools, alpha_icons, tmp_path, "--double", "--background", "#ff8000")
    tool_values, _ = vexlor.read_results(results)
    values, bad = vexlor.describe_many(alpha_icons, tiny=False, background="#FF8000")
    assert not bad.any() and np.array_equal(values, tool_values)
    # An array with alpha is composited by the same rule as its file.
    rgba = cv2.imread(icons[0], cv2.IMREAD_UNCHANGED)
    assert rgba.shape[2] == 4
    assert vexlor.describe(rgba, background="white").line() == \
        vexlor.describe(icons[0], background="white").line() != vexlor.describe(icons[0]).line()
    for bad_colour, error in (("blue-ish", ValueError), ("#12345", ValueError), ("", ValueError),
                              (255, TypeError)):
        with pytest.raises(error):
            vexlor.describe_many(["never-read.png"], background=bad_colour)


def test_svg_icons_as_the_tools_measure_them(tools, tmp_path):
    svg = tmp_path / "icon.svg"
    svg.write_text("<svg xmlns='http://www.w3.org/2000/svg' width='20' height='14'>"
                   "<rect x='2' y='3' width='12' height='6' fill='#36c' fill-opacity='0.7'/></svg>")
    for options, kwargs in (((), {}), (("--svg-size", "48", "--background", "black"),
                                       {"svg_size": 48, "background": "black"})):
        results = batch_output(tools, [str(svg)], tmp_path, "--double", *options)
        tool_values, _ = vexlor.read_results(results)
        values, bad = vexlor.describe_many([str(svg)], tiny=False, **kwargs)
        assert not bad.any() and np.array_equal(values, tool_values)
    assert vexlor.describe(svg, svg_size=48).line() != vexlor.describe(svg).line()
    with pytest.raises(ValueError):
        vexlor.describe(svg, svg_size=0)


def test_svgs_after_slow_ones_are_measured_in_the_same_process(tmp_path):
    good = tmp_path / "good.svg"
    good.write_text("<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
                    "<rect width='8' height='8' fill='#c03'/></svg>")
    slow = tmp_path / "slow.svg"
    # 9 megapixels of fractal noise: 4.5 s of processor time, well beyond the limit.
    slow.write_text("<svg xmlns='http://www.w3.org/2000/svg' width='3000' height='3000'>"
                    "<filter id='f' x='0' y='0' width='1' height='1'><feTurbulence "
                    "baseFrequency='0.01' numOctaves='10'/></filter>"
                    "<rect width='3000' height='3000' filter='url(#f)'/></svg>")
    before = vexlor.describe(good).line()
    values, bad = vexlor.describe_many([str(slow)] * 5 + [str(good)], jobs=2)
    assert bad.tolist() == [True] * 5 + [False]
    assert vexlor.describe(good).line() == before
    with pytest.raises(vexlor.BadIconError, match="processor time"):
        vexlor.describe(slow)

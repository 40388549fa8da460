#!/usr/bin/python3
"""vexlor-nearest --html in a real browser: the page's structure holds every
answer line, its pictures are the icons as measured, and headless Chromium
draws each query's icon beside its answers, in rank order.

Usage: nearest_page_test.py VEXLOR_BATCH VEXLOR_NEAREST DATA_DIR
(KEEP_SHOT=FILE keeps the screenshot.)
"""
import base64
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

os.environ.setdefault("OPENCV_LOG_LEVEL", "OFF")  # before cv2 reads it
import cv2  # noqa: E402
import numpy as np  # noqa: E402

SCALE = 2  # page pixels per icon pixel
ROW = 40  # less than a figure's height (62 x SCALE) on the page


class Page(html.parser.HTMLParser):
    """Sections of figures: each figure's class, picture and caption spans.
    Pictures are the backgrounds of CSS classes, each defined once."""

    def __init__(self):
        super().__init__()
        self.sections, self.tags, self.span, self.style = [], set(), None, False
        self.pictures = {}

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.add(tag)
        assert not {"src", "href"} & attrs.keys(), f"links out: {attrs}"
        if tag == "style":
            self.style = True
        elif tag == "section":
            self.sections.append([])
        elif tag == "figure":
            self.sections[-1].append({"class": attrs.get("class"), "picture": None})
        elif tag == "div" and attrs.get("class", "").startswith("picture "):
            self.sections[-1][-1]["picture"] = self.pictures[attrs["class"].split()[1]]
        elif tag == "span":
            self.span = attrs.get("class")

    def handle_data(self, data):
        if self.style:
            assert data.count("url(") == data.count("url(data:image/png;base64,"), "links out"
            for rule in re.findall(r"\.(p[0-9]+)\{background-image:url\(data:image/png;base64,([^)]*)\)\}", data):
                assert rule[0] not in self.pictures and rule[1] not in self.pictures.values(), \
                    "a picture embedded twice"
                self.pictures[rule[0]] = rule[1]
        elif self.span:
            self.sections[-1][-1][self.span] = self.sections[-1][-1].get(self.span, "") + data

    def handle_endtag(self, tag):
        if tag == "span":
            self.span = None
        elif tag == "style":
            self.style = False


def measured(path):
    """The icon as vexlor measures it: colour, resized to 62 x 62."""
    return cv2.resize(cv2.imread(path, cv2.IMREAD_COLOR), (62, 62), interpolation=cv2.INTER_LINEAR)


def reading_order(places):
    """(x, y) places by rows of the page, then left to right. A row gathers
    places less than ROW apart in y: figures of one line may be drawn a few
    pixels apart (their captions differ), which must not split the line."""
    rows = []
    for x, y in sorted(places, key=lambda p: p[1]):
        if rows and y - rows[-1][0][1] < ROW:
            rows[-1].append((x, y))
        else:
            rows.append([(x, y)])
    return [p for row in rows for p in sorted(row)]


def main():
    batch, nearest, data_dir = sys.argv[1:4]
    work = tempfile.mkdtemp()
    try:
        icons = [os.path.join(data_dir, n) for n in
                 ("calculator.png", "audio-card.png", "package-256.png", "calculator-grey.png",
                  "audio-card.jpg")]
        odd = os.path.join(work, 'a <b> & "c".png')  # a name that needs escaping
        shutil.copy(icons[0], odd)
        icons.append(odd)
        with open(os.path.join(work, "list"), "w") as f:
            f.write("".join(p + "\n" for p in icons))
        subprocess.run([batch, "-q", "-o", f"{work}/data", f"{work}/list"], check=True)
        page_path = os.path.join(work, "page.html")
        queries = [icons[0], icons[2]]
        out = subprocess.run([nearest, "-k", "3", "--html", page_path, f"{work}/data",
                              f"{work}/list", *queries], capture_output=True, text=True, check=True).stdout
        lines = [line.split("\t") for line in out.splitlines()]

        page = Page()
        page.feed(open(page_path, encoding="utf-8").read())
        assert not page.tags & {"script", "link", "iframe", "object"}, page.tags
        assert len(page.sections) == len(queries), len(page.sections)
        for q, section in enumerate(page.sections):
            query, answers = section[0], section[1:]
            assert query["class"] == "query" and query["name"] == queries[q], query["name"]
            # The page rounds distances to 6 significant digits.
            assert [(queries[q], a["rank"], a["distance"], a["name"]) for a in answers] == \
                [(l[0], l[1], f"{float(l[2]):.6g}", l[3]) for l in lines if l[0] == queries[q]], \
                answers
            for figure in section:
                shown = cv2.imdecode(np.frombuffer(base64.b64decode(figure["picture"]), np.uint8),
                                     cv2.IMREAD_COLOR)
                assert np.array_equal(shown, measured(figure["name"])), figure["name"]
        assert any(a["name"] == odd for s in page.sections for a in s), "the escaped name"

        # Drawn: every picture of the page at its place on the screenshot.
        shot = os.path.join(work, "shot.png")
        subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking",
                        "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                        f"--user-data-dir={work}/profile", "--force-device-scale-factor=1",
                        "--window-size=900,700", f"--screenshot={shot}", "file://" + page_path],
                       capture_output=True, timeout=120, check=True)
        screen = cv2.imread(shot, cv2.IMREAD_COLOR)
        if os.environ.get("KEEP_SHOT"):  # to look at it
            shutil.copy(shot, os.environ["KEEP_SHOT"])
        assert screen is not None, "no screenshot"
        # Where each picture is drawn, in reading order; a picture shown
        # several times (identical icons) takes its places one by one.
        found = {}
        places = []
        for section in page.sections:
            row = []
            for figure in section:
                key = figure["picture"]
                if key not in found:
                    big = cv2.resize(measured(figure["name"]), None, fx=SCALE, fy=SCALE,
                                     interpolation=cv2.INTER_NEAREST)
                    scores = cv2.matchTemplate(screen, big, cv2.TM_SQDIFF_NORMED)
                    ys, xs = np.nonzero(scores < 1e-4)  # drawn pixel for pixel
                    found[key] = reading_order(zip(xs, ys))
                assert found[key], f"{figure['name']} is not on the screen"
                x, y = found[key].pop(0)
                while found[key] and abs(found[key][0][0] - x) < 5 and abs(found[key][0][1] - y) < 5:
                    found[key].pop(0)  # the same place, matched a pixel off
                row.append((x, y))
            places.append(row)
        for row in places:
            # The query first, then the answers by rank, left to right on one line.
            assert all(a[0] < b[0] and abs(a[1] - b[1]) < 10 for a, b in zip(row, row[1:])), row
        assert places[0][0][1] < places[1][0][1], "the second query below the first"

        # An unwritable page is an error, and no page at all.
        missing = os.path.join(work, "no", "page.html")
        r = subprocess.run([nearest, "--html", missing, f"{work}/data", f"{work}/list", icons[0]],
                           capture_output=True, text=True)
        assert r.returncode == 2 and missing in r.stderr, (r.returncode, r.stderr)
        assert not os.path.exists(missing)
        # An empty name is refused before any work.
        r = subprocess.run([nearest, "--html", "", f"{work}/data", f"{work}/list", icons[0]],
                           capture_output=True, text=True)
        assert r.returncode == 1 and "--html" in r.stderr and r.stdout == "", (r.returncode, r.stderr)
        # A link is written through: its file gets the page, the link stays.
        os.symlink("target.html", f"{work}/link.html")
        subprocess.run([nearest, "--html", f"{work}/link.html", f"{work}/data", f"{work}/list",
                        icons[0]], capture_output=True, check=True)
        assert os.path.islink(f"{work}/link.html")
        assert open(f"{work}/target.html", encoding="utf-8").read().startswith("<!DOCTYPE html>")
    finally:
        shutil.rmtree(work)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()

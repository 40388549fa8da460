#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets.

Usage: make_seed_corpus.py OUT_DIR
Writes OUT_DIR/icon (option bytes + small images of every format the image
library writes, at several sizes, made from the shipped test icons and from
synthetic patterns), OUT_DIR/arguments (NUL-separated argument vectors),
OUT_DIR/png and OUT_DIR/jpeg (files of the decoders' differential targets),
OUT_DIR/distortion (distortion bytes + images or raw pixels), OUT_DIR/svg
(a size byte + SVG files) and OUT_DIR/zlib_stream (a piece size byte + zlib
streams).
"""
import gzip
import os
import sys
import zlib

os.environ.setdefault("OPENCV_LOG_LEVEL", "OFF")  # before cv2 reads it
import cv2  # noqa: E402
import numpy as np  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")

# blur, blue, green, red factor bytes, TinyInt bit (see icon_fuzzer.cpp).
OPTIONS = [bytes([0, 255, 255, 255, 1]), bytes([1, 62, 255, 100, 0]),
           bytes([3, 250, 251, 254, 1]), bytes([2, 0, 253, 25, 0])]

FORMATS = [".png", ".jpg", ".bmp", ".tiff", ".webp", ".ppm", ".pgm", ".pbm", ".sr",
           ".ras", ".hdr", ".exr", ".jp2", ".pfm", ".pxm", ".pnm"]

ARGUMENTS = [
    ["vexlor", "-I", "icon.png"],
    ["vexlor", "-I", "icon.png", "-R", "out.txt", "-A", "1", "-TI", "0"],
    ["vexlor", "-I", "icon.png", "-B", "2", "-cR", "0.5", "-cG", "1e400", "-cB", "nan"],
    ["vexlor", "-I", "a", "-SI", "no", "-SF", "1", "-PR", "1", "-PI", "1"],
    ["vexlor", "-B", "1", "-B", "3", "-I", "x", "word", "-I"],
    ["vexlor", "-I", "a", "-B", "-7"],
    ["vexlor", "-R", "-B", "-I", "a.png"],
    ["vexlor-batch", "--double", "--blur", "2", "-j", "3", "-o", "out", "-a", "list"],
    ["vexlor-batch", "-0", "-q", "--red", "0.5", "--green", "2", "--blue", "-1", "-"],
    ["vexlor-batch", "--jobs", "0", "--frobnicate"],
]


def icons():
    """Small images: real icons at a few sizes, and synthetic patterns."""
    real = [cv2.imread(os.path.join(DATA, name), cv2.IMREAD_COLOR)
            for name in ("calculator.png", "audio-card.png")]
    for icon in real:
        for size in ((1, 1), (3, 2), (16, 16), (62, 62), (70, 40)):
            yield cv2.resize(icon, size, interpolation=cv2.INTER_AREA)
    ramp = np.tile(np.arange(0, 256, 4, dtype=np.uint8), (64, 1))
    yield cv2.merge([ramp, ramp.T.copy(), 255 - ramp])
    yield np.zeros((5, 5, 3), np.uint8)
    yield np.full((62, 61, 3), 255, np.uint8)


def main():
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "icon"), exist_ok=True)
    os.makedirs(os.path.join(out, "arguments"), exist_ok=True)
    for target in ("png", "jpeg", "distortion", "svg", "zlib_stream"):
        os.makedirs(os.path.join(out, target), exist_ok=True)
    count = 0
    for i, icon in enumerate(icons()):
        for ext in FORMATS:
            image = icon
            if ext in (".hdr", ".exr", ".pfm"):
                image = icon.astype(np.float32) / 255
            if ext == ".jp2" and min(icon.shape[:2]) < 32:
                continue  # the encoder fails there, and leaves its temporary file in /tmp
            try:
                ok, encoded = cv2.imencode(ext, image)
            except cv2.error:
                continue
            if not ok:
                continue
            options = OPTIONS[(i + count) % len(OPTIONS)]
            with open(os.path.join(out, "icon", f"{i:02d}{ext}"), "wb") as f:
                f.write(options + encoded.tobytes())
            count += 1
    # The PNG decoders' differential target: the shipped PNGs of every kind.
    for name in sorted(os.listdir(DATA)):
        if name.endswith(".png"):
            with open(os.path.join(DATA, name), "rb") as source, \
                    open(os.path.join(out, "png", name), "wb") as seed:
                seed.write(source.read())
    # The JPEG decoders' differential target: the shipped JPEGs and the
    # layouts the library writes (grey, subsamplings, progressive, restarts).
    for name in sorted(os.listdir(DATA)):
        if name.endswith(".jpg"):
            with open(os.path.join(DATA, name), "rb") as source, \
                    open(os.path.join(out, "jpeg", name), "wb") as seed:
                seed.write(source.read())
    layouts = [[], [cv2.IMWRITE_JPEG_PROGRESSIVE, 1], [cv2.IMWRITE_JPEG_RST_INTERVAL, 2],
               [cv2.IMWRITE_JPEG_OPTIMIZE, 1, cv2.IMWRITE_JPEG_QUALITY, 30]]
    if hasattr(cv2, "IMWRITE_JPEG_SAMPLING_FACTOR"):
        layouts.append([cv2.IMWRITE_JPEG_SAMPLING_FACTOR, cv2.IMWRITE_JPEG_SAMPLING_FACTOR_444])
    for i, icon in enumerate(list(icons())[4:9]):
        for j, params in enumerate(layouts):
            image = cv2.cvtColor(icon, cv2.COLOR_BGR2GRAY) if (i + j) % 3 == 0 else icon
            ok, encoded = cv2.imencode(".jpg", image, params)
            if ok:
                with open(os.path.join(out, "jpeg", f"{i}-{j}.jpg"), "wb") as f:
                    f.write(encoded.tobytes())
    # Progressive files at and beyond the scan limit (100): empty DC
    # refinement scans of every component before the end.
    ok, progressive = cv2.imencode(".jpg", list(icons())[2], [cv2.IMWRITE_JPEG_PROGRESSIVE, 1])
    progressive = progressive.tobytes()
    scan = b"\xff\xda\x00\x0c\x03\x01\x00\x02\x00\x03\x00\x00\x00\x10"
    scans = progressive.count(b"\xff\xda")
    for extra in (100 - scans, 101 - scans):
        with open(os.path.join(out, "jpeg", f"scans-{scans + extra}.jpg"), "wb") as f:
            f.write(progressive[:-2] + scan * extra + progressive[-2:])
    # The distortion target (see distortion_fuzzer.cpp): blur, three factor
    # bytes, then an image file or raw pixels.
    for i, icon in enumerate(list(icons())[:6]):
        options = bytes([1 + i % 4, 62 + i, 255, 100 - i])
        ok, encoded = cv2.imencode(".png", icon)
        with open(os.path.join(out, "distortion", f"file-{i}"), "wb") as f:
            f.write(options + b"\0" + encoded.tobytes())
        with open(os.path.join(out, "distortion", f"raw-{i}"), "wb") as f:
            f.write(options + bytes([1, icon.shape[0], icon.shape[1]]) + icon.tobytes())
    # The SVG target: a size byte, then an SVG (or SVGZ) file.
    head = '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"'
    svgs = [
        head + ' width="16" height="16"><rect x="2" y="2" width="9" height="7" fill="#c03" '
               'fill-opacity="0.5"/></svg>',
        '<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY a "ab">]>' + head +
        ' viewBox="0 0 24 12"><text y="10">&a;&a;</text><circle cx="6" cy="6" r="5"/></svg>',
        head + ' width="2em" height="20"><defs><linearGradient id="g"><stop offset="0" '
               'stop-color="#fff"/><stop offset="1" stop-color="#08f"/></linearGradient>'
               '<filter id="f"><feGaussianBlur stdDeviation="1.5"/></filter></defs>'
               '<path d="M1 1 L20 5 Q10 18 3 15 Z" fill="url(#g)" filter="url(#f)"/>'
               '<use xlink:href="#missing"/></svg>',
    ]
    for i, text in enumerate(svgs):
        for j, size in enumerate((0, 150)):
            with open(os.path.join(out, "svg", f"{i}-{j}.svg"), "wb") as f:
                f.write(bytes([size]) + text.encode())
    with open(os.path.join(out, "svg", "zipped.svgz"), "wb") as f:
        f.write(bytes([0]) + gzip.compress(svgs[0].encode()))
    # The zlib stream target: a piece size byte, then the stream (the image data of the shipped PNGs, and streams written
    # with every strategy and several windows).
    streams = []
    for name in sorted(os.listdir(DATA)):
        if name.endswith(".png"):
            streams.append(cv2.imread(os.path.join(DATA, name), cv2.IMREAD_UNCHANGED).tobytes()[:60000])
    texts = [b"", b"a", bytes(range(256)) * 40, b"icon record " * 500]
    for i, raw in enumerate(streams + texts):
        for j, (level, wbits, strategy) in enumerate(((9, 15, zlib.Z_DEFAULT_STRATEGY),
                                                      (1, 9, zlib.Z_FILTERED),
                                                      (6, 12, zlib.Z_HUFFMAN_ONLY),
                                                      (6, 15, zlib.Z_RLE),
                                                      (6, 15, zlib.Z_FIXED),
                                                      (0, 15, zlib.Z_DEFAULT_STRATEGY))):
            c = zlib.compressobj(level, zlib.DEFLATED, wbits, 8, strategy)
            stream = c.compress(raw) + c.flush()
            with open(os.path.join(out, "zlib_stream", f"{i}-{j}"), "wb") as f:
                f.write(bytes([60]) + stream)
    for i, argv in enumerate(ARGUMENTS):
        with open(os.path.join(out, "arguments", f"{i:02d}"), "wb") as f:
            f.write(b"\0".join(a.encode() for a in argv))
    print(f"{count} icon seeds, {len(ARGUMENTS)} argument seeds in {out}")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Many processes appending to one results file at the same moment.

8 vexlor processes append 100 records each, and 4 vexlor-batch processes
append 1500 each, all to the same file at once. Every line must be one whole
record (416 tokens, each followed by a blank) or "Bad Icon", and every record
written must be there: the lines are compared, as a multiset, with the
records each icon gives alone.

Then appenders with a `vexlor -A 0` replacing the file in the middle of them,
and vexlor-batch runs interrupted by SIGINT and SIGTERM (also right after
an SVG stopped at its time limit): whatever is left must still be whole
lines.

Usage: concurrency_test.py VEXLOR VEXLOR_BATCH DATA_DIR
"""
import collections
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

PROCESSES, RUNS_EACH = 8, 100
BATCHES, BATCH_LINES = 4, 1500


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def check_lines(text, expected, what):
    if not text.endswith("\n"):
        fail(f"{what}: the file does not end with a newline")
    lines = text[:-1].split("\n")
    for n, line in enumerate(lines):
        if line == "Bad Icon":
            continue
        if not line.endswith(" ") or len(line.split(" ")) != 417 or "  " in line:
            fail(f"{what}: line {n + 1} is no whole record: {line[:80]!r}...")
    got = collections.Counter(lines)
    if got != expected:
        missing = expected - got
        extra = got - expected
        fail(f"{what}: {sum(missing.values())} records missing, {sum(extra.values())} unexpected")
    print(f"PASS: {what}: {len(lines)} whole records, none lost")


def check_whole(text, what):
    for n, line in enumerate(text.split("\n")):
        if line in ("Bad Icon", ""):
            continue
        if not line.endswith(" ") or len(line.split(" ")) != 417 or "  " in line:
            fail(f"{what}: line {n + 1} is no whole record: {line[:80]!r}...")
    if "\n\n" in text or text.startswith("\n"):
        fail(f"{what}: an empty line")


def overwrite_among_appenders(vexlor, icons, work):
    shared = os.path.join(work, "overwritten.txt")

    def appender(p):
        for i in range(40):
            subprocess.run([vexlor, "-I", icons[(p + i) % 4], "-A", "1", "-R", shared])

    threads = [threading.Thread(target=appender, args=(p,)) for p in range(4)]
    for t in threads:
        t.start()
    time.sleep(2)
    subprocess.run([vexlor, "-I", icons[1], "-TI", "0", "-A", "0", "-R", shared], check=True)
    for t in threads:
        t.join()
    text = open(shared).read()
    check_whole(text, "appenders with one overwrite")
    if sum(1 for line in text.split("\n") if "." in line) != 1:
        fail("appenders with one overwrite: the overwriting record is not there once")
    print("PASS: appenders with one overwrite: whole lines only")


def interrupted_batches(batch, icons, work):
    listing = os.path.join(work, "long-list.txt")
    with open(listing, "w") as f:
        f.write("".join(icons[i % 4] + "\n" for i in range(200000)))
    for sig in (signal.SIGINT, signal.SIGTERM):
        for args in (["-o", os.path.join(work, "cut.txt")], []):
            out = os.path.join(work, "cut.txt") if args else os.path.join(work, "cut-stdout.txt")
            with open(out, "w") as stdout:
                run = subprocess.Popen([batch, "-q", "-j", "2"] + args + [listing], stdout=stdout)
                # Stopped once some records are out, however busy the machine: a fixed
                # wait could end before the first block of lines was written.
                deadline = time.monotonic() + 120
                while os.path.getsize(out) == 0 and time.monotonic() < deadline:
                    time.sleep(0.05)
                time.sleep(0.2)
                run.send_signal(sig)
                run.wait()
            text = open(out).read()
            if not text or not text.endswith("\n"):
                fail(f"{sig.name}: the output does not end with a whole line")
            check_whole(text[:-1], f"vexlor-batch stopped by {sig.name}")
    print("PASS: interrupted vexlor-batch runs leave whole lines")


def interrupted_after_a_slow_svg(batch, icons, work):
    """-j 1, output to a pipe, SIGTERM while the writer is inside write(2)
    after an SVG's rendering was stopped at its time limit (the rendering
    would go on for seconds): the rendering never runs on a thread of
    vexlor-batch, so the signal cannot cut the line being written."""
    slow = os.path.join(work, "slow.svg")
    with open(slow, "w") as f:
        f.write("<svg xmlns='http://www.w3.org/2000/svg' width='4000' height='4000'>"
                "<filter id='f' x='0' y='0' width='1' height='1'><feTurbulence "
                "baseFrequency='0.01' numOctaves='10'/></filter>"
                "<rect width='4000' height='4000' filter='url(#f)'/></svg>")
    listing = os.path.join(work, "slow-list.txt")
    with open(listing, "w") as f:
        f.write(slow + "\n" + "".join(icons[i % 4] + "\n" for i in range(200000)))
    for attempt in range(3):
        run = subprocess.Popen([batch, "-q", "-j", "1", listing], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
        out = run.stdout.fileno()
        text = b""
        while text.count(b"\n") < 50:
            text += os.read(out, 1 << 16)
        # The pipe fills while nobody reads; a page read lets the writer put
        # part of its next block in and wait inside write(2) for the rest.
        time.sleep(0.3)
        text += os.read(out, 4096)
        time.sleep(0.1)
        run.send_signal(signal.SIGTERM)
        while chunk := os.read(out, 1 << 16):
            text += chunk
        run.wait()
        text = text.decode()
        if not text.startswith("Bad Icon\n") or not text.endswith("\n"):
            fail(f"SIGTERM after a slow SVG, run {attempt + 1}: no whole last line")
        check_whole(text[:-1], "vexlor-batch -j 1 stopped by SIGTERM after a slow SVG")
    print("PASS: SIGTERM after a slow SVG leaves whole lines")


def main():
    vexlor, batch, data = sys.argv[1:4]
    icons = [os.path.join(data, name) for name in (
        "calculator.png", "audio-card.jpg", "package-256.png", "one-pixel.png")]
    icons.append(os.path.join(data, "missing.png"))
    with tempfile.TemporaryDirectory() as work:
        # Each icon's line on its own, in both forms.
        alone = {}
        for icon in icons:
            for form in ("1", "0"):
                path = os.path.join(work, "alone.txt")
                subprocess.run([vexlor, "-I", icon, "-TI", form, "-A", "1", "-R", path], check=False)
                alone[icon, form] = open(path).read()[:-1]
                os.remove(path)

        shared = os.path.join(work, "shared.txt")
        expected = collections.Counter()

        def appender(p):
            for i in range(RUNS_EACH):
                icon, form = icons[(p + i) % len(icons)], str(i % 2)
                subprocess.run([vexlor, "-I", icon, "-TI", form, "-A", "1", "-R", shared])

        for p in range(PROCESSES):
            for i in range(RUNS_EACH):
                expected[alone[icons[(p + i) % len(icons)], str(i % 2)]] += 1
        threads = [threading.Thread(target=appender, args=(p,)) for p in range(PROCESSES)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        check_lines(open(shared).read(), expected, f"{PROCESSES} vexlor processes")

        # One data set per form (a data set keeps to one); each line keeps
        # its name beside it however the appenders interleave.
        shared = {form: os.path.join(work, f"shared-batch{form}.txt") for form in "01"}
        expected = {form: collections.Counter() for form in "01"}
        batches = []
        for b in range(BATCHES):
            paths = [icons[(b + i) % len(icons)] for i in range(BATCH_LINES)]
            form = "0" if b % 2 else "1"
            expected[form].update(alone[p, form] for p in paths)
            listing = os.path.join(work, f"list{b}.txt")
            with open(listing, "w") as f:
                f.write("".join(p + "\n" for p in paths))
            args = [batch, "-q", "-j", "2", "-a", "-o", shared[form], listing]
            if form == "0":
                args.insert(1, "--double")
            batches.append(subprocess.Popen(args))
        for process in batches:
            if process.wait() != 0:
                fail("a vexlor-batch process failed")
        for form in "01":
            text = open(shared[form]).read()
            check_lines(text, expected[form], f"{BATCHES // 2} vexlor-batch processes")
            names = open(shared[form] + ".names").read().splitlines()
            if [alone[n, form] for n in names] != text.splitlines():
                fail("the names of a data set do not match its lines")

        overwrite_among_appenders(vexlor, icons, work)
        interrupted_batches(batch, icons, work)
        interrupted_after_a_slow_svg(batch, icons, work)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""The -SF window on a real (virtual) X display.

Starts Xvfb, runs `vexlor -SF 1`, finds the window "ProcessedIcon", takes a
screenshot of it and checks that it shows the distorted icon pixel for pixel
(the same run saves that icon with -SI), checks that the run waits, presses a
key and checks that the run then ends with exit code 0 and a complete record.

The virtual display runs with -noreset: an X server resets itself whenever
its last client disconnects, and a client that connects during the reset
(the toolkit, while xdotool had just looked around) is refused.

Usage: window_test.py VEXLOR DATA_DIR [TIMES]
"""
import os
import subprocess
import sys
import tempfile
import time

import cv2
import numpy as np


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    if not number:
        fail("Xvfb did not start")
    return server, ":" + number


def find_window(env, run, deadline):
    while time.time() < deadline:
        if run.poll() is not None:
            fail(f"vexlor ended (exit code {run.returncode}) before its window appeared: "
                 f"{run.stderr.read().decode()[-2000:]}")
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                "^ProcessedIcon$"], env=env, capture_output=True, text=True)
        ids = found.stdout.split()
        if ids:
            return ids[0]
        time.sleep(0.1)
    fail("no window named ProcessedIcon appeared")


def main():
    vexlor, data = sys.argv[1], sys.argv[2]
    for _ in range(int(sys.argv[3]) if len(sys.argv) > 3 else 1):
        show_once(vexlor, data)


def show_once(vexlor, data):
    icon = os.path.join(data, "package-256.png")
    server, display = start_xvfb()
    try:
        with tempfile.TemporaryDirectory() as work:
            env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=work)
            env.pop("QT_QPA_PLATFORM", None)
            env.pop("WAYLAND_DISPLAY", None)
            saved = os.path.join(work, "distorted.png")
            results = os.path.join(work, "results.txt")
            run = subprocess.Popen(
                [vexlor, "-I", icon, "-SF", "1", "-SI", saved, "-B", "1", "-cR", "0.5",
                 "-cB", "1.5", "-R", results, "-A", "1"],
                env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            window = find_window(env, run, time.time() + 60)

            # The window is painted once it is mapped; give it a moment.
            expected = None
            shown = None
            for _ in range(50):
                time.sleep(0.2)
                shot = subprocess.run(["import", "-window", window, "png:-"], env=env,
                                      capture_output=True)
                if shot.returncode != 0:
                    continue
                shown = cv2.imdecode(np.frombuffer(shot.stdout, np.uint8), cv2.IMREAD_COLOR)
                expected = cv2.imread(saved, cv2.IMREAD_COLOR)
                if shown is not None and expected is not None and shown.shape == expected.shape \
                        and np.array_equal(shown, expected):
                    break
            if expected is None:
                fail("the distorted icon was not saved")
            if shown is None or shown.shape != expected.shape:
                fail(f"window shows {None if shown is None else shown.shape}, icon is {expected.shape}")
            if not np.array_equal(shown, expected):
                fail("the window does not show the distorted icon's pixels")

            time.sleep(1.0)
            if run.poll() is not None:
                fail("the run ended before a key was pressed")
            record = open(results).read()
            if not record.endswith(" \n") or len(record.split()) != 416:
                fail("the record was not written before the window opened")

            # The toolkit may replace its window by a new one with the same
            # name: look it up again for each press until the run ends.
            deadline = time.time() + 60
            while run.poll() is None and time.time() < deadline:
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                        "^ProcessedIcon$"], env=env, capture_output=True,
                                       text=True)
                for window in found.stdout.split():
                    subprocess.run(["xdotool", "key", "--window", window, "space"], env=env,
                                   stderr=subprocess.DEVNULL)
                try:
                    run.wait(timeout=2)
                except subprocess.TimeoutExpired:
                    pass
            if run.poll() is None:
                run.kill()
                fail("the run did not end after a key press")
            out, err = run.communicate()
            if run.returncode != 0:
                fail(f"exit code {run.returncode}, stderr: {err.decode()}")
            if out:
                fail(f"unexpected console output {out!r}")
            if open(results).read() != record:
                fail("the results file changed after the window")
            print("PASS: window shown pixel for pixel, run waited for the key, exit code 0")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()

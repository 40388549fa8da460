"""CPU time of commands measured in rounds in which they take turns.

Each round runs every command once, the order rotating, so that a slow spell
of a shared machine falls on all of them alike; the first round only warms
up. A command's time is the user + system time of its process and of the
processes it waited for (a renderer it ended), as wait4 reports it.
"""
import os
import statistics
import subprocess
import sys


def cpu_seconds(command):
    run = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(run.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command} failed")
    return usage.ru_utime + usage.ru_stime


def median_cpu_seconds(commands, rounds):
    """{name: median CPU seconds} for a {name: command} dict."""
    names = list(commands)
    times = {name: [] for name in names}
    for r in range(rounds + 1):
        for name in names[r % len(names):] + names[:r % len(names)]:
            seconds = cpu_seconds(commands[name])
            if r > 0:
                times[name].append(seconds)
    return {name: statistics.median(t) for name, t in times.items()}

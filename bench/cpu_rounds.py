"""CPU time of commands measured in rounds in which they take turns.

Each round runs every command once, the order rotating, so that a slow spell
of a shared machine falls on all of them alike; the first round only warms
up. A command's time is the user + system time of its process and of the
processes it waited for (a renderer it ended), as wait4 reports it.

With one_processor, each round runs all its commands on one processor (the
rounds take the processors in turn), processes they start included: the
processors of a virtual machine can differ in speed for minutes at a time,
and a run held to a slow one (as vexlor holds a thread and its SVG renderer
together) would otherwise be weighed against runs on a fast one.
"""
import os
import statistics
import subprocess
import sys


def cpu_seconds(command, processor=None):
    held = None if processor is None else (lambda: os.sched_setaffinity(0, {processor}))
    run = subprocess.Popen(command, stdout=subprocess.DEVNULL, preexec_fn=held)
    _, status, usage = os.wait4(run.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command} failed")
    return usage.ru_utime + usage.ru_stime


def median_cpu_seconds(commands, rounds, one_processor=False):
    """{name: median CPU seconds} for a {name: command} dict."""
    names = list(commands)
    times = {name: [] for name in names}
    processors = sorted(os.sched_getaffinity(0))
    for r in range(rounds + 1):
        processor = processors[r % len(processors)] if one_processor else None
        for name in names[r % len(names):] + names[:r % len(names)]:
            seconds = cpu_seconds(commands[name], processor)
            if r > 0:
                times[name].append(seconds)
    return {name: statistics.median(t) for name, t in times.items()}

#!/usr/bin/python3
"""Start-up time of Tavosu beside a bare Qt window.

A second yardstick, the bare window with a menu bar and one label, shows
what Qt's font set-up costs before any window with text can map.

Starts its own Xvfb and session bus (as a desktop has one; without it Qt
tries to start one for each program) and, for each program in turn, measures the time from
starting it to the X server mapping its first top-level window, seen as a
MapNotify on the root window. Runs are interleaved so that both programs
meet the same machine load; one warm-up run of each is discarded. Prints
the median of each and their ratio.

Usage: /usr/bin/python3 bench/startup.py [BUILD_DIR] [RUNS]
BUILD_DIR defaults to build, RUNS to 15. Needs Debian's python3-xlib.
"""

import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay

MAP_TIMEOUT_S = 30.0


def start_xvfb():
    """Returns (process, display name) of a fresh Xvfb on a free display."""
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_fd, 16)
        if not chunk:
            xvfb.kill()
            sys.exit("Xvfb did not start")
        number += chunk
    os.close(read_fd)
    return xvfb, ":" + number.decode().strip()


def time_to_map(conn, argv, env, cwd):
    """Starts argv, returns seconds until its first top-level window maps,
    then ends it."""
    while conn.pending_events():
        conn.next_event()
    start = time.perf_counter()
    program = subprocess.Popen(argv, env=env, cwd=cwd,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = start + MAP_TIMEOUT_S
        while True:
            while conn.pending_events():
                event = conn.next_event()
                if event.type == X.MapNotify and not event.override:
                    return time.perf_counter() - start
            left = deadline - time.perf_counter()
            if left <= 0 or program.poll() is not None:
                sys.exit(f"{argv[0]} showed no window")
            select.select([conn.fileno()], [], [], left)
    finally:
        program.terminate()
        program.wait()


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    programs = {
        "bare Qt window": os.path.abspath(os.path.join(build, "bench", "bare_window")),
        "window + text": os.path.abspath(os.path.join(build, "bench", "bare_window_text")),
        "Tavosu": os.path.abspath(os.path.join(build, "bin", "tavosu")),
    }
    for path in programs.values():
        if not os.access(path, os.X_OK):
            sys.exit(f"{path} is not built")

    xvfb, name = start_xvfb()
    bus = None
    try:
        with tempfile.TemporaryDirectory() as scratch:
            runtime = os.path.join(scratch, "runtime")
            os.mkdir(runtime, 0o700)
            env = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
            bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
            env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
            conn = xdisplay.Display(name)
            conn.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
            conn.sync()
            times = {label: [] for label in programs}
            for run in range(runs + 1):
                for label, path in programs.items():
                    seconds = time_to_map(conn, [path], env, scratch)
                    if run > 0:
                        times[label].append(seconds)
            conn.close()
    finally:
        for process in (bus, xvfb):
            if process is not None:
                process.terminate()
                process.wait()

    medians = {label: statistics.median(values) * 1000 for label, values in times.items()}
    for label, values in times.items():
        spread = ", ".join(f"{v * 1000:.0f}" for v in sorted(values))
        print(f"{label:15} median {medians[label]:7.1f} ms  ({spread})")
    print(f"ratio Tavosu / bare: {medians['Tavosu'] / medians['bare Qt window']:.2f}")
    print(f"ratio Tavosu / window + text: {medians['Tavosu'] / medians['window + text']:.2f}")


if __name__ == "__main__":
    main()

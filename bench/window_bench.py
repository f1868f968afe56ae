#!/usr/bin/python3
"""CPU and memory of the operator window, broadcasting and with the preview alone.

Runs the release build of karone-server under an X server of its own (Xvfb)
with the built-in test pattern (640 x 480, 15 frames a second), folders of
its own and the project's FTP test server on 127.0.0.1, twice:

  broadcast  `karone-server --start`: the window with its live preview,
             sending motion strips to the server;
  preview    `karone-server --preview`: the window with its live preview,
             connected nowhere.

Each run is measured for --seconds (default 60) once it is under way (the
first strip on the server, or the preview running for a few seconds): the
CPU the program used over that time in percent of one core (utime + stime
from /proc/PID/stat), its resident memory at the start and at the end, and
its threads. The X server's own CPU is shown beside it. Aim: 3 % of one
core (5 % at most), under 120 MB, no growth from start to end.

  bench/window_bench.py [--seconds N] [--build build/release] [--json]

Build first:
  cmake --preset release && cmake --build --preset release --target karone-server karone-store
Exit status 1 when a run did not do its work (no strips sent, or a program
that ended early).
"""

import argparse
import json
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "tests", "support"))
from program_session import TEST_PATTERN, ProcessUsage, Session, wait_until  # noqa: E402


def measure(session, program, seconds):
    usage = ProcessUsage(program.pid)
    x = ProcessUsage(session.xvfb.pid)
    start = {"cpu": usage.cpu_seconds(), "x_cpu": x.cpu_seconds(), "rss": usage.rss_mib(),
             "threads": usage.threads(), "time": time.monotonic(),
             "strips": len(session.stored_strips())}
    time.sleep(seconds)
    if program.poll() is not None:
        raise RuntimeError("karone-server ended during the run (status %s)" % program.returncode)
    end = {"cpu": usage.cpu_seconds(), "x_cpu": x.cpu_seconds(), "rss": usage.rss_mib(),
           "threads": usage.threads(), "time": time.monotonic(),
           "strips": len(session.stored_strips())}
    wall = end["time"] - start["time"]
    return {
        "seconds": round(wall, 1),
        "cpu_percent_of_one_core": round(100.0 * (end["cpu"] - start["cpu"]) / wall, 2),
        "xvfb_cpu_percent": round(100.0 * (end["x_cpu"] - start["x_cpu"]) / wall, 2),
        "rss_mib_start": round(start["rss"], 1),
        "rss_mib_end": round(end["rss"], 1),
        "threads_start": start["threads"],
        "threads_end": end["threads"],
        "strips_sent": end["strips"] - start["strips"],
    }


def run(build, seconds, mode, keep):
    with Session(build=build, keep=keep, prefix="karone-window-bench-") as s:
        port = s.start_ftp()
        s.import_data({"profiles": [Session.profile("bench", port)], "schedules": []})
        s.start_xvfb()
        if mode == "broadcast":
            args = ["--start", "--profile", "bench", "--device", TEST_PATTERN]
        else:
            args = ["--preview", "--device", TEST_PATTERN]
        program = s.start_program(args)
        if mode == "broadcast":
            # Under way once the first strip is on the server.
            if not wait_until(lambda: s.stored_strips() or program.poll() is not None, 40):
                raise RuntimeError("no strip reached the server within 40 s")
        else:
            wait_until(lambda: program.poll() is not None, 8)
        if program.poll() is not None:
            raise RuntimeError("karone-server ended at start (status %s); see %s"
                               % (program.returncode, s.path("karone-server.log")))
        result = measure(s, program, seconds)
        if mode == "broadcast" and result["strips_sent"] == 0:
            raise RuntimeError("no strip was sent during the run")
        return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--build", default=None, help="the build folder (default build/release)")
    parser.add_argument("--json", action="store_true", help="print the figures as JSON")
    parser.add_argument("--keep", action="store_true", help="keep each run's folder")
    args = parser.parse_args()

    report = {}
    failed = False
    for mode in ("broadcast", "preview"):
        try:
            report[mode] = run(args.build, args.seconds, mode, args.keep)
        except RuntimeError as e:
            report[mode] = {"error": str(e)}
            failed = True
    if args.json:
        print(json.dumps(report, indent=2))
    else:
        print("%-10s %8s %8s %10s %10s %8s %7s" % ("run", "CPU %", "Xvfb %", "RSS start",
                                                   "RSS end", "threads", "strips"))
        for mode, r in report.items():
            if "error" in r:
                print("%-10s %s" % (mode, r["error"]))
                continue
            print("%-10s %8.2f %8.2f %6.1f MiB %6.1f MiB %3d->%-3d %7d" % (
                mode, r["cpu_percent_of_one_core"], r["xvfb_cpu_percent"], r["rss_mib_start"],
                r["rss_mib_end"], r["threads_start"], r["threads_end"], r["strips_sent"]))
        print("(%g s each; CPU in percent of one core; aim: 3 %%, 5 %% at most, under 120 MB, "
              "no growth)" % args.seconds)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

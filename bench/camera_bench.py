#!/usr/bin/python3
"""CPU of the headless program per kind of camera, beside plain GStreamer on the same stream.

Runs the release build of `karone-server --headless` as a user runs it
(folders of its own, a profile imported with karone-store, motion strips at
the default one picture a second sent to the project's FTP test server on
127.0.0.1), and `gst-launch-1.0` reading the same network streams:

  headless-pattern  the built-in test pattern;
  rtsp-h264         the loopback RTSP server (tests/support/camera_test_server.py)
                    at 1280 x 720, 30 fps, H.264, added as a network camera
                    with `karone-capture add`;
  gst-rtsp-h264     gst-launch-1.0 rtspsrc location=URL ! decodebin ! fakesink;
  http-mjpeg        (--http) the loopback HTTP multipart MJPEG camera,
                    1280 x 720 at 30 fps;
  gst-http-mjpeg    (--http) gst-launch-1.0 souphttpsrc location=URL !
                    multipartdemux ! jpegdec ! fakesink, which decodes every
                    frame (for reference only).

Each camera server is started once for all runs (the RTSP server encodes
once for all its clients); only the clients are measured. Every run starts
its client afresh and lets it warm up (the program: until its first strip is
on the server; gst-launch: until its decoder has put out a picture), then
--warmup seconds more (decoders, the first key frame), then measures
--seconds (8 or more, so that a strip goes up in each): the CPU the process
used over that time in percent of one core (utime + stime from
/proc/PID/stat). The kinds take turns within each of
--rounds rounds and the table gives each kind's median with the spread, and
the ratios of the medians. The load average is printed beside them: on a
busy machine figures below 1 % are rough, and the kernel counts CPU time in
ticks (0.1 % of a core over 10 s): give the small figures longer runs.

Aims: headless-pattern at most 1 % of one core; rtsp-h264 at most 1.2 x
gst-rtsp-h264. (The MJPEG camera's aim, 1.3 x `jpegdec` on the frames used,
is measured by bench/CameraDecodeBench; gst-http-mjpeg decodes every frame.)

  bench/camera_bench.py [--seconds 10] [--rounds 3] [--warmup 3] [--http]
                        [--only KIND,...] [--pattern smpte75] [--scroll 0]
                        [--build build/release] [--json] [--keep]

The cameras show still colour bars unless --pattern (any videotestsrc
pattern) or --scroll (pixels a frame) says otherwise; the program's own work
per frame does not depend on the picture, the decoders' does a little.

Build first:
  cmake --preset release && cmake --build --preset release \\
      --target karone-server karone-store karone-capture
Needs gst-launch-1.0 (gstreamer1.0-tools) and the camera server's packages
(scripts/setup). Exit status 1 when a run did not do its work (no strip
reached the server, a program ended early, gst-launch decoded nothing).
"""

import argparse
import json
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "tests", "support"))
from program_session import TEST_PATTERN, ProcessUsage, Session, wait_until  # noqa: E402

WIDTH, HEIGHT, FPS = 1280, 720, 30
START_LIMIT = 40  # seconds for a client to get under way
KINDS = ("headless-pattern", "rtsp-h264", "gst-rtsp-h264", "http-mjpeg", "gst-http-mjpeg")
RATIOS = (("rtsp-h264", "gst-rtsp-h264", 1.2), ("http-mjpeg", "gst-http-mjpeg", None))


def tail(session, log, lines=4):
    """The last lines of a run's log, for its error (the folder goes at the end)."""
    text = session.read_log(log).strip().splitlines()[-lines:]
    return ("; last lines of %s:\n    " % log + "\n    ".join(text)) if text else ""


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


class Bench:
    def __init__(self, session, args):
        self.s = session
        self.args = args
        self.urls = {}
        self.runs = 0

    def prepare(self, kinds):
        port = self.s.start_ftp()
        self.s.import_data({"profiles": [Session.profile("bench", port)], "schedules": []})
        if any("rtsp" in k for k in kinds):
            self.urls["rtsp"] = self.s.start_camera("rtsp", "h264", WIDTH, HEIGHT, FPS, "rtsp",
                                                    self.args.pattern, self.args.scroll)
            self.s.add_network_camera("Bench RTSP", self.urls["rtsp"])
        if any("http" in k for k in kinds):
            self.urls["http"] = self.s.start_camera("http", "mjpeg", WIDTH, HEIGHT, FPS, "http",
                                                    self.args.pattern, self.args.scroll)
            self.s.add_network_camera("Bench HTTP", self.urls["http"])

    def run(self, kind):
        self.runs += 1
        log = "%s-%d.log" % (kind, self.runs)
        if kind.startswith("gst-"):
            return self._run_gst(kind, log)
        device = {"headless-pattern": TEST_PATTERN, "rtsp-h264": "Bench RTSP",
                  "http-mjpeg": "Bench HTTP"}[kind]
        program = self.s.start_program(["--headless", "--profile", "bench", "--device", device,
                                        "--ftp-timeout", "3"], log)
        try:
            before = len(self.s.stored_strips())
            # Under way once its first strip is on the server.
            if not wait_until(lambda: len(self.s.stored_strips()) > before
                              or program.poll() is not None, START_LIMIT):
                raise RuntimeError("no strip reached the server within %d s%s"
                                   % (START_LIMIT, tail(self.s, log)))
            strips = len(self.s.stored_strips())
            result = self._measure(program, log)
            result["strips_sent"] = len(self.s.stored_strips()) - strips
            if result["strips_sent"] == 0:
                raise RuntimeError("no strip was sent during the run%s" % tail(self.s, log))
            return result
        finally:
            self.s.stop(program)

    def _run_gst(self, kind, log):
        if kind == "gst-rtsp-h264":
            pipeline = ["rtspsrc", "location=" + self.urls["rtsp"], "!", "decodebin", "!",
                        "fakesink"]
        else:
            pipeline = ["souphttpsrc", "location=" + self.urls["http"], "!", "multipartdemux",
                        "!", "jpegdec", "!", "fakesink"]
        # -v prints each pad's caps as they are set: raw video caps appear
        # once the decoder has put out its first picture.
        program = self.s.start_process(["gst-launch-1.0", "-v"] + pipeline, log)
        try:
            if not wait_until(lambda: "video/x-raw" in self.s.read_log(log)
                              or program.poll() is not None, START_LIMIT):
                raise RuntimeError("gst-launch decoded nothing within %d s%s"
                                   % (START_LIMIT, tail(self.s, log)))
            return self._measure(program, log)
        finally:
            self.s.stop(program)

    def _measure(self, program, log):
        time.sleep(self.args.warmup)
        if program.poll() is not None:
            raise RuntimeError("%s ended at start (status %s)%s"
                               % (os.path.basename(program.args[0]), program.returncode,
                                  tail(self.s, log)))
        usage = ProcessUsage(program.pid)
        cpu0, t0 = usage.cpu_seconds(), time.monotonic()
        time.sleep(self.args.seconds)
        if program.poll() is not None:
            raise RuntimeError("%s ended during the run (status %s)%s"
                               % (os.path.basename(program.args[0]), program.returncode,
                                  tail(self.s, log)))
        cpu1, t1 = usage.cpu_seconds(), time.monotonic()
        return {"cpu_percent_of_one_core": round(100.0 * (cpu1 - cpu0) / (t1 - t0), 2),
                "seconds": round(t1 - t0, 1), "rss_mib": round(usage.rss_mib(), 1), "threads": usage.threads()}


def summarise(kinds, rounds):
    report = {}
    for kind in kinds:
        done = [r for r in rounds[kind] if "error" not in r]
        entry = {"rounds": rounds[kind]}
        if done:
            cpu = [r["cpu_percent_of_one_core"] for r in done]
            entry.update({"median": round(statistics.median(cpu), 2),
                          "min": round(min(cpu), 2), "max": round(max(cpu), 2),
                          "rss_mib": round(max(r["rss_mib"] for r in done), 1),
                          "threads": max(r["threads"] for r in done)})
        report[kind] = entry
    ratios = {}
    for program, reference, aim in RATIOS:
        if report.get(program, {}).get("median") is not None and \
                report.get(reference, {}).get("median"):
            ratios["%s / %s" % (program, reference)] = {
                "ratio": round(report[program]["median"] / report[reference]["median"], 2),
                "aim": aim}
    return report, ratios


def print_table(report, ratios, args, loads):
    print("%-17s %8s %15s %8s %8s" % ("run", "CPU %", "min-max", "RSS MiB", "threads"))
    for kind, r in report.items():
        errors = [x["error"] for x in r["rounds"] if "error" in x]
        if "median" in r:
            print("%-17s %8.2f %7.2f-%-7.2f %8.1f %8d" % (kind, r["median"], r["min"], r["max"],
                                                         r["rss_mib"], r["threads"]))
        for e in errors:
            print("%-17s %s" % (kind if "median" not in r else "", e))
    for name, r in ratios.items():
        print("%-35s %5.2f%s" % (name, r["ratio"],
                                 "   (aim: at most %g)" % r["aim"] if r["aim"] else ""))
    print("(medians of %d rounds of %g s after %g s warm-up; CPU in percent of one core; "
          "aims: headless-pattern 1 %%, rtsp-h264 1.2 x gst-rtsp-h264)"
          % (args.rounds, args.seconds, args.warmup))
    print("(the kernel counts CPU time in steps of %g %% of a core over %g s; load average at "
          "start %s, at end %s)" % (round(100.0 / (ProcessUsage.TICKS * args.seconds), 3),
                                    args.seconds, loads[0], loads[1]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=float, default=10, help="measured seconds per run")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--warmup", type=float, default=3,
                        help="seconds a client runs, once under way, before it is measured")
    parser.add_argument("--http", action="store_true", help="add the HTTP MJPEG runs")
    parser.add_argument("--only", default="", help="comma-separated kinds to run")
    parser.add_argument("--pattern", default="smpte75",
                        help="the cameras' picture, a videotestsrc pattern (default: colour bars)")
    parser.add_argument("--scroll", type=int, default=0,
                        help="move the cameras' picture by this many pixels a frame")
    parser.add_argument("--build", default=None, help="the build folder (default build/release)")
    parser.add_argument("--json", action="store_true", help="print the figures as JSON")
    parser.add_argument("--keep", action="store_true", help="keep the session's folder")
    args = parser.parse_args()

    if args.seconds < 8:
        # The program sends a strip every 6 s (6 pictures at one a second);
        # a shorter run could not tell a working program from a stuck one.
        parser.error("--seconds must be 8 or more")
    kinds = [k for k in KINDS if args.http or "http" not in k]
    if args.only:
        wanted = args.only.split(",")
        unknown = [k for k in wanted if k not in KINDS]
        if unknown:
            parser.error("unknown kind %s (kinds: %s)" % (", ".join(unknown), ", ".join(KINDS)))
        kinds = [k for k in KINDS if k in wanted]

    if any(k.startswith("gst-") for k in kinds) and not shutil.which("gst-launch-1.0"):
        raise SystemExit("gst-launch-1.0 is missing (scripts/setup installs gstreamer1.0-tools)")
    loads = [load_average()]
    rounds = {kind: [] for kind in kinds}
    with Session(build=args.build, keep=args.keep, prefix="karone-camera-bench-") as s:
        bench = Bench(s, args)
        bench.prepare(kinds)
        for n in range(args.rounds):
            for kind in kinds:
                try:
                    rounds[kind].append(bench.run(kind))
                except RuntimeError as e:
                    rounds[kind].append({"error": "round %d: %s" % (n + 1, e)})
                if not args.json:
                    r = rounds[kind][-1]
                    print("round %d %-17s %s" % (n + 1, kind, r.get("error") or "%.2f %%" % r[
                        "cpu_percent_of_one_core"]), file=sys.stderr, flush=True)
    loads.append(load_average())

    report, ratios = summarise(kinds, rounds)
    failed = any("error" in r for runs in rounds.values() for r in runs)
    if args.json:
        print(json.dumps({"runs": report, "ratios": ratios, "seconds": args.seconds,
                          "warmup": args.warmup, "load_average": {"start": loads[0],
                                                                  "end": loads[1]}}, indent=2))
    else:
        print_table(report, ratios, args, loads)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

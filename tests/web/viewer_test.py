#!/usr/bin/python3
"""The viewer page (web/) in headless Chromium.

A plain HTTP server on 127.0.0.1 serves a temporary folder that holds what
the broadcaster publishes: motion strips whose frames are solid colours, the
status file in code page 932 with LF lines, and the still picture. The test
reads the colour in the middle of the viewer's canvas to tell which frame is
on screen. Every case gets a folder of its own, so the cases do not see each
other's files.

Exits with 77 (counted as skipped by CTest) when Chromium, its driver,
Selenium or PIL is missing; scripts/setup installs them all.
"""

import functools
import http.server
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIPPED = 77
WEB_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "web")
WEB_FILES = ("index.html", "viewer.js", "viewer.css")
SOURCE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

FRAME_W, FRAME_H = 160, 120
COLOURS = {
    "red": (220, 30, 30),
    "green": (30, 200, 30),
    "blue": (30, 40, 220),
    "yellow": (230, 220, 30),
    "magenta": (220, 30, 220),
    "cyan": (30, 210, 210),
    "white": (240, 240, 240),
    "orange": (240, 130, 20),
    "grey": (120, 120, 120),
    "purple": (110, 30, 150),
}
STRIP_A = ["red", "green", "blue", "yellow"]
STRIP_B = ["magenta", "cyan", "white", "orange"]

TEXT_PLAYING = "放送中"
TEXT_STOPPED = "放送は終了しました"
TEXT_STALLED = "更新が止まっています"
TEXT_STILL = "静止画を表示しています"

META = ("<meta http-equiv='pragma' content='no-cache'>\n"
        "<meta http-equiv='Cache-Control' content='no-cache'>\n\n")


def missing_prerequisite():
    for path in (CHROMIUM, CHROMEDRIVER):
        if not os.access(path, os.X_OK):
            return path + " is not installed (scripts/setup installs it)"
    for module in ("selenium", "PIL"):
        try:
            __import__(module)
        except ImportError:
            return "the Python module %s is missing (scripts/setup installs it)" % module
    return None


# ---- What the broadcaster publishes -----------------------------------------

def strip_jpeg(colour_names, width=FRAME_W, height=FRAME_H):
    from PIL import Image
    image = Image.new("RGB", (width * len(colour_names), height))
    for i, name in enumerate(colour_names):
        image.paste(COLOURS[name], (i * width, 0, (i + 1) * width, height))
    out = io.BytesIO()
    image.save(out, "JPEG", quality=92, subsampling=0)
    return out.getvalue()


def scene_strip(frames, width=320, height=240):
    """A strip that looks like a camera picture: sky, hills, a moving sun."""
    from PIL import Image, ImageDraw
    image = Image.new("RGB", (width * frames, height))
    draw = ImageDraw.Draw(image)
    for i in range(frames):
        x0 = i * width
        for y in range(height):
            t = y / height
            draw.line([(x0, y), (x0 + width - 1, y)],
                      fill=(int(60 + 120 * t), int(120 + 90 * t), int(200 + 40 * t)))
        sun = x0 + 40 + i * (width - 80) // max(1, frames - 1)
        draw.ellipse([sun - 18, 40, sun + 18, 76], fill=(255, 230, 120))
        draw.polygon([(x0, 180), (x0 + 90, 120), (x0 + 200, 170), (x0 + 260, 130),
                      (x0 + width - 1, 160), (x0 + width - 1, height - 1), (x0, height - 1)],
                     fill=(50, 110, 60))
    out = io.BytesIO()
    image.save(out, "JPEG", quality=90)
    return out.getvalue()


def running_page(strip, buffer, fps, caption="", rgb=(255, 255, 255)):
    text = (META + "ServRun=1\nBuffer=%d\nCurr=%s\nFramePerSecond=%d\nSubtitle=%s\n"
            "SubtitleFrgRVal=%d\nSubtitleFrgGVal=%d\nSubtitleFrgBVal=%d\n"
            % ((buffer, strip, fps, caption) + tuple(rgb)))
    return text.encode("cp932")


def stopped_page():
    return (META + "ServRun=0\n").encode("cp932")


class Area:
    """One folder of the FTP area, served over HTTP, with the viewer in it."""

    def __init__(self, root, name):
        self.name = name
        self.path = os.path.join(root, name)
        os.makedirs(self.path)
        for f in WEB_FILES:
            shutil.copy(os.path.join(WEB_DIR, f), self.path)

    def file(self, name):
        return os.path.join(self.path, name)

    def write(self, name, data, age=0):
        # Written under another name and renamed, as a finished upload appears.
        tmp = self.file(".part-" + name)
        with open(tmp, "wb") as f:
            f.write(data)
        if age:
            when = time.time() - age
            os.utime(tmp, (when, when))
        os.replace(tmp, self.file(name))

    def strip(self, number, colour_names):
        name = "motion_img_%08x.jpg" % number
        self.write(name, strip_jpeg(colour_names))
        return name

    def publish(self, page, gap=0.0, age=0):
        """Replaces the status file the way the uploader does."""
        self.write("currfrme_new.html", page, age)
        self.remove("currfrme.html")
        if gap:
            time.sleep(gap)
        os.replace(self.file("currfrme_new.html"), self.file("currfrme.html"))

    def remove(self, name):
        try:
            os.remove(self.file(name))
        except FileNotFoundError:
            pass

    def age(self, name, seconds):
        when = time.time() - seconds
        os.utime(self.file(name), (when, when))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    requests = []
    lock = threading.Lock()

    def do_GET(self):
        with self.lock:
            self.requests.append(self.path)
        super().do_GET()

    def log_message(self, *args):
        pass


# ---- The browser --------------------------------------------------------------

READ_STATE = """
const c = document.getElementById('picture');
const p = c.getContext('2d').getImageData(c.width >> 1, c.height >> 1, 1, 1).data;
const v = window.karoneViewer;
const notice = document.getElementById('notice');
return {pixel: Array.from(p), strip: v.strip, frameIndex: v.frameIndex,
        framesDrawn: v.framesDrawn, stripsSkipped: v.stripsSkipped, mode: v.mode,
        status: document.getElementById('status').textContent,
        notice: notice.hidden ? '' : notice.textContent};
"""


def read_text(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def colour_name(pixel):
    if pixel[3] == 0:
        return "blank"
    best, distance = None, None
    for name, rgb in COLOURS.items():
        d = sum((a - b) ** 2 for a, b in zip(pixel[:3], rgb))
        if distance is None or d < distance:
            best, distance = name, d
    return best if distance < 60 ** 2 else "other%s" % (pixel[:3],)


def collapse(names):
    out = []
    for n in names:
        if not out or out[-1] != n:
            out.append(n)
    return out


class ViewerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        cls.tmp = tempfile.mkdtemp(prefix="karone-web-")
        cls.addClassCleanup(shutil.rmtree, cls.tmp, ignore_errors=True)
        cls.root = os.path.join(cls.tmp, "www")
        os.makedirs(cls.root)
        handler = functools.partial(QuietHandler, directory=cls.root)
        cls.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        cls.httpd.daemon_threads = True
        cls.addClassCleanup(cls.httpd.server_close)
        cls.base = "http://127.0.0.1:%d/" % cls.httpd.server_address[1]
        threading.Thread(target=cls.httpd.serve_forever, daemon=True).start()
        cls.addClassCleanup(cls.httpd.shutdown)

        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                    "--no-first-run", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync",
                    "--disable-dev-shm-usage", "--window-size=900,760",
                    "--user-data-dir=" + os.path.join(cls.tmp, "profile")):
            options.add_argument(arg)
        cls.driver = webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER),
                                      options=options)
        cls.addClassCleanup(cls.driver.quit)
        cls.driver.set_page_load_timeout(20)
        cls.driver.set_script_timeout(10)

    # -- helpers --

    def area(self, name):
        return Area(self.root, name)

    def open(self, area, query="poll=0.5"):
        self.driver.get(self.base + area.name + "/index.html?" + query)

    def state(self):
        s = self.driver.execute_script(READ_STATE)
        s["colour"] = colour_name(s["pixel"])
        return s

    def wait_for(self, what, predicate, timeout=8.0):
        deadline = time.monotonic() + timeout
        while True:
            s = self.state()
            if predicate(s):
                return s
            if time.monotonic() > deadline:
                self.fail("%s did not happen within %.0f s; last state %r" % (what, timeout, s))
            time.sleep(0.05)

    def sample(self, seconds, until=None):
        """The colours on screen, sampled often, as a list of states."""
        states = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            s = self.state()
            states.append(s)
            if until and until(s):
                break
            time.sleep(0.05)
        return states

    def requested(self, area, name):
        prefix = "/%s/%s" % (area.name, name)
        with QuietHandler.lock:
            return [p for p in QuietHandler.requests
                    if p == prefix or p.startswith(prefix + "?")]

    # -- cases --

    def test_plays_strips_in_order_with_caption(self):
        a = self.area("play")
        strip_a = a.strip(0x1a, STRIP_A)
        caption = "<i>カメラ１</i>・晴れ"
        a.publish(running_page(strip_a, 4, 2, caption, (255, 160, 0)))
        self.open(a)
        first = self.wait_for("the first frame", lambda s: s["framesDrawn"] > 0)
        self.assertEqual(first["strip"], strip_a)
        self.assertEqual(first["status"], TEXT_PLAYING)
        # The caption is text in the page's colour, never markup.
        self.assertEqual(self.caption(), [caption, 0, "rgb(255, 160, 0)"])

        # The next strip arrives while the first plays: it follows on directly.
        strip_b = a.strip(0x1b, STRIP_B)
        a.publish(running_page(strip_b, 4, 2, "二番目", (0, 0, 0)))
        states = self.sample(8, until=lambda s: s["strip"] == strip_b and s["frameIndex"] == 3)
        self.assertEqual((states[-1]["strip"], states[-1]["frameIndex"]), (strip_b, 3))
        # Every frame is drawn once (the counter), and what the samples saw of
        # them is in order, with nothing blank between them (the pixels).
        order = STRIP_A + STRIP_B
        self.assertEqual(states[-1]["framesDrawn"] - first["framesDrawn"], 7 - first["frameIndex"])
        seen = collapse(s["colour"] for s in [first] + states)
        self.assertTrue(set(seen) <= set(order), seen)
        self.assertEqual(seen, sorted(seen, key=order.index), "frames out of order")
        self.assertGreaterEqual(len(seen), 4, "the picture did not move at the frame rate")
        self.assertEqual(self.caption(), ["二番目", 0, "rgb(0, 0, 0)"])

        # With no newer strip the last frame stays up, and nothing is reloaded.
        held = self.sample(1.2)
        self.assertEqual({s["colour"] for s in held}, {"orange"})
        self.assertEqual({s["frameIndex"] for s in held}, {3})
        self.assertEqual(len(self.requested(a, strip_b)), 1)

        # A picture for the eye: a scene, a caption, the page as a viewer sees it.
        scene = "motion_img_%08x.jpg" % 0x1c
        a.write(scene, scene_strip(6))
        a.publish(running_page(scene, 6, 2, "カメラ１・晴れ", (255, 210, 60)))
        self.wait_for("the scene", lambda s: s["strip"] == scene and s["frameIndex"] >= 2)
        self.screenshot("viewer-playing.png")

    def test_rides_out_missing_page_missing_strip_and_bad_names(self):
        a = self.area("rideout")
        strip_1 = a.strip(1, STRIP_A * 2)
        a.publish(running_page(strip_1, 8, 4))
        self.open(a)
        before = self.wait_for("the first frame", lambda s: s["framesDrawn"] > 0)

        # The page is gone for a moment (between delete and rename).
        a.remove("currfrme.html")
        during = self.sample(1.2)
        self.assertGreater(during[-1]["framesDrawn"], before["framesDrawn"])
        self.assertEqual({s["status"] for s in during}, {TEXT_PLAYING})
        strip_2 = a.strip(2, STRIP_B)
        a.publish(running_page(strip_2, 4, 4), gap=0.6)
        self.wait_for("the strip after the gap", lambda s: s["strip"] == strip_2)

        # A strip rotated away before it loaded is skipped, once.
        a.publish(running_page("motion_img_00000003.jpg", 4, 4))
        self.wait_for("the skip", lambda s: s["stripsSkipped"] == 1)

        # Names that are not strips are never loaded, whatever the page says.
        a.strip(0x1A, ["grey"])  # exists as motion_img_0000001a.jpg
        a.write("motion_img_0000001A.jpg", strip_jpeg(["grey"]))
        bad = ["motion_img_0000001A.jpg", "../play/index.html", "//127.0.0.2/motion_img_00000001.jpg",
               "motion_img_0000001a.jpg?x=1", " motion_img_0000001a.jpg", "motion_img_0000001a.jpg/",
               "javascript:alert(1)", "motion_img_0000001g.jpg"]
        mark = len(QuietHandler.requests)
        for name in bad:
            a.publish(running_page(name, 1, 4))
            time.sleep(0.6)
        s = self.state()
        self.assertEqual(s["strip"], strip_2)
        self.assertEqual(s["status"], TEXT_PLAYING)  # unreadable for a moment only
        with QuietHandler.lock:
            loaded = {p.split("?")[0] for p in QuietHandler.requests[mark:]}
        self.assertEqual(loaded, {"/rideout/currfrme.html"})
        self.assertEqual(len(self.requested(a, "motion_img_00000003.jpg")), 1)

        strip_4 = a.strip(4, ["purple"] * 4)
        a.publish(running_page(strip_4, 4, 4))
        self.wait_for("playback after the skip", lambda s: s["colour"] == "purple")

    def test_stalled_stopped_and_still(self):
        # A running page left behind long ago: stalled at once, loaded once.
        stale = self.area("stale")
        name = stale.strip(5, STRIP_A)
        stale.publish(running_page(name, 4, 4), age=600)
        self.open(stale)
        s = self.wait_for("the stall", lambda s: s["status"] == TEXT_STALLED)
        self.assertEqual(s["notice"], TEXT_STALLED)
        time.sleep(1.5)
        self.assertEqual(len(self.requested(stale, name)), 1)

        # A broadcast stops; an older still picture does not hide that.
        a = self.area("stop")
        a.write("still_img_latest.jpg", strip_jpeg(["grey"]), age=3600)
        strip_1 = a.strip(1, ["red", "green"])
        a.publish(running_page(strip_1, 2, 4, "字幕"))
        self.open(a, "poll=0.5&still=1")
        self.wait_for("the last frame", lambda s: s["colour"] == "green")
        a.publish(stopped_page())
        s = self.wait_for("the stopped text", lambda s: s["status"] == TEXT_STOPPED)
        self.assertEqual(s["notice"], TEXT_STOPPED)
        self.assertEqual(s["colour"], "green")
        self.screenshot("viewer-stopped.png")
        self.assertEqual(self.driver.execute_script(
            "return document.getElementById('caption').textContent"), "")

        # A still broadcast follows: its picture is newer than the page.
        a.age("currfrme.html", 120)
        a.write("still_img_latest.jpg", strip_jpeg(["cyan"], 320, 240))
        s = self.wait_for("the still picture", lambda s: s["colour"] == "cyan")
        self.assertEqual(s["status"], TEXT_STILL)
        self.assertEqual(s["notice"], "")
        a.write("still_img_latest.jpg", strip_jpeg(["magenta"], 320, 240), age=-5)
        self.wait_for("the next still picture", lambda s: s["colour"] == "magenta")

        # No status file at all: the still picture.
        only_still = self.area("still")
        only_still.write("still_img_latest.jpg", strip_jpeg(["yellow"]))
        self.open(only_still)
        s = self.wait_for("the still picture", lambda s: s["colour"] == "yellow")
        self.assertEqual(s["status"], TEXT_STILL)

    def test_with_the_real_uploader(self):
        ftp_exe = os.environ.get("KARONE_FTP_EXE")
        store_exe = os.environ.get("KARONE_STORE_EXE")
        if not ftp_exe or not store_exe:
            self.skipTest("karone-ftp and karone-store are not built")
        work = tempfile.mkdtemp(prefix="tools-", dir=self.tmp)
        env = dict(os.environ)
        for var in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "TEMP", "TMPDIR"):
            env[var] = os.path.join(work, var.lower())
            os.makedirs(env[var])
        a = self.area("live")
        port_file = os.path.join(work, "port")
        server = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(SOURCE_DIR, "tests", "support", "ftp_test_server.py"),
             "--root", self.root, "--port-file", port_file,
             "--transcript", os.path.join(work, "transcript"),
             "--faults", os.path.join(work, "faults.json")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 10
            while not read_text(port_file).strip():
                self.assertLess(time.monotonic(), deadline, "the FTP server did not start")
                self.assertIsNone(server.poll(), "the FTP server ended")
                time.sleep(0.05)
            port = int(read_text(port_file))
            profile = {"name": "local", "address": "127.0.0.1", "userId": "karone",
                       "password": "secret", "uploadDirectory": "/live", "port": port,
                       "bufferClipCount": 10, "keepBuffers": 0, "dialupEntry": "",
                       "dialupUser": "", "dialupPassword": "", "useDialup": 0, "passiveMode": 1}
            with open(os.path.join(work, "store.json"), "w") as f:
                json.dump({"profiles": [profile], "schedules": []}, f)
            run = functools.partial(subprocess.run, env=env, cwd=work, capture_output=True,
                                    timeout=30)
            r = run([store_exe, "import", os.path.join(work, "store.json")])
            self.assertEqual(r.returncode, 0, r.stderr)
            # The program writes its settings file at its first start; karone-ftp
            # takes the strip size and the running number from it.
            settings = os.path.join(env["XDG_CONFIG_HOME"], "Brenko", "Tamblor")
            os.makedirs(settings)
            with open(os.path.join(settings, "Encoder.conf"), "w") as f:
                f.write("iBufferSize=6\ndwUniqueRunningNum=0\n")

            six = ["red", "green", "blue", "yellow", "magenta", "cyan"]
            pictures = []
            for i, colours in enumerate((["grey"] * 6, six, ["purple"] * 6)):
                pictures.append(os.path.join(work, "p%d.jpg" % i))
                with open(pictures[-1], "wb") as f:
                    f.write(strip_jpeg(colours))
            r = run([ftp_exe, "send", "local"] + pictures[:2])
            self.assertEqual(r.returncode, 0, r.stderr + r.stdout)
            with open(a.file("currfrme.html"), "rb") as f:
                page = f.read().decode("cp932")
            current = [l[5:] for l in page.split("\n") if l.startswith("Curr=")][0]

            self.open(a, "poll=0.5")
            first = self.wait_for("the uploaded strip", lambda s: s["strip"] == current)
            states = self.sample(2.5)
            seen = collapse([first["colour"]] + [s["colour"] for s in states])
            start = six.index(seen[0])
            self.assertEqual(seen, six[start:start + len(seen)])
            self.assertGreaterEqual(len(seen), 2)

            r = run([ftp_exe, "send", "local", "--end", pictures[2]])
            self.assertEqual(r.returncode, 0, r.stderr + r.stdout)
            self.wait_for("the stopped text", lambda s: s["status"] == TEXT_STOPPED)
        finally:
            server.terminate()
            server.wait(10)

    def caption(self):
        return self.driver.execute_script("""
            const c = document.getElementById('caption');
            return [c.textContent, c.children.length, getComputedStyle(c).color];""")

    def screenshot(self, name):
        target = os.environ.get("KARONE_WEB_SCREENSHOT_DIR")
        if target:
            os.makedirs(target, exist_ok=True)
            self.driver.save_screenshot(os.path.join(target, name))


if __name__ == "__main__":
    reason = missing_prerequisite()
    if reason:
        print("viewer test skipped: " + reason)
        sys.exit(SKIPPED)
    unittest.main(verbosity=2)

"""The program run as a user runs it, for scripts that measure or picture it.

A Session keeps everything in a temporary folder of its own: the project's
FTP test server on 127.0.0.1 (tests/support/ftp_test_server.py), the
program's folders (XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_STATE_HOME, TEMP),
an X server of its own (Xvfb, on a free display number) and karone-server.
Nothing of the user's is read or written, and no traffic leaves 127.0.0.1.
Closing the session ends every process it started and removes the folder.

    with Session(build="build/release") as s:
        port = s.start_ftp()
        s.import_data({"profiles": [s.profile("live", port)], "schedules": []})
        s.start_xvfb()
        program = s.start_program(["--start", "--profile", "live"])
"""

import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
PYTHON = "/usr/bin/python3"  # the one with Debian's pyftpdlib
TEST_PATTERN = "Karone Test Pattern"


def wait_until(done, seconds, step=0.1):
    end = time.time() + seconds
    while time.time() < end:
        if done():
            return True
        time.sleep(step)
    return done()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class ProcessUsage:
    """CPU time and resident memory of one process, from /proc."""

    TICKS = os.sysconf("SC_CLK_TCK")

    def __init__(self, pid):
        self.pid = pid

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        # utime and stime are the 14th and 15th fields; the split starts at
        # the 3rd.
        return (int(fields[11]) + int(fields[12])) / self.TICKS

    def rss_mib(self):
        with open("/proc/%d/status" % self.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024.0
        return 0.0

    def threads(self):
        return len(os.listdir("/proc/%d/task" % self.pid))


class Session:
    def __init__(self, build=None, keep=False, prefix="karone-session-"):
        build = build or os.path.join(SOURCE, "build", "release")
        self.server_binary = os.path.join(build, "app", "server", "karone-server")
        self.store_binary = os.path.join(build, "tools", "karone_store", "karone-store")
        self.capture_binary = os.path.join(build, "tools", "karone_capture", "karone-capture")
        for binary in (self.server_binary, self.store_binary):
            if not os.path.exists(binary):
                raise SystemExit("%s is missing (cmake --preset release && cmake --build --preset "
                                 "release --target karone-server karone-store)" % binary)
        self.keep = keep
        self.work = tempfile.mkdtemp(prefix=prefix)
        self.procs = []
        self.display = None
        self.ftp_root = None
        self.transcript = None
        self.env = dict(os.environ)
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "TEMP"):
            self.env[name] = os.path.join(self.work, name.lower())
            os.makedirs(self.env[name])
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.work, "runtime")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.env.pop("TMPDIR", None)
        self.env.pop("DISPLAY", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["QT_QPA_PLATFORM"] = "xcb"

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def _spawn(self, args, log_name, **kw):
        log = open(self.path(log_name), "w")
        proc = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, **kw)
        self.procs.append(proc)
        return proc

    # --- The FTP server ---

    def start_ftp(self, user="karone", password="secret"):
        """Starts the test server; returns its port."""
        self.ftp_root = self.path("ftp")
        os.makedirs(self.ftp_root)
        port_file = self.path("ftp.port")
        self.transcript = self.path("ftp.transcript")
        faults = self.path("ftp.faults")
        open(faults, "w").close()
        self._spawn([PYTHON, os.path.join(SOURCE, "tests/support/ftp_test_server.py"),
                     "--root", self.ftp_root, "--port-file", port_file,
                     "--transcript", self.transcript, "--faults", faults,
                     "--user", user, "--password", password], "ftp.log")
        if not wait_until(lambda: os.path.exists(port_file) and open(port_file).read().strip(), 10):
            raise SystemExit("the FTP test server did not start; see %s" % self.path("ftp.log"))
        return int(open(port_file).read().strip())

    def stored_strips(self):
        """The strips the server was sent, in order (file names)."""
        names = []
        if not self.transcript or not os.path.exists(self.transcript):
            return names
        with open(self.transcript, encoding="utf-8", errors="replace") as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 3 and parts[1] == "STOR":
                    name = parts[2].rsplit("/", 1)[-1]
                    if name.startswith("motion_img_"):
                        names.append(name)
        return names

    # --- Network cameras ---

    def start_camera(self, protocol, codec="mjpeg", width=None, height=None, fps=None,
                     name="camera", pattern=None, scroll=None):
        """Starts tests/support/camera_test_server.py; returns the stream's URL.

        Size, rate and picture default to the server's own (still colour bars,
        320 x 240 at 15 fps)."""
        ready = self.path(name + ".port")
        args = [PYTHON, os.path.join(SOURCE, "tests/support/camera_test_server.py"),
                "--protocol", protocol, "--codec", codec, "--ready-file", ready]
        for option, value in (("--width", width), ("--height", height), ("--fps", fps),
                              ("--pattern", pattern), ("--scroll", scroll)):
            if value is not None:
                args += [option, str(value)]
        camera = self._spawn(args, name + ".log")
        if not wait_until(lambda: os.path.exists(ready) or camera.poll() is not None, 60):
            raise SystemExit("the camera test server did not start; see %s"
                             % self.path(name + ".log"))
        if camera.poll() is not None:
            raise SystemExit("the camera test server ended (status %s); see %s"
                             % (camera.returncode, self.path(name + ".log")))
        port = int(open(ready).read().strip())
        if protocol == "rtsp":
            return "rtsp://127.0.0.1:%d/stream" % port
        return "http://127.0.0.1:%d/stream.mjpg" % port

    def add_network_camera(self, name, url):
        """Adds a camera as the operator does (`karone-capture add NAME URL`)."""
        if not os.path.exists(self.capture_binary):
            raise SystemExit("%s is missing (cmake --build --preset release --target "
                             "karone-capture)" % self.capture_binary)
        subprocess.run([self.capture_binary, "add", name, url], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    # --- The program's files ---

    @staticmethod
    def profile(name, port, user="karone", password="secret", address="127.0.0.1"):
        return {"name": name, "address": address, "userId": user, "password": password,
                "uploadDirectory": "", "port": port, "bufferClipCount": 10, "keepBuffers": 0,
                "dialupEntry": "", "dialupUser": "", "dialupPassword": "", "useDialup": 0,
                "passiveMode": 1}

    def import_data(self, data):
        path = self.path("data.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(data, f, ensure_ascii=False)
        subprocess.run([self.store_binary, "import", path], env=self.env, check=True,
                       stdout=subprocess.DEVNULL)

    def write_settings(self, values):
        folder = os.path.join(self.env["XDG_CONFIG_HOME"], "Brenko", "Tamblor")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Encoder.conf"), "w", encoding="utf-8") as f:
            for name, value in values.items():
                f.write("%s=%s\n" % (name, value))

    # --- The display and the program ---

    def start_xvfb(self, width=1280, height=800):
        """Starts an X server (black screen) on a free display; returns its name (":N")."""
        read, write = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write), "-screen", "0",
                     "%dx%dx24" % (width, height), "-br", "-nolisten", "tcp"], "xvfb.log",
                    pass_fds=(write,))
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as r:
            while not number.endswith(b"\n"):
                chunk = r.read(1)
                if not chunk:
                    raise SystemExit("Xvfb did not start; see %s" % self.path("xvfb.log"))
                number += chunk
        self.display = ":" + number.decode().strip()
        self.env["DISPLAY"] = self.display
        return self.display

    @property
    def xvfb(self):
        for p in self.procs:
            if os.path.basename(p.args[0]) == "Xvfb":
                return p
        return None

    def start_program(self, args, log_name="karone-server.log"):
        return self._spawn([self.server_binary] + list(args), log_name, env=self.env)

    def start_process(self, args, log_name):
        """Starts any other program in the session's environment (ended at close)."""
        return self._spawn(list(args), log_name, env=self.env)

    def read_log(self, log_name):
        with open(self.path(log_name), encoding="utf-8", errors="replace") as f:
            return f.read()

    def stop(self, proc, timeout=20):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.kill()
                p.wait()
        if self.keep:
            print("session files kept in %s" % self.work)
        else:
            shutil.rmtree(self.work, ignore_errors=True)

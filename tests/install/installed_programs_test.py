#!/usr/bin/python3
"""The programs as a user gets them: installed, then moved elsewhere.

Installs the build into a temporary DESTDIR, moves the installed tree to
another prefix (so that nothing can lean on the install prefix the build was
configured with, nor on the build or source folder) and runs the installed
programs from there with folders of their own: --version and --help of each,
the installed files where the desktop, man and systemd look, karone-ftp
install-viewer uploading the installed viewer page, and a short headless
broadcast to the project's FTP test server on 127.0.0.1.

    installed_programs_test.py BUILD_DIR VERSION CMAKE
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from program_session import Session, TEST_PATTERN, wait_until  # noqa: E402

PROGRAMS = ("karone-server", "karone-store", "karone-ftp", "karone-capture")
MARK = "<!-- the installed copy -->\n"
BUILD = VERSION = CMAKE = None


class InstalledPrograms(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="karone-install-")
        stage = os.path.join(cls.work, "stage")
        env = dict(os.environ, DESTDIR=stage)
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", "/usr"], env=env, check=True,
                       stdout=subprocess.DEVNULL)
        cls.prefix = os.path.join(cls.work, "moved", "opt", "karone")
        os.makedirs(os.path.dirname(cls.prefix))
        os.rename(os.path.join(stage, "usr"), cls.prefix)
        with open(cls.installed("share/karone-server/web/index.html"), "a") as f:
            f.write(MARK)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def installed(cls, path):
        return os.path.join(cls.prefix, path)

    def run_program(self, args, env=None):
        return subprocess.run([self.installed("bin/" + args[0])] + args[1:], env=env,
                              cwd=self.work, capture_output=True, text=True, timeout=30)

    def test_every_program_answers_version_and_help(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                version = self.run_program([program, "--version"])
                self.assertEqual((version.returncode, version.stdout),
                                 (0, "%s %s\n" % (program, VERSION)), version.stderr)
                usage = self.run_program([program, "--help"])
                self.assertEqual(usage.returncode, 0, usage.stderr)
                self.assertIn(program, usage.stdout)

    def test_files_are_where_the_desktop_man_and_systemd_look(self):
        expected = ["share/man/man1/%s.1" % p for p in PROGRAMS] + [
            "share/icons/hicolor/scalable/apps/karone-server.svg",
            "share/icons/hicolor/48x48/apps/karone-server.png",
            "share/icons/hicolor/256x256/apps/karone-server.png",
            "share/karone-server/web/viewer.js", "share/karone-server/web/viewer.css"]
        for path in expected:
            self.assertTrue(os.path.isfile(self.installed(path)), path)
        for folder, suffix in (("share/applications", ".desktop"),
                               ("share/metainfo", ".metainfo.xml")):
            names = os.listdir(self.installed(folder))
            self.assertEqual([n for n in names if n.endswith(suffix)], names)
            self.assertEqual(len(names), 1, names)
        for unit in ("karone-server.service", "karone-server@.service"):
            with open(self.installed("lib/systemd/user/" + unit)) as f:
                text = f.read()
            self.assertRegex(text, r"(?m)^ExecStart=/\S*/bin/karone-server --headless$")
            self.assertNotIn("@", text.replace("karone-server@", "").replace("@cam1", ""))

    def test_install_viewer_and_a_headless_broadcast(self):
        with Session(build=BUILD, prefix="karone-installed-") as s:
            s.server_binary = self.installed("bin/karone-server")
            s.store_binary = self.installed("bin/karone-store")
            s.env["HOME"] = s.path("home")
            os.makedirs(s.env["HOME"])
            port = s.start_ftp()
            s.import_data({"profiles": [s.profile("live", port)], "schedules": []})
            s.write_settings({"iBufferSize": 5})

            viewer = self.run_program(["karone-ftp", "install-viewer", "live"], env=s.env)
            self.assertEqual(viewer.returncode, 0, viewer.stderr)
            with open(os.path.join(s.ftp_root, "index.html")) as f:
                self.assertTrue(f.read().endswith(MARK), "not the installed viewer page")

            program = s.start_program(["--headless", "--profile", "live", "--device",
                                       TEST_PATTERN, "--ftp-timeout", "3"])
            sent = wait_until(lambda: s.stored_strips() or program.poll() is not None, 40)

            def log():
                with open(s.path("karone-server.log"), encoding="utf-8", errors="replace") as f:
                    return f.read()
            self.assertTrue(sent and s.stored_strips(), log())
            program.send_signal(signal.SIGTERM)
            self.assertEqual(program.wait(timeout=40), 0, log())
            with open(os.path.join(s.ftp_root, "currfrme.html"), encoding="cp932", errors="replace") as f:
                self.assertIn("ServRun=0", f.read())


if __name__ == "__main__":
    BUILD, VERSION, CMAKE = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)

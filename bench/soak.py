#!/usr/bin/python3
"""Soak run of the headless broadcaster.

Runs `karone-server --headless` with the built-in test pattern against the
project's FTP test server on 127.0.0.1 (folders of its own, nothing of the
user's), at the highest rate the settings allow (5 frames a strip, one frame
a second), until N strips are published (default 2000). It reports resident
memory, open file descriptors and threads of the broadcaster at the start,
the middle and the end, the strips published, and the running numbers found
on the server: every STOR of a strip, which must count up without gaps or
repeats. Not part of CI (2000 strips take close to three hours).

  bench/soak.py [--strips N] [--server PATH]
"""

import argparse
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def sample(pid):
    """Resident memory (KiB), open descriptors and threads of a process."""
    rss = threads = 0
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
            elif line.startswith("Threads:"):
                threads = int(line.split()[1])
    fds = len(os.listdir("/proc/%d/fd" % pid))
    return {"rss_kib": rss, "fds": fds, "threads": threads}


def stored_numbers(transcript):
    numbers = []
    with open(transcript, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.search(r"STOR \S*motion_img_([0-9a-f]{8})\.jpg$", line.strip())
            if m:
                numbers.append(int(m.group(1), 16))
    return numbers


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--strips", type=int, default=2000)
    parser.add_argument("--server", default=os.path.join(SOURCE, "build/release/app/server/karone-server"))
    args = parser.parse_args()
    if not os.path.exists(args.server):
        sys.exit("soak: %s is missing (cmake --preset release && cmake --build --preset release)" % args.server)

    work = tempfile.mkdtemp(prefix="karone-soak-")
    procs = []
    try:
        root = os.path.join(work, "ftp")
        os.makedirs(root)
        port_file = os.path.join(work, "port")
        transcript = os.path.join(work, "transcript")
        faults = os.path.join(work, "faults")
        open(faults, "w").close()
        ftp = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(SOURCE, "tests/support/ftp_test_server.py"),
             "--root", root, "--port-file", port_file, "--transcript", transcript,
             "--faults", faults, "--user", "soak", "--password", "soak-pw"],
            stdout=open(os.path.join(work, "ftp.log"), "w"), stderr=subprocess.STDOUT)
        procs.append(ftp)
        for _ in range(100):
            if os.path.exists(port_file) and open(port_file).read().strip():
                break
            time.sleep(0.1)
        port = int(open(port_file).read().strip())

        env = dict(os.environ)
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "TEMP"):
            env[name] = os.path.join(work, name.lower())
            os.makedirs(env[name])
        # Settings at their fastest: five frames a strip.
        conf = os.path.join(env["XDG_CONFIG_HOME"], "Brenko", "Tamblor")
        os.makedirs(conf)
        with open(os.path.join(conf, "Encoder.conf"), "w") as f:
            f.write("iBufferSize=5\n")
        data = {"profiles": [{"name": "soak", "address": "127.0.0.1", "userId": "soak",
                              "password": "soak-pw", "uploadDirectory": "", "port": port,
                              "bufferClipCount": 10, "keepBuffers": 1, "dialupEntry": "",
                              "dialupUser": "", "dialupPassword": "", "useDialup": 0,
                              "passiveMode": 1}],
                "schedules": []}
        json_path = os.path.join(work, "data.json")
        with open(json_path, "w") as f:
            json.dump(data, f)
        store = os.path.join(os.path.dirname(os.path.dirname(args.server)), "..", "tools",
                             "karone_store", "karone-store")
        store = os.path.normpath(store)
        subprocess.run([store, "import", json_path], env=env, check=True)

        binary = os.path.join(work, "karone-server")
        shutil.copy(args.server, binary)
        log = open(os.path.join(work, "server.log"), "w")
        server = subprocess.Popen([binary, "--headless", "--profile", "soak"], env=env,
                                  stdout=log, stderr=subprocess.STDOUT)
        procs.append(server)
        start = time.time()
        samples = {}
        time.sleep(10)
        samples["start"] = sample(server.pid)
        middle_taken = False
        while True:
            n = len(stored_numbers(transcript))
            if not middle_taken and n >= args.strips // 2:
                samples["middle"] = sample(server.pid)
                middle_taken = True
            if n >= args.strips:
                break
            if server.poll() is not None:
                sys.exit("soak: karone-server ended early (%s); see %s" % (server.returncode, work))
            time.sleep(5)
        samples["end"] = sample(server.pid)
        server.send_signal(signal.SIGTERM)
        status = server.wait(timeout=120)
        elapsed = time.time() - start

        numbers = stored_numbers(transcript)
        repeats = len(numbers) - len(set(numbers))
        gaps = sum(1 for a, b in zip(numbers, numbers[1:]) if b != a + 1)
        report = {"strips_published": len(numbers), "seconds": round(elapsed),
                  "first": numbers[0] if numbers else None, "last": numbers[-1] if numbers else None,
                  "gaps": gaps, "repeats": repeats, "exit_status": status, "samples": samples}
        print(json.dumps(report, indent=2))
        return 0 if gaps == 0 and repeats == 0 and status == 0 else 1
    finally:
        for p in procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

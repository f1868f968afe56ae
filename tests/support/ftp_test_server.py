#!/usr/bin/python3
"""A small FTP server for the tests, on pyftpdlib, with fault injection.

It listens on 127.0.0.1 on a free port (written to --port-file once it
listens), serves --root to one user, and appends every command it receives
to --transcript as "<connection number> <command line>" (a "<n> CONNECT"
line starts each connection). PASS arguments are recorded as "PASS ****".

Faults are read from --faults (a JSON object, replaced atomically by the
test) before every command; counters start again whenever it changes:
  "refuse_login": true                  every PASS gets 530
  "fail_stor": {"nth": N, "code": 550}  the Nth STOR is answered with code
        "name": "currfrme_new.html"     only STORs of this file name count
        "every": true                   the Nth and every later one fail
        "partial": K                    the data is taken, K bytes of it are
                                        kept in the file, then the code is
                                        answered (a full disk does this)
  "die_on": {"command": "STOR", "nth": N}    the server process ends at once
                                    when that command arrives ("*": any)
  "die_during_stor": {"nth": N, "after": K}  the server process ends in the
                                    middle of the Nth STOR, once K bytes are
                                    in the file ("name" as for fail_stor)
  "drop_on": {"command": "LIST", "nth": N}    close the control connection
                                    ("every": true: on the Nth and every later one)
  "freeze_on": {"command": "STOR", "nth": N}  never answer that command
                                              (nor any later one)
  "freeze_greeting": true               new connections get no greeting
  "delay": seconds                      wait before handling each command
  "listing": "/path/file"               LIST sends this file's bytes verbatim
"""

import argparse
import json
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

STATE = {"faults": {}, "raw": None, "counts": {}, "connections": 0, "frozen": False}
ARGS = None


def record(number, line):
    with open(ARGS.transcript, "a", encoding="utf-8", errors="backslashreplace") as out:
        out.write("%d %s\n" % (number, line))


def load_faults():
    try:
        with open(ARGS.faults, "rb") as f:
            raw = f.read()
    except OSError:
        raw = b""
    if raw != STATE["raw"]:
        STATE["raw"] = raw
        STATE["counts"] = {}
        STATE["frozen"] = False
        try:
            STATE["faults"] = json.loads(raw.decode("utf-8")) if raw.strip() else {}
        except ValueError:
            STATE["faults"] = {}
    return STATE["faults"]


def hit(key, command, arg=""):
    """Counts a command against a fault; True when this is the Nth match."""
    fault = STATE["faults"].get(key)
    if not fault:
        return False
    wanted = fault.get("command", "STOR").upper()
    if wanted != "*" and command != wanted:
        return False
    name = fault.get("name")
    if name and os.path.basename(arg or "") != name:
        return False
    count = STATE["counts"].get(key, 0) + 1
    STATE["counts"][key] = count
    if fault.get("every"):
        return count >= int(fault.get("nth", 1))
    return count == int(fault.get("nth", 1))


def die(number, why):
    record(number, "DIED " + why)
    os._exit(3)


class FaultyFile:
    """The file of one STOR under a fault: keeps only `keep` bytes, or ends
    the server once `die_after` bytes are written."""

    def __init__(self, fd, number, keep=None, code=None, die_after=None):
        self._fd = fd
        self._number = number
        self._keep = keep
        self._written = 0
        self._die_after = die_after
        self.fail_code = code

    def write(self, chunk):
        if self._die_after is not None:
            room = self._die_after - self._written
            self._fd.write(chunk[:max(room, 0)])
            self._written += len(chunk)
            if self._written >= self._die_after:
                self._fd.flush()
                os.fsync(self._fd.fileno())
                die(self._number, "during STOR")
            return len(chunk)
        if self._keep is not None:
            room = self._keep - self._written
            if room > 0:
                self._fd.write(chunk[:room])
        else:
            self._fd.write(chunk)
        self._written += len(chunk)
        return len(chunk)

    def __getattr__(self, name):
        return getattr(self._fd, name)


class FaultyDTPHandler(DTPHandler):
    """Answers a STOR whose file carries a failure code with that code
    instead of 226, whatever arrived."""

    def handle_close(self):
        code = getattr(self.file_obj, "fail_code", None)
        if code and not self._closed and self.receive:
            self.transfer_finished = False
            self._resp = ("%d %s" % (code, reply_text(code)), lambda *a: None)
            self.close()
            return
        super().handle_close()


def reply_text(code):
    return "Insufficient storage space." if code == 452 else "Not allowed."


class Mixin:
    auth_failed_timeout = 0.05
    number = 0

    def handle(self):
        STATE["connections"] += 1
        self.number = STATE["connections"]
        record(self.number, "CONNECT")
        if load_faults().get("freeze_greeting") or STATE["frozen"]:
            return
        super().handle()

    def pre_process_command(self, line, cmd, arg):
        faults = load_faults()
        shown = "PASS ****" if cmd == "PASS" else line
        record(self.number, shown)
        if STATE["frozen"]:
            return
        delay = float(faults.get("delay", 0) or 0)
        if delay > 0:
            time.sleep(delay)
        if hit("die_on", cmd, arg):
            die(self.number, line)
        if hit("freeze_on", cmd):
            STATE["frozen"] = True
            return
        if hit("drop_on", cmd):
            self.close()
            return
        if cmd == "PASS" and faults.get("refuse_login"):
            self.respond("530 Authentication failed.")
            return
        self._stor_fault = None
        if cmd == "STOR":
            fault = faults.get("fail_stor")
            if fault and hit("fail_stor", "STOR", arg):
                code = int(fault.get("code", 550))
                if fault.get("partial") is None:
                    self.respond("%d %s" % (code, reply_text(code)))
                    return
                self._stor_fault = {"keep": int(fault["partial"]), "code": code}
            fault = faults.get("die_during_stor")
            if fault and hit("die_during_stor", "STOR", arg):
                self._stor_fault = {"die_after": int(fault.get("after", 0))}
        super().pre_process_command(line, cmd, arg)

    def ftp_STOR(self, file, mode="w"):
        result = super().ftp_STOR(file, mode)
        fault = getattr(self, "_stor_fault", None)
        self._stor_fault = None
        if fault and result is not None:
            def wrap(fd):
                return FaultyFile(fd, self.number, keep=fault.get("keep"),
                                  code=fault.get("code"), die_after=fault.get("die_after"))
            if self.data_channel is not None and self.data_channel.file_obj is not None:
                self.data_channel.file_obj = wrap(self.data_channel.file_obj)
            elif self._in_dtp_queue is not None:
                fd, command = self._in_dtp_queue
                self._in_dtp_queue = (wrap(fd), command)
        return result

    def ftp_LIST(self, path):
        listing = STATE["faults"].get("listing")
        if listing:
            with open(listing, "rb") as f:
                data = f.read()
            self.push_dtp_data(data, isproducer=False, cmd="LIST")
            return path
        return super().ftp_LIST(path)


class Handler(Mixin, FTPHandler):
    pass


class TlsHandler(Mixin, TLS_FTPHandler):
    pass


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--transcript", required=True)
    parser.add_argument("--faults", required=True)
    parser.add_argument("--user", default="karone")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--idle-timeout", type=float, default=300)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--port", type=int, default=0)
    ARGS = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(ARGS.user, ARGS.password, ARGS.root, perm="elradfmwMT")
    handler = TlsHandler if ARGS.tls_cert else Handler
    handler.authorizer = authorizer
    handler.timeout = ARGS.idle_timeout
    handler.banner = "karone test server ready."
    handler.passive_ports = None
    if not ARGS.tls_cert:
        handler.dtp_handler = FaultyDTPHandler
    if ARGS.tls_cert:
        handler.certfile = ARGS.tls_cert
        handler.keyfile = ARGS.tls_key
        handler.tls_control_required = True
        handler.tls_data_required = True

    import logging
    logging.basicConfig(level=logging.DEBUG if os.environ.get("KARONE_FTP_SERVER_DEBUG") else logging.CRITICAL)
    server = FTPServer(("127.0.0.1", ARGS.port), handler)
    port = server.socket.getsockname()[1]
    tmp = ARGS.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.rename(tmp, ARGS.port_file)
    try:
        server.serve_forever(timeout=0.2, handle_exit=True)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

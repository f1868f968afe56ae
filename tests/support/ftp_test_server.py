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
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
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


def hit(key, command):
    """Counts a command against a fault; True when this is the Nth match."""
    fault = STATE["faults"].get(key)
    if not fault:
        return False
    wanted = fault.get("command", "STOR").upper()
    if command != wanted:
        return False
    count = STATE["counts"].get(key, 0) + 1
    STATE["counts"][key] = count
    if fault.get("every"):
        return count >= int(fault.get("nth", 1))
    return count == int(fault.get("nth", 1))


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
        if hit("freeze_on", cmd):
            STATE["frozen"] = True
            return
        if hit("drop_on", cmd):
            self.close()
            return
        if cmd == "PASS" and faults.get("refuse_login"):
            self.respond("530 Authentication failed.")
            return
        if cmd == "STOR":
            fault = faults.get("fail_stor")
            if fault:
                fault.setdefault("command", "STOR")
                if hit("fail_stor", "STOR"):
                    code = int(fault.get("code", 550))
                    text = "Insufficient storage space." if code == 452 else "Not allowed."
                    self.respond("%d %s" % (code, text))
                    return
        super().pre_process_command(line, cmd, arg)

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
    ARGS = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(ARGS.user, ARGS.password, ARGS.root, perm="elradfmwMT")
    handler = TlsHandler if ARGS.tls_cert else Handler
    handler.authorizer = authorizer
    handler.timeout = ARGS.idle_timeout
    handler.banner = "karone test server ready."
    handler.passive_ports = None
    if ARGS.tls_cert:
        handler.certfile = ARGS.tls_cert
        handler.keyfile = ARGS.tls_key
        handler.tls_control_required = True
        handler.tls_data_required = True

    import logging
    logging.basicConfig(level=logging.DEBUG if os.environ.get("KARONE_FTP_SERVER_DEBUG") else logging.CRITICAL)
    server = FTPServer(("127.0.0.1", 0), handler)
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

#!/usr/bin/python3
"""An SFTP server for the tests that log in with a password: Paramiko on
127.0.0.1, one user and password, password or keyboard-interactive log-in
(one or both offered), serving a folder on disk as "/". It writes its port
to --port-file once it listens, and its own host key is made at start.

Only for tests on the loopback address: one thread per connection, no
limits."""

import argparse
import os
import socket
import threading

import paramiko
from paramiko import SFTPAttributes, SFTPHandle, SFTPServer, SFTPServerInterface
from paramiko.sftp import SFTP_FAILURE, SFTP_NO_SUCH_FILE, SFTP_OK


class Auth(paramiko.ServerInterface):
    def __init__(self, args):
        self.args = args

    def get_allowed_auths(self, username):
        return ",".join(self.args.methods)

    def check_auth_password(self, username, password):
        if "password" in self.args.methods and (username, password) == (
                self.args.user, self.args.password):
            return paramiko.AUTH_SUCCESSFUL
        return paramiko.AUTH_FAILED

    def check_auth_interactive(self, username, submethods):
        if "keyboard-interactive" not in self.args.methods or username != self.args.user:
            return paramiko.AUTH_FAILED
        query = paramiko.InteractiveQuery("", "")
        query.add_prompt("Password: ", False)
        return query

    def check_auth_interactive_response(self, responses):
        if list(responses) == [self.args.password]:
            return paramiko.AUTH_SUCCESSFUL
        return paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        return paramiko.OPEN_SUCCEEDED if kind == "session" else \
            paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


class Handle(SFTPHandle):
    def stat(self):
        try:
            return SFTPAttributes.from_stat(os.fstat(self.readfile.fileno()))
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)


class Folder(SFTPServerInterface):
    ROOT = "/"

    def _local(self, path):
        path = os.path.normpath("/" + path).lstrip("/")
        return os.path.join(self.ROOT, path)

    def canonicalize(self, path):
        return os.path.normpath("/" + path)

    def list_folder(self, path):
        try:
            out = []
            for name in os.listdir(self._local(path)):
                attr = SFTPAttributes.from_stat(os.lstat(os.path.join(self._local(path), name)))
                attr.filename = name
                out.append(attr)
            return out
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)

    def stat(self, path):
        try:
            return SFTPAttributes.from_stat(os.stat(self._local(path)))
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)

    lstat = stat

    def open(self, path, flags, attr):
        try:
            fd = os.open(self._local(path), flags, 0o644)
            mode = "wb" if flags & os.O_WRONLY else ("r+b" if flags & os.O_RDWR else "rb")
            f = os.fdopen(fd, mode)
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)
        handle = Handle(flags)
        handle.filename = self._local(path)
        handle.readfile = f
        handle.writefile = f
        return handle

    def remove(self, path):
        try:
            os.remove(self._local(path))
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)
        return SFTP_OK

    def rename(self, old, new):
        if os.path.exists(self._local(new)):
            return SFTP_FAILURE
        try:
            os.rename(self._local(old), self._local(new))
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)
        return SFTP_OK


def serve(connection, args, key):
    transport = paramiko.Transport(connection)
    transport.add_server_key(key)
    transport.set_subsystem_handler("sftp", paramiko.SFTPServer, Folder)
    try:
        transport.start_server(server=Auth(args))
        while transport.is_active():
            transport.join(1)
    except Exception:
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--methods", default="password,keyboard-interactive")
    args = parser.parse_args()
    args.methods = args.methods.split(",")
    Folder.ROOT = args.root
    key = paramiko.Ed25519Key.from_private_key_file(args.root + "/../host_key") \
        if os.path.exists(args.root + "/../host_key") else paramiko.ECDSAKey.generate()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    with open(args.port_file + ".tmp", "w") as f:
        f.write("%d\n" % listener.getsockname()[1])
    os.rename(args.port_file + ".tmp", args.port_file)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection, args, key), daemon=True).start()


if __name__ == "__main__":
    main()

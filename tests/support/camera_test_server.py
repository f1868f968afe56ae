#!/usr/bin/python3
"""A network camera for tests, on 127.0.0.1.

  camera_test_server.py --protocol rtsp|http --codec h264|mjpeg --port N
                        --ready-file FILE [--user U] (password in the
                        CAMERA_TEST_PASSWORD environment variable)
                        [--width W --height H --fps F]
                        [--pattern NAME] [--scroll PIXELS]

rtsp: GStreamer's RTSP server publishing still colour bars (320 x 240 at
15 fps unless told otherwise) at /stream, encoded as H.264 or JPEG; one
encoding shared by all clients. http: multipart MJPEG of the same bars at
/stream.mjpg (one second of frames, repeated). --pattern takes any of
videotestsrc's patterns, --scroll moves the picture by that many pixels a
frame. With a user, both ask for basic authentication. When it listens, the
port is written to the ready file as one line.
"""
import argparse
import base64
import os
import socketserver
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, HTTPServer

import gi

gi.require_version("Gst", "1.0")
from gi.repository import Gst, GLib  # noqa: E402


def bars(args):
    return ("videotestsrc is-live=true pattern=%s horizontal-speed=%d ! "
            "video/x-raw,format=I420,width=%d,height=%d,framerate=%d/1"
            % (args.pattern, args.scroll, args.width, args.height, args.fps))


def announce(path, port):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.rename(tmp, path)


def serve_rtsp(args, password):
    gi.require_version("GstRtspServer", "1.0")
    from gi.repository import GstRtspServer

    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))
    factory = GstRtspServer.RTSPMediaFactory()
    if args.codec == "h264":
        encode = ("x264enc tune=zerolatency speed-preset=ultrafast key-int-max=15 ! "
                  "rtph264pay name=pay0 pt=96 config-interval=1")
    else:
        encode = "jpegenc ! rtpjpegpay name=pay0 pt=26"
    factory.set_launch("( %s ! %s )" % (bars(args), encode))
    factory.set_shared(True)
    if args.user:
        auth = GstRtspServer.RTSPAuth()
        token = GstRtspServer.RTSPToken()
        token.set_string("media.factory.role", "viewer")
        auth.add_basic(GstRtspServer.RTSPAuth.make_basic(args.user, password), token)
        server.set_auth(auth)
        permissions = GstRtspServer.RTSPPermissions()
        permissions.add_permission_for_role("viewer", "media.factory.access", True)
        permissions.add_permission_for_role("viewer", "media.factory.construct", True)
        factory.set_permissions(permissions)
    server.get_mount_points().add_factory("/stream", factory)
    if server.attach(None) == 0:
        sys.exit("cannot listen on port %d" % args.port)
    announce(args.ready_file, server.get_bound_port())
    GLib.MainLoop().run()


def jpeg_frames(args, count):
    pipeline = Gst.parse_launch(
        bars(args) + " ! jpegenc ! appsink name=sink sync=false max-buffers=%d" % count)
    sink = pipeline.get_by_name("sink")
    pipeline.set_state(Gst.State.PLAYING)
    frames = []
    while len(frames) < count:
        sample = sink.emit("pull-sample")
        buffer = sample.get_buffer()
        frames.append(buffer.extract_dup(0, buffer.get_size()))
    pipeline.set_state(Gst.State.NULL)
    return frames


def serve_http(args, password):
    frames = jpeg_frames(args, args.fps)
    expected = None
    if args.user:
        expected = "Basic " + base64.b64encode(
            ("%s:%s" % (args.user, password)).encode()).decode()

    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *unused):
            pass

        def do_GET(self):
            if expected is not None and self.headers.get("Authorization") != expected:
                self.send_response(401)
                self.send_header("WWW-Authenticate", 'Basic realm="camera"')
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if self.path != "/stream.mjpg":
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Type", "multipart/x-mixed-replace; boundary=frame")
            self.end_headers()
            try:
                n = 0
                due = time.monotonic()
                while True:
                    jpeg = frames[n % len(frames)]
                    self.wfile.write(b"--frame\r\nContent-Type: image/jpeg\r\n"
                                     b"Content-Length: %d\r\n\r\n" % len(jpeg))
                    self.wfile.write(jpeg)
                    self.wfile.write(b"\r\n")
                    self.wfile.flush()
                    n += 1
                    # Paced by the clock, so that writing a large frame does
                    # not slow the rate; after a pause (a stopped server) the
                    # rate starts afresh instead of catching up.
                    due += 1 / args.fps
                    now = time.monotonic()
                    if due < now - 1 / args.fps:
                        due = now
                    time.sleep(max(0.0, due - now))
            except (BrokenPipeError, ConnectionResetError):
                pass

    class Server(socketserver.ThreadingMixIn, HTTPServer):
        daemon_threads = True
        allow_reuse_address = True

    httpd = Server(("127.0.0.1", args.port), Handler)
    announce(args.ready_file, httpd.server_address[1])
    httpd.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--protocol", choices=["rtsp", "http"], required=True)
    parser.add_argument("--codec", choices=["h264", "mjpeg"], default="mjpeg")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--ready-file", required=True)
    parser.add_argument("--user", default="")
    parser.add_argument("--width", type=int, default=320)
    parser.add_argument("--height", type=int, default=240)
    parser.add_argument("--fps", type=int, default=15)
    parser.add_argument("--pattern", default="smpte75")
    parser.add_argument("--scroll", type=int, default=0)
    args = parser.parse_args()
    password = os.environ.get("CAMERA_TEST_PASSWORD", "")
    Gst.init(None)
    if args.protocol == "rtsp":
        serve_rtsp(args, password)
    else:
        serve_http(args, password)


if __name__ == "__main__":
    main()

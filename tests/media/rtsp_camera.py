#!/usr/bin/python3
"""A camera for the tests: GStreamer's RTSP server on loopback with two
mounts, "/h264" (a 320x240 H.264 test pattern) and "/mjpeg" (the same as
MJPEG), and a TCP relay in front of it that the test can freeze.

Prints "RTSP <port> RELAY <port>" once both listen. A line "freeze" on
standard input stops the relay forwarding on every connection open at that
moment (connections made later flow normally); "quit" or the end of input
stops everything."""
import socket
import sys
import threading

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

Gst.init(None)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_server(port):
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(port))
    mounts = server.get_mount_points()
    source = "videotestsrc is-live=true pattern=ball ! video/x-raw,format=I420,width=320,height=240,framerate=25/1"
    for path, launch in (
        ("/h264", f"( {source} ! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 "
                  "! rtph264pay name=pay0 pt=96 )"),
        ("/mjpeg", f"( {source} ! jpegenc ! rtpjpegpay name=pay0 pt=26 )"),
    ):
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch(launch)
        factory.set_shared(True)
        mounts.add_factory(path, factory)
    server.attach(None)


class Relay:
    def __init__(self, target_port):
        self.target_port = target_port
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.lock = threading.Lock()
        self.open = []  # frozen flags of open connections
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            client, _ = self.listener.accept()
            upstream = socket.create_connection(("127.0.0.1", self.target_port))
            state = {"frozen": False}
            with self.lock:
                self.open.append(state)
            for a, b in ((client, upstream), (upstream, client)):
                threading.Thread(target=self.pump, args=(a, b, state), daemon=True).start()

    @staticmethod
    def pump(src, dst, state):
        try:
            while True:
                data = src.recv(65536)
                if not data:
                    break
                if state["frozen"]:
                    continue
                dst.sendall(data)
        except OSError:
            pass

    def freeze(self):
        with self.lock:
            for state in self.open:
                state["frozen"] = True


def main():
    port = free_port()
    start_server(port)
    relay = Relay(port)
    loop = GLib.MainLoop()
    threading.Thread(target=loop.run, daemon=True).start()
    print(f"RTSP {port} RELAY {relay.port}", flush=True)
    for line in sys.stdin:
        if line.strip() == "freeze":
            relay.freeze()
            print("frozen", flush=True)
        elif line.strip() == "quit":
            break
    loop.quit()


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""A preset library on loopback for the browser tests, built on Python's
http.server: "<folder>/?list=all" answers the names, "<folder>/files/<name>.<ext>"
the files. Some folders and names misbehave on purpose (missing, empty,
dropped, slow, too large).

Prints "PORT <n>" once it listens, then "GET <raw path>" for every request,
so a test sees exactly what went over the wire."""

import socket
import sys
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PRESET = """<?xml version="1.0" encoding="UTF-8"?>
<variables key="%s">
 <variable key="server_preset_channel" displayName="Pr\u00fcfstand preset"/>
</variables>
"""

LISTS = {
    # CR LF line ends, an empty line, capitals, names to refuse, and names
    # that need percent-encoding.
    "presets": "b\r\n\r\na\r\nB\r\n  Dyno 500 \u00fc  \r\n../escape\r\nsub/dir\r\n.hidden\r\n"
               "back\\slash\r\ntab\there\r\nC#1 50%?\r\n",
    "drivecycles": "NEDC\nWLTC class 3\n",
    "broken": "drop\nempty\nhuge\nmissing\nslow\nstream\n",
    "channelsettings": "Engine test\n",
    "channelsettings_analyze": "Engine test\n",
    "slow": "late\n",
}

FILES = {
    ("presets", "a.xml"): "<preset name=\"a\"/>\n",
    ("presets", "b.xml"): "<preset name=\"b\"/>\n",
    ("presets", "B.xml"): "<preset name=\"B\"/>\n",
    ("presets", "Dyno 500 \u00fc.xml"): "<preset name=\"Dyno 500 \u00fc\" note=\"\u00b0C \u00b5s\"/>\n",
    ("presets", "C#1 50%?.xml"): "<preset name=\"C#1 50%?\"/>\n",
    ("drivecycles", "NEDC.txt"): "0 0\n1 0.5\n2 1.2\n",
    ("broken", "slow.xml"): "<preset name=\"slow\"/>\n",
    ("channelsettings", "Engine test.xml"): PRESET % "run",
    ("channelsettings_analyze", "Engine test.xml"): PRESET % "analyze",
}

MIB = 1024 * 1024


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def answer(self, status, body, length=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.end_headers()
        self.wfile.write(body)

    def drop(self):
        # Promises a body it never finishes.
        self.send_response(200)
        self.send_header("Content-Length", "1000")
        self.end_headers()
        self.wfile.write(b"0123456789")
        self.wfile.flush()
        self.close_connection = True
        self.connection.shutdown(socket.SHUT_RDWR)

    def stream(self, announced):
        # Sends far more than any limit: with its size announced, or without
        # one, until the client hangs up.
        self.send_response(200)
        if announced:
            self.send_header("Content-Length", str(64 * MIB))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        chunk = b"x" * 65536
        try:
            for _ in range(64 * MIB // len(chunk)):
                self.wfile.write(chunk)
        except OSError:
            pass

    def misbehave(self, what):
        if what == "missing":
            self.answer(404, b"not here")
        elif what == "empty":
            self.answer(200, b"")
        elif what == "drop":
            self.drop()
        elif what in ("huge", "stream"):
            self.stream(what == "huge")
        else:
            return False
        return True

    def do_GET(self):
        print("GET " + self.path, flush=True)
        parsed = urllib.parse.urlsplit(self.path)
        parts = parsed.path.split("/")
        folder = parts[1] if len(parts) > 1 else ""
        if parsed.query == "list=all" and len(parts) == 3 and parts[2] == "":
            if folder == "slow":
                time.sleep(1.5)
            if folder in LISTS:
                self.answer(200, LISTS[folder].encode("utf-8"))
            elif not self.misbehave(folder):
                self.answer(404, b"no such library")
            return
        if len(parts) == 4 and parts[2] == "files":
            name = urllib.parse.unquote(parts[3])
            stem = name.rsplit(".", 1)[0]
            if folder == "broken" and stem == "slow":
                time.sleep(1.5)
            if (folder, name) in FILES:
                self.answer(200, FILES[(folder, name)].encode("utf-8"))
            elif not (folder == "broken" and self.misbehave(stem)):
                self.answer(404, b"no such file")
            return
        self.answer(404, b"unknown address")


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients that hang up on a dropped or oversized answer are expected.
        if not isinstance(sys.exc_info()[1], OSError):
            super().handle_error(request, client_address)


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())

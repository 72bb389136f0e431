#!/usr/bin/python3
"""The online desktop library on loopback, built on Python's http.server:
"desktops/?list=all" lists the names, "desktops/files/<name>.xml" serves a
desktop. Prints "PORT <n>" once it listens."""
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DESKTOP = """<widgets lockedEditing="0" lockedClosing="1" standalone="0">
 <timePlot x="0" y="0" w="400" h="250" stayOnTop="0"><setup historyLength="20"><left variableKey="dyno_speed" tickCount="5"/></setup></timePlot>
</widgets>
"""


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        path = urllib.parse.unquote(self.path)
        if path == "/desktops/?list=all":
            body = "Dyno layout\n"
        elif path == "/desktops/files/Dyno layout.xml":
            body = DESKTOP
        else:
            self.send_error(404)
            return
        data = body.encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("PORT %d" % server.server_address[1], flush=True)
server.serve_forever()

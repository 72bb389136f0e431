"""The update service for the updater test: Python's http.server on a free
loopback port. Prints "PORT <n>" once listening and one "GET <path>" line per
request. Replies from FOLDER:
  zembo/updates/index.php?version=B -> FOLDER/version-B.txt
  zembo/updates/?changelog=V        -> FOLDER/changelog.txt
  zembo/updates/B/FILE              -> FOLDER/B/FILE
  a missing file                    -> 404; the file "hang" makes the server
  never answer (time-out checks)."""
import http.server
import os
import shutil
import sys
import time
import urllib.parse

FOLDER = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        print("GET " + self.path, flush=True)
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path.endswith("index.php") and "version" in query:
            name = "version-" + query["version"][0] + ".txt"
        elif "changelog" in query:
            name = "changelog.txt"
        else:
            name = url.path[len("/zembo/updates/"):]
        if os.path.exists(os.path.join(FOLDER, "hang")):
            time.sleep(30)
            return
        path = os.path.join(FOLDER, name)
        if not os.path.isfile(path):
            self.send_error(404)
            return
        # Streamed, so a large program file (the benchmark's) costs no memory here.
        self.send_response(200)
        self.send_header("Content-Length", str(os.path.getsize(path)))
        self.end_headers()
        with open(path, "rb") as f:
            shutil.copyfileobj(f, self.wfile, 1 << 20)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("PORT %d" % server.server_address[1], flush=True)
server.serve_forever()

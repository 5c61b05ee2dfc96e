#!/usr/bin/python3
"""A local webhook receiver for the tests: Python's http.server on 127.0.0.1. Prints "READY <port>"
once it listens and writes each POST to OUT/NNN.json (path, headers, body). The path chooses the
answers: /answer/503,200 answers 503 to the first request, then 200 to every later one; any other
path answers 200. Ends when its standard input closes."""
import json
import os
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
seen = {}


class Handler(BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with lock:
            n = seen.get(self.path, 0)
            seen[self.path] = n + 1
            name = "%03d.json" % sum(seen.values())
            with open(os.path.join(sys.argv[sys.argv.index("--out") + 1], name), "w") as f:
                json.dump({"path": self.path, "headers": dict(self.headers),
                           "body": body.decode("utf-8", "replace")}, f)
        codes = [200]
        if self.path.startswith("/answer/"):
            codes = [int(c) for c in self.path[len("/answer/"):].split(",")]
        code = codes[min(n, len(codes) - 1)]
        self.send_response(code)
        self.end_headers()
        self.wfile.write(b"answer %d" % code)

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
print("READY %d" % server.server_address[1], flush=True)
sys.stdin.read()
server.shutdown()

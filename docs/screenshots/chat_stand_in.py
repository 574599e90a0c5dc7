#!/usr/bin/env python3
"""An OpenAI-compatible chat server on 127.0.0.1 for screenshots: it streams a fixed reply a
piece every PAUSE seconds, so a picture taken meanwhile shows a reply still being written.
Prints its port on the first line."""
import json
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PIECES = ["Apple", ": the", " round", " fruit", " of the", " apple", " tree,", " with red,", " green", " or yellow", " skin."]
PAUSE = float(sys.argv[1]) if len(sys.argv) > 1 else 0.6


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        body = json.dumps({"data": [{"id": "stand-in"}]}).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        asked = json.loads(self.rfile.read(int(self.headers.get("Content-Length", 0))) or b"{}")
        if not asked.get("stream"):
            reply = {"choices": [{"message": {"role": "assistant", "content": "".join(PIECES)}}]}
            body = json.dumps(reply).encode()
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/event-stream")
        self.send_header("Connection", "close")
        self.end_headers()
        for piece in PIECES:
            chunk = {"choices": [{"delta": {"content": piece}}]}
            self.wfile.write(b"data: " + json.dumps(chunk, ensure_ascii=False).encode() + b"\n\n")
            self.wfile.flush()
            time.sleep(PAUSE)
        self.wfile.write(b"data: [DONE]\n\n")
        self.close_connection = True


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()

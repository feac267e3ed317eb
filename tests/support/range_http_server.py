#!/ usr / bin / env python3
"""Serves the files of one folder on 127.0.0.1 over HTTP/1.1 with byte ranges ("bytes=N-"),
for the tests and the benchmark of model downloads. Writes its port to the file given with
--port-file once it listens, and one line per request ("GET name range") to --log.

--cut-after N   the first response sends N bytes of its body, then drops the connection
--slow          sends 64 KiB every 50 ms (for stopping a download half-way)
--no-ranges     ignores Range headers and always sends the whole file (200)
--status CODE   answers every request with this status and no body
--endless       answers 200 without a length and sends bytes until the client goes away
--claim-length N  states N as the Content-Length (more than it sends)
--wrong-offset N  answers a range with 206 and a range starting N bytes after the one asked for
--drip          sends the body one byte every 100 ms
"""
import argparse
import http.server
import os
import sys
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        server = self.server
        name = os.path.basename(self.path)
        with server.lock:
            server.requests += 1
            first = server.requests == 1
            if server.log:
                with open(server.log, "a") as log:
                    log.write("GET %s %s\n" % (name, self.headers.get("Range", "-")))
        if server.options.status:
            self.send_response(server.options.status)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        path = os.path.join(server.options.folder, name)
        if not os.path.isfile(path):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if server.options.endless:
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            block = b"\0" * (64 * 1024)
            try:
                while True:
                    self.wfile.write(block)
            except OSError:
                return
        size = os.path.getsize(path)
        start = 0
        wanted = self.headers.get("Range", "")
        if wanted.startswith("bytes=") and wanted.endswith("-") and not server.options.no_ranges:
            start = int(wanted[6:-1])
            if start >= size:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            start = min(start + (server.options.wrong_offset or 0), size - 1)
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        else:
            self.send_response(200)
        self.send_header("Content-Length", str(server.options.claim_length or size - start))
        self.send_header("Accept-Ranges", "bytes")
        self.end_headers()
        self.wfile.flush()
        count = size - start
        cut = server.options.cut_after if first else None
        with open(path, "rb") as f:
            if cut is not None:
                self.connection.sendfile(f, start, min(cut, count))
                self.close_connection = True
                return
            if server.options.drip:
                f.seek(start)
                try:
                    while True:
                        byte = f.read(1)
                        if not byte:
                            return
                        self.wfile.write(byte)
                        self.wfile.flush()
                        time.sleep(0.1)
                except OSError:
                    return
            if not server.options.slow:
                self.connection.sendfile(f, start, count)
                return
            f.seek(start)
            while True:
                block = f.read(64 * 1024)
                if not block:
                    return
                self.wfile.write(block)
                self.wfile.flush()
                time.sleep(0.05)


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A client that goes away mid-body (as the tests make it) is no error of the server.
        if not isinstance(sys.exc_info()[1], OSError):
            super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    parser.add_argument("--cut-after", type=int)
    parser.add_argument("--slow", action="store_true")
    parser.add_argument("--no-ranges", action="store_true")
    parser.add_argument("--status", type=int)
    parser.add_argument("--endless", action="store_true")
    parser.add_argument("--claim-length", type=int)
    parser.add_argument("--wrong-offset", type=int)
    parser.add_argument("--drip", action="store_true")
    options = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.options = options
    server.log = options.log
    server.lock = threading.Lock()
    server.requests = 0
    temporary = options.port_file + ".tmp"
    with open(temporary, "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(temporary, options.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()

# A small HTTP file server on 127.0.0.1 for tests of remote rasters: GET and HEAD of the files in
# ROOT, single byte ranges ("bytes=a-b", "a-", "-n") answered 206 and counted, one line each with
# the bytes sent, in COUNT_FILE. Prints its port on the first line of standard output.
#   python3 range_server.py ROOT [COUNT_FILE]
import http.server, os, re, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *a): pass

    def send_head(self):
        path = self.translate_path(self.path)
        m = re.match(r"bytes=(\d*)-(\d*)$", self.headers.get("Range", ""))
        if not os.path.isfile(path) or not m or not (m.group(1) or m.group(2)):
            return super().send_head()
        size = os.path.getsize(path)
        if m.group(1):
            first, last = int(m.group(1)), min(int(m.group(2) or size - 1), size - 1)
        else:  # a suffix: the last n bytes
            first, last = max(0, size - int(m.group(2))), size - 1
        if first > last:
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % size)
            self.end_headers()
            return None
        if len(sys.argv) > 2:
            with open(sys.argv[2], "a") as count:
                count.write("%d\n" % (last - first + 1))
        self.send_response(206)
        self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, size))
        self.send_header("Content-Length", str(last - first + 1))
        self.end_headers()
        with open(path, "rb") as f:
            f.seek(first)
            self.wfile.write(f.read(last - first + 1))
        return None

os.chdir(sys.argv[1])
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
sys.stdout.write("%d\n" % server.server_address[1])
sys.stdout.flush()
server.serve_forever()

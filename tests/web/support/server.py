"""A static web server on 127.0.0.1 for the page's tests, its screenshot
and its benchmark, and for scripts/web:

    python3 -m support.server FOLDER PORT   (from tests/web)"""

import functools
import gzip
import http.server
import io
import os
import sys
import threading


def driver_eval_policy(page):
    """The page, its policy allowing eval."""
    return page.replace(b"script-src 'self'", b"script-src 'self' 'unsafe-eval'")


def allow_driver_eval(path):
    with open(path, "rb") as f:
        page = f.read()
    with open(path, "wb") as f:
        f.write(driver_eval_policy(page))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".webmanifest": "application/manifest+json"}

    def do_GET(self):
        # A file the site holds back is served once it is released, as a
        # slow network would serve it.
        name = os.path.basename(self.path.split("?")[0]) or "index.html"
        if name in self.server.refused:
            # No answer at all: the browser's request fails, as offline.
            self.close_connection = True
            return
        if name in self.server.held:
            self.server.held[name].wait(60)
        super().do_GET()

    def send_head(self):
        # A driver that runs its scripts through eval needs the page's
        # Content-Security-Policy to allow it.
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if not self.server.driver_eval or not path.endswith("index.html"):
            return super().send_head()
        with open(path, "rb") as f:
            data = driver_eval_policy(f.read())
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        return io.BytesIO(data)

    def end_headers(self):
        # Revalidated at every load, so that a rebuilt site, or a file held
        # back, is what the browser gets.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, *args):
        pass


class CompressingHandler(QuietHandler):
    """Serves every file gzip-compressed to a browser that takes it, as
    static hosts do."""

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if "gzip" not in self.headers.get("Accept-Encoding", "") or not os.path.isfile(path):
            return super().send_head()
        with open(path, "rb") as f:
            data = gzip.compress(f.read(), 9)
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        return io.BytesIO(data)


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A browser that goes elsewhere closes its connections mid-answer.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


class Site:
    """Serves a folder on 127.0.0.1, on a free port, until closed; for an
    engine whose driver evaluates scripts with eval, with the page's policy
    allowing it."""

    def __init__(self, folder, port=0, compressed=False, driver_eval=False):
        handler = functools.partial(CompressingHandler if compressed else QuietHandler,
                                    directory=folder)
        self.server = QuietServer(("127.0.0.1", port), handler)
        self.server.held = {}
        self.server.refused = set()
        self.server.driver_eval = driver_eval
        self.port = self.server.server_port
        self.url = f"http://127.0.0.1:{self.port}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def hold(self, *names):
        """Holds back the files named until they are released."""
        for name in names:
            self.server.held[name] = threading.Event()

    def release(self, *names):
        """Releases the files named, or all."""
        for name in names or list(self.server.held):
            self.server.held.pop(name).set()

    def close(self):
        self.release()
        self.server.shutdown()
        self.server.server_close()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    site = Site(sys.argv[1], int(sys.argv[2]))
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        site.close()

"""Headless chromium driven over its DevTools protocol, and a static web
server on 127.0.0.1, for the page's test, its screenshot and its benchmark.
Debian's chromium, python3-websockets and python3-pil; nothing else."""

import asyncio
import base64
import functools
import gzip
import http.server
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websockets
from PIL import Image

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
    "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--mute-audio",
    "--window-size=1200,900", "--remote-debugging-port=0",
]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".webmanifest": "application/manifest+json"}

    def do_GET(self):
        # A file the site holds back is served once it is released, as a
        # slow network would serve it.
        name = os.path.basename(self.path.split("?")[0])
        if name in self.server.held:
            self.server.held[name].wait(60)
        super().do_GET()

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
    """Serves a folder on 127.0.0.1, on a free port, until closed."""

    def __init__(self, folder, port=0, compressed=False):
        handler = functools.partial(CompressingHandler if compressed else QuietHandler,
                                    directory=folder)
        self.server = QuietServer(("127.0.0.1", port), handler)
        self.server.held = {}
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


class JsonSocket:
    """Commands and their replies over one websocket, as DevTools and
    WebDriver BiDi both carry them: a command has an id, its reply the same
    id, and events come between, for the driver's _event(method, params)."""

    async def _read(self):
        async for raw in self.ws:
            message = json.loads(raw)
            if "id" in message:
                future = self.pending.pop(message["id"], None)
                if future and not future.done():
                    future.set_result(message)
            elif "method" in message:
                self._event(message["method"], message.get("params", {}))

    async def send(self, method, **params):
        self.next_id += 1
        future = asyncio.get_running_loop().create_future()
        self.pending[self.next_id] = future
        await self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        reply = await asyncio.wait_for(future, 60)
        if "error" in reply:
            raise RuntimeError(f"{method}: {reply['error']} {reply.get('message', '')}")
        return reply["result"]


class Browser(JsonSocket):
    """One headless chromium with one page, driven over DevTools."""

    def __init__(self, extra_flags=()):
        self.profile = tempfile.mkdtemp(prefix="orbiquel-chromium-")
        self.process = subprocess.Popen(
            ["chromium", *CHROMIUM_FLAGS, *extra_flags, f"--user-data-dir={self.profile}",
             "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.messages = []       # errors on the page's console
        self.next_id = 0
        self.pending = {}
        self.ws = None
        self.reader = None

    async def start(self):
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        for _ in range(300):
            if os.path.exists(port_file) and open(port_file).read().strip():
                break
            if self.process.poll() is not None:
                raise RuntimeError("chromium ended before it opened its DevTools port")
            await asyncio.sleep(0.1)
        port = open(port_file).read().split()[0]
        targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list"))
        page = next(t for t in targets if t["type"] == "page")
        self.ws = await websockets.connect(page["webSocketDebuggerUrl"], max_size=None)
        self.reader = asyncio.ensure_future(self._read())
        for domain in ("Page", "Runtime", "Log", "Performance"):
            await self.send(f"{domain}.enable")
        return self

    def _event(self, method, params):
        """Keeps the errors the page reports on its console."""
        if method == "Runtime.consoleAPICalled":
            if params["type"] in ("error", "assert"):
                text = " ".join(str(a.get("value", a.get("description", "")))
                                for a in params["args"])
                self.messages.append(f"console.{params['type']}: {text}")
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.messages.append("exception: " + details.get("exception", {}).get(
                "description", details.get("text", "")))
        elif method == "Log.entryAdded":
            entry = params["entry"]
            if entry["level"] == "error":
                self.messages.append(f"log.{entry['level']}: {entry['text']}")

    async def evaluate(self, expression):
        result = await self.send("Runtime.evaluate", expression=expression,
                                 returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    async def wait_for(self, expression, timeout=30, what=None):
        deadline = time.monotonic() + timeout
        while True:
            value = await self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out after {timeout} s waiting for {what or expression}")
            await asyncio.sleep(0.05)

    async def settled(self, steps):
        """Waits until the page has run exactly `steps` simulation steps (its
        step limit) and has drawn them."""
        o = "Module.orbiquel"
        await self.wait_for(f"window.Module && {o} && {o}.steps === {steps} && !{o}.redisplay",
                            what=f"step {steps}")
        # The console pane takes flowing text at most every 100 ms.
        await self.evaluate("new Promise(r => setTimeout(() => "
                            "requestAnimationFrame(() => requestAnimationFrame(r)), 120))")

    async def metrics(self):
        """The page's performance counters (Nodes, JSHeapUsedSize, ...)."""
        reply = await self.send("Performance.getMetrics")
        return {m["name"]: m["value"] for m in reply["metrics"]}

    async def navigate(self, url, ready=("complete",)):
        """Opens url and waits for the document's readyState to be one of
        `ready` ('interactive' too where the program's script is held back)."""
        self.messages.clear()
        await self.send("Page.navigate", url=url)
        await self.wait_for(f"{list(ready)}.includes(document.readyState)", what="the page to load")

    async def key(self, key, code=None, key_code=0, text=None, modifiers=0):
        """Presses and releases one key, as a keyboard does, where the focus
        is; modifiers held: Alt 1, Ctrl 2, Meta 4, Shift 8."""
        common = {"key": key, "code": code or key, "windowsVirtualKeyCode": key_code,
                  "nativeVirtualKeyCode": key_code, "modifiers": modifiers}
        down = dict(common, type="keyDown")
        if text is not None:
            down["text"] = text
            down["unmodifiedText"] = text
        await self.send("Input.dispatchKeyEvent", **down)
        await self.send("Input.dispatchKeyEvent", type="keyUp", **common)

    async def type_line(self, text):
        """Types text where the focus is, then Enter."""
        await self.send("Input.insertText", text=text)
        await self.key("Enter", key_code=13, text="\r")

    async def centre(self, element_id):
        """The element's centre in the viewport, in CSS pixels."""
        return await self.evaluate(
            f"(() => {{ const r = document.getElementById('{element_id}').getBoundingClientRect();"
            " return [r.x + r.width / 2, r.y + r.height / 2]; })()")

    async def click(self, element_id):
        box = await self.centre(element_id)
        for kind in ("mousePressed", "mouseReleased"):
            await self.send("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1],
                            button="left", clickCount=1)

    async def phone(self, width, height, scale=2):
        """Emulates a phone's touch screen of width x height CSS pixels."""
        await self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                        deviceScaleFactor=scale, mobile=True)
        await self.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    async def touch(self, *path):
        """One finger down at the first (x, y) of the path, moved through the
        others in steps of a frame, and lifted."""
        point = lambda xy: [{"x": xy[0], "y": xy[1], "id": 1}]  # noqa: E731
        await self.send("Input.dispatchTouchEvent", type="touchStart", touchPoints=point(path[0]))
        for xy in path[1:]:
            await asyncio.sleep(0.016)
            await self.send("Input.dispatchTouchEvent", type="touchMove", touchPoints=point(xy))
        await self.send("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    async def tap(self, element_id):
        await self.touch(await self.centre(element_id))

    async def pen_tap(self, element_id):
        x, y = await self.centre(element_id)
        for kind in ("mousePressed", "mouseReleased"):
            await self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                            clickCount=1, pointerType="pen")

    async def clear_http_cache(self):
        await self.send("Network.clearBrowserCache")

    async def picture(self, element_id="canvas"):
        """The element as the screen shows it, as an RGB image."""
        # The clip is in the document's coordinates; the element is brought
        # into view first, as the focus may have scrolled the page.
        box = await self.evaluate(
            f"(() => {{ const e = document.getElementById('{element_id}');"
            " e.scrollIntoView({block: 'nearest'}); const r = e.getBoundingClientRect();"
            " return [r.x + scrollX, r.y + scrollY, r.width, r.height]; })()")
        shot = await self.send("Page.captureScreenshot", format="png", clip={
            "x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1})
        return Image.open(io.BytesIO(base64.b64decode(shot["data"]))).convert("RGB")

    async def screenshot(self, path):
        shot = await self.send("Page.captureScreenshot", format="png", captureBeyondViewport=True)
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    async def close(self):
        if self.ws:
            await self.ws.close()
        if self.reader:
            self.reader.cancel()
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


if __name__ == "__main__":
    # browser.py serve FOLDER PORT: serves the folder on 127.0.0.1 until ended.
    if len(sys.argv) != 4 or sys.argv[1] != "serve":
        sys.exit(f"usage: {sys.argv[0]} serve FOLDER PORT")
    site = Site(sys.argv[2], int(sys.argv[3]))
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        site.close()

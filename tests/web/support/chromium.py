"""Headless Chromium, driven over its DevTools protocol, with its software
WebGL (Debian's chromium and python3-websockets)."""

import asyncio
import base64
import json
import os
import shutil
import subprocess
import tempfile
import urllib.request

from .connection import Connection
from .engine import Engine, opened, png, stop

FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
    "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--mute-audio",
    "--window-size=1200,900", "--remote-debugging-port=0",
]
# No WebGL at all, on the page or in a worker (--disable-webgl leaves it to
# OffscreenCanvas): neither a GPU nor a software one.
WITHOUT_WEBGL = [flag for flag in FLAGS if flag != "--enable-unsafe-swiftshader"] + [
    "--disable-software-rasterizer"]
# DevTools' modifier bits.
BITS = {"Alt": 1, "Control": 2, "Meta": 4, "Shift": 8}
# Windows key codes, and the DOM codes where they are not the key's name.
NAMED_KEYS = {"Backspace": 8, "Tab": 9, "Enter": 13, "Escape": 27, "Delete": 46}
PUNCTUATION = {"=": (187, "Equal")}


def key_fields(key):
    """DevTools' fields for a key by name: its code, key code and text."""
    if key in NAMED_KEYS:
        return key, NAMED_KEYS[key], "\r" if key == "Enter" else None
    if key.isalpha() and key.isascii():
        return "Key" + key.upper(), ord(key.upper()), key
    if key.isdigit():
        return "Digit" + key, ord(key), key
    if key in PUNCTUATION:
        return PUNCTUATION[key][1], PUNCTUATION[key][0], key
    raise ValueError(f"no DevTools key code for the key {key!r}")


class Chromium(Engine):
    name = "chromium"
    lacks = {}

    def __init__(self, webgl=True):
        super().__init__(webgl)
        self.messages = []       # errors on the page's console
        self.profile = self.process = self.connection = None

    async def start(self):
        self.profile = tempfile.mkdtemp(prefix="orbiquel-chromium-")
        self.process = subprocess.Popen(
            ["chromium", *(FLAGS if self.webgl else WITHOUT_WEBGL),
             f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        written = await opened(self.process, "chromium", "its DevTools port", lambda: (
            os.path.exists(port_file) and open(port_file).read().strip()), 30)
        port = written.split()[0]
        targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list"))
        page = next(t for t in targets if t["type"] == "page")
        self.connection = await Connection.open(page["webSocketDebuggerUrl"], self.process,
                                                self._event)
        for domain in ("Page", "Runtime", "Log", "Performance"):
            await self.send(f"{domain}.enable")
        self.version = (await self.send("Browser.getVersion"))["product"].split("/")[-1]

    async def send(self, method, **params):
        """A DevTools command, for what the common interface does not cover."""
        return await self.connection.send(method, **params)

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

    async def sleep(self, seconds):
        await self.connection.sleep(seconds)

    async def evaluate(self, expression):
        result = await self.send("Runtime.evaluate", expression=expression,
                                 returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    async def navigate(self, url, ready=("complete",)):
        """Opens url and waits for the document's readyState to be one of
        `ready` ('interactive' too where the program's script is held back)."""
        self.messages.clear()
        await self.send("Page.navigate", url=url)
        await self.wait_for(f"{list(ready)}.includes(document.readyState)", what="the page to load")

    async def _press(self, key, held):
        code, key_code, text = key_fields(key)
        common = {"key": key, "code": code, "windowsVirtualKeyCode": key_code,
                  "nativeVirtualKeyCode": key_code, "modifiers": sum(BITS[m] for m in held)}
        down = dict(common, type="keyDown")
        if text is not None:
            down.update(text=text, unmodifiedText=text)
        await self.send("Input.dispatchKeyEvent", **down)
        await self.send("Input.dispatchKeyEvent", type="keyUp", **common)

    async def _type(self, text):
        await self.send("Input.insertText", text=text)

    async def compose_ime(self, text):
        await self.send("Input.imeSetComposition", text=text, selectionStart=len(text),
                        selectionEnd=len(text))

    async def _mouse(self, element_id, **extra):
        x, y = await self.centre(element_id)
        for kind in ("mousePressed", "mouseReleased"):
            await self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                            clickCount=1, **extra)

    async def click(self, element_id):
        await self._mouse(element_id)

    async def hover(self, element_id):
        x, y = await self.centre(element_id)
        for dx in (-20, 0, 20):
            await self.send("Input.dispatchMouseEvent", type="mouseMoved", x=x + dx, y=y)

    async def pen_tap(self, element_id):
        await self._mouse(element_id, pointerType="pen")

    async def phone(self, width, height, scale=2):
        await self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                        deviceScaleFactor=scale, mobile=True)
        await self.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    async def touch(self, *path):
        def point(xy):
            return [{"x": xy[0], "y": xy[1], "id": 1}]
        await self.send("Input.dispatchTouchEvent", type="touchStart", touchPoints=point(path[0]))
        for xy in path[1:]:
            await asyncio.sleep(0.016)
            await self.send("Input.dispatchTouchEvent", type="touchMove", touchPoints=point(xy))
        await self.send("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    async def run_first(self, script):
        await self.send("Page.addScriptToEvaluateOnNewDocument", source=script)

    async def collect_garbage(self):
        await self.send("HeapProfiler.collectGarbage")

    async def metrics(self):
        reply = await self.send("Performance.getMetrics")
        return {m["name"]: m["value"] for m in reply["metrics"]}

    async def clear_http_cache(self):
        await self.send("Network.clearBrowserCache")

    async def _capture(self, x, y, width, height, scroll_x, scroll_y):
        # The clip is in the document's coordinates.
        shot = await self.send("Page.captureScreenshot", format="png", clip={
            "x": x + scroll_x, "y": y + scroll_y, "width": width, "height": height, "scale": 1})
        return png(base64.b64decode(shot["data"]))

    async def screenshot(self, path, whole=True):
        """The whole page, or only what the viewport shows, to a PNG file."""
        shot = await self.send("Page.captureScreenshot", format="png",
                               captureBeyondViewport=whole)
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    async def close(self):
        if self.connection:
            await self.connection.close()
        stop(self.process, group=True)
        if self.profile:
            shutil.rmtree(self.profile, ignore_errors=True)

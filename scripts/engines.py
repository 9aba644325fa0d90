"""The page's browser engines behind one interface, for its test and its
benchmark: Chromium over DevTools (browser.py's Browser), WebKitGTK's
MiniBrowser over classic WebDriver (Debian's webkit2gtk-driver and
python3-selenium) and Firefox ESR over its built-in WebDriver BiDi
(python3-websockets). WebKit and Firefox draw into an Xvfb of their own, so
that they use Mesa's software WebGL as a desktop without a GPU would.

Each adapter has the methods the page's scenarios use (start, navigate,
evaluate, which awaits promises, wait_for, settled, key, type_line, click,
picture, screenshot, messages, close), its `name` and `version`, and
`lacks`: what its engine or driver cannot do, with the reason, so that a
scenario that needs it is skipped and says why.

    engines.py ENGINE URL   opens the page in one engine and prints its
                            frames per second over 5 s (a quick look)"""

import asyncio
import base64
import glob
import io
import json
import os
import re
import shutil
import socket
import subprocess
import tempfile
import time

import websockets
from PIL import Image

from browser import Browser, JsonSocket

# What a scenario may need beyond the common methods.
HEAP = "heap"            # JavaScript heap figures and a forced garbage collection
TOUCH = "touch"          # touch events and a phone's screen
CONSOLE = "console"      # every error on the page's console, from its first script on
IME = "ime"              # an input method's composition
ALTGRAPH = "altgraph"    # a key event made with AltGraph held (no driver holds it)
CACHE = "cache"          # clearing the browser's HTTP cache (the page offline)
LOADING = "loading"      # commands while the page still loads (typing before it runs)
SWIPE = "swipe"          # a touch swipe that scrolls the page as a finger's does
PEN = "pen"              # a pen's tap

# WebDriver's codes for keys without a character of their own.
WEBDRIVER_KEYS = {
    "Backspace": "\ue003", "Tab": "\ue004", "Enter": "\ue007", "Shift": "\ue008",
    "Control": "\ue009", "Alt": "\ue00a", "Escape": "\ue00c", "PageUp": "\ue00e",
    "PageDown": "\ue00f", "End": "\ue010", "Home": "\ue011", "ArrowLeft": "\ue012",
    "ArrowUp": "\ue013", "ArrowRight": "\ue014", "ArrowDown": "\ue015", "Insert": "\ue016",
    "Delete": "\ue017", "Meta": "\ue03d",
    **{f"F{n}": chr(0xe031 + n - 1) for n in range(1, 13)},
}


# The modifiers a key may be pressed with (browser.py's bits: Alt 1, Ctrl 2,
# Meta 4, Shift 8), as WebDriver's keys.
MODIFIERS = ((1, "Alt"), (2, "Control"), (4, "Meta"), (8, "Shift"))


def with_modifiers(key, modifiers):
    """The WebDriver keys to press, in order, for a key with modifiers held."""
    held = [WEBDRIVER_KEYS[name] for bit, name in MODIFIERS if modifiers & bit]
    return held, webdriver_key(key)


def webdriver_key(key):
    if len(key) == 1:
        return key
    if key not in WEBDRIVER_KEYS:
        raise ValueError(f"no WebDriver code for the key {key!r}")
    return WEBDRIVER_KEYS[key]


# Errors on the page, for a driver that does not report them: collected from
# the page's load on.
COLLECT_ERRORS = """
if (!window.__driverErrors) {
  const errors = window.__driverErrors = [];
  addEventListener('error', (e) => errors.push('exception: ' + e.message));
  addEventListener('unhandledrejection', (e) => errors.push('exception: ' + e.reason));
  const error = console.error;
  console.error = (...args) => { errors.push('console.error: ' + args.join(' ')); error(...args); };
}"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Xvfb:
    """A virtual X display of its own, on the first free display number."""

    def __init__(self, screen="1280x1024x24"):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def close(self):
        self.process.terminate()
        self.process.wait(10)


class Chromium(Browser):
    """Headless Chromium, browser.py's Browser, with its software WebGL."""
    name = "chromium"
    lacks = {}

    def __init__(self, webgl=True):
        super().__init__([] if webgl else ["--disable-webgl"])
        self.version = None

    async def start(self):
        await super().start()
        self.version = (await self.send("Browser.getVersion"))["product"].split("/")[-1]
        return self


class WebDriverKeys:
    """Keys as WebDriver presses them, through the adapter's _keys(*keys,
    held=...)."""

    async def key(self, key, code=None, key_code=0, text=None, modifiers=0):
        """Presses and releases one key where the focus is, with modifiers
        held as browser.py's (the engine derives code and character)."""
        held, k = with_modifiers(key, modifiers)
        await self._keys(k, held=held)

    async def type_line(self, text):
        await self._keys(*text, WEBDRIVER_KEYS["Enter"])


class WebKit(WebDriverKeys):
    """WebKitGTK's MiniBrowser under Xvfb, driven by WebKitWebDriver."""
    name = "webkit"
    lacks = {
        HEAP: "WebKit's WebDriver gives no heap figures",
        TOUCH: "WebKit's WebDriver has no touch input",
        IME: "WebDriver has no input method",
        ALTGRAPH: "WebKit's KeyboardEvent takes no modifierAltGraph, so no key event "
                  "with AltGraph held can be made",
        CONSOLE: "WebKit's WebDriver does not report the page's console "
                 "(errors are collected from the page's load on instead)",
        CACHE: "WebKit's WebDriver cannot clear the browser's HTTP cache",
        LOADING: "WebKit's WebDriver runs no command while a page loads, so nothing can "
                 "be typed before the program's files have come",
    }
    # Debian installs it beside WebKitGTK's library, under the architecture's triplet.
    MINIBROWSER = (glob.glob("/usr/lib/*/webkit2gtk-4.*/MiniBrowser") or ["MiniBrowser"])[0]

    def __init__(self, webgl=True):
        self.webgl = webgl
        self.x = self.driver = self.service = None
        self.version = None

    async def start(self):
        from selenium import webdriver
        from selenium.webdriver.webkitgtk.options import Options
        self.x = Xvfb()
        port = free_port()
        self.service = subprocess.Popen(
            ["WebKitWebDriver", f"--port={port}"], env=dict(os.environ, DISPLAY=self.x.display),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        options = Options()
        options.binary_location = self.MINIBROWSER
        options.add_argument("--automation")
        if not self.webgl:
            options.add_argument("--enable-webgl=false")
        deadline = time.monotonic() + 30
        while True:
            try:
                self.driver = await asyncio.to_thread(
                    webdriver.Remote, command_executor=f"http://127.0.0.1:{port}", options=options)
                break
            except Exception:  # the driver is not listening yet
                if time.monotonic() > deadline or self.service.poll() is not None:
                    raise
                await asyncio.sleep(0.2)
        self.driver.set_script_timeout(60)
        self.driver.set_window_size(1200, 900)
        self.version = self.driver.capabilities.get("browserVersion")
        return self

    async def _call(self, f, *args):
        return await asyncio.to_thread(f, *args)

    async def evaluate(self, expression):
        from selenium.common.exceptions import JavascriptException
        try:
            # A script, as DevTools and BiDi take it: its completion value.
            return await self._call(self.driver.execute_script,
                                    "return (0, eval)(arguments[0]);", expression)
        except JavascriptException as e:
            raise RuntimeError(f"{expression}: {e.msg}") from None

    wait_for = Browser.wait_for
    settled = Browser.settled

    async def navigate(self, url, ready=("complete",)):
        """Opens url; the driver waits for the whole load whatever `ready`
        asks, and runs no command before it (see LOADING)."""
        await self._call(self.driver.get, url)
        await self.evaluate(f"(() => {{ {COLLECT_ERRORS} }})()")

    @property
    def messages(self):
        return self.driver.execute_script("return window.__driverErrors || [];")

    async def _keys(self, *keys, held=()):
        from selenium.webdriver import ActionChains
        actions = ActionChains(self.driver)
        for k in held:
            actions.key_down(k)
        for k in keys:
            actions.key_down(k).key_up(k)
        for k in reversed(held):
            actions.key_up(k)
        await self._call(actions.perform)

    def _element(self, element_id):
        from selenium.webdriver.common.by import By
        return self.driver.find_element(By.ID, element_id)

    async def click(self, element_id):
        await self._call(lambda: self._element(element_id).click())

    async def picture(self, element_id="canvas"):
        # Cut from the window's picture: WebKit's picture of a WebGL canvas
        # alone is blank, as its drawing buffer is not kept.
        x, y, width, height = await self.evaluate(
            f"(() => {{ const r = document.getElementById('{element_id}').getBoundingClientRect();"
            " return [r.x, r.y, r.width, r.height]; })()")
        png = await self._call(self.driver.get_screenshot_as_png)
        window = Image.open(io.BytesIO(png)).convert("RGB")
        return window.crop((round(x), round(y), round(x + width), round(y + height)))

    async def screenshot(self, path):
        await self._call(self.driver.save_screenshot, path)

    async def close(self):
        if self.driver:
            await self._call(self.driver.quit)
        if self.service:
            self.service.terminate()
            self.service.wait(10)
        if self.x:
            self.x.close()


def remote_value(v):
    """A WebDriver BiDi value as Python's."""
    kind, value = v["type"], v.get("value")
    if kind in ("undefined", "null"):
        return None
    if kind == "number" and isinstance(value, str):
        return {"NaN": float("nan"), "-0": -0.0, "Infinity": float("inf"),
                "-Infinity": float("-inf")}[value]
    if kind == "array":
        return [remote_value(x) for x in value]
    if kind == "object":
        return {k: remote_value(x) for k, x in value}
    if kind in ("number", "string", "boolean"):
        return value
    return v


class Firefox(WebDriverKeys, JsonSocket):
    """Firefox ESR under Xvfb, driven over its built-in WebDriver BiDi. It
    turns WebGL off on Mesa's software renderer unless told otherwise."""
    name = "firefox"
    lacks = {
        HEAP: "WebDriver BiDi gives no heap figures",
        IME: "WebDriver BiDi has no input method",
        SWIPE: "BiDi's touches reach the page but do not pan it, so a swipe scrolls nothing",
        PEN: "Firefox's BiDi moves no pen (its pointerMove for pens is unimplemented)",
    }
    PREFS = {
        "webgl.force-enabled": True,
        "browser.shell.checkDefaultBrowser": False,
        "datareporting.policy.dataSubmissionEnabled": False,
        "toolkit.telemetry.reportingpolicy.firstRun": False,
        "app.update.disabledForTesting": True,
        "messaging-system.rsexperimentloader.enabled": False,
    }

    def __init__(self, webgl=True):
        self.prefs = dict(self.PREFS, **({} if webgl else {"webgl.force-enabled": False,
                                                           "webgl.disabled": True}))
        self.profile = tempfile.mkdtemp(prefix="orbiquel-firefox-")
        self.messages = []
        self.x = self.process = self.ws = self.reader = None
        self.context = self.version = None
        self.next_id = 0
        self.pending = {}

    async def start(self):
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for key, value in self.prefs.items():
                f.write(f"user_pref({json.dumps(key)}, {json.dumps(value)});\n")
        self.x = Xvfb()
        log = os.path.join(self.profile, "firefox.log")
        with open(log, "w") as out:
            self.process = subprocess.Popen(
                ["firefox-esr", "--no-remote", "--profile", self.profile,
                 "--remote-debugging-port=0", "about:blank"],
                env=dict(os.environ, DISPLAY=self.x.display), stdout=out, stderr=out)
        for _ in range(600):
            found = re.search(r"WebDriver BiDi listening on (ws://\S+)", open(log).read())
            if found:
                break
            if self.process.poll() is not None:
                raise RuntimeError("firefox ended before it opened WebDriver BiDi")
            await asyncio.sleep(0.1)
        else:
            raise RuntimeError("firefox opened no WebDriver BiDi port within 60 s")
        self.ws = await websockets.connect(found.group(1) + "/session", max_size=None)
        self.reader = asyncio.ensure_future(self._read())
        session = await self.send("session.new", capabilities={})
        self.version = session["capabilities"]["browserVersion"]
        self.context = (await self.send("browsingContext.getTree"))["contexts"][0]["context"]
        await self.send("session.subscribe", events=["log.entryAdded"])
        await self.send("browsingContext.setViewport", context=self.context,
                        viewport={"width": 1200, "height": 900})
        return self

    def _event(self, method, params):
        """Keeps the errors the page reports on its console."""
        if method == "log.entryAdded" and params["level"] == "error":
            kind = "exception" if params["type"] == "javascript" else "console.error"
            self.messages.append(f"{kind}: {params['text']}")

    async def evaluate(self, expression):
        result = await self.send("script.evaluate", expression=expression,
                                 target={"context": self.context}, awaitPromise=True,
                                 resultOwnership="none")
        if result["type"] == "exception":
            raise RuntimeError(f"{expression}: {result['exceptionDetails']['text']}")
        return remote_value(result["result"])

    wait_for = Browser.wait_for
    settled = Browser.settled

    async def navigate(self, url, ready=("complete",)):
        """Opens url and waits for the document's readyState to be one of `ready`."""
        self.messages.clear()
        await self.send("browsingContext.navigate", context=self.context, url=url,
                        wait="interactive" if "interactive" in ready else "complete")

    async def _keys(self, *keys, held=()):
        actions = [{"type": "keyDown", "value": k} for k in held]
        for k in keys:
            actions += [{"type": "keyDown", "value": k}, {"type": "keyUp", "value": k}]
        actions += [{"type": "keyUp", "value": k} for k in reversed(held)]
        await self.send("input.performActions", context=self.context,
                        actions=[{"type": "key", "id": "keyboard", "actions": actions}])

    async def clear_http_cache(self):
        # BiDi clears no cache, but can keep the page from it from now on,
        # which is what a test of the page offline needs of a cleared one.
        await self.send("network.setCacheBehavior", cacheBehavior="bypass",
                        contexts=[self.context])

    async def _box(self, element_id):
        return await self.evaluate(
            f"(() => {{ const r = document.getElementById('{element_id}').getBoundingClientRect();"
            " return [r.x, r.y, r.width, r.height]; })()")

    async def click(self, element_id):
        x, y, width, height = await self._box(element_id)
        await self.send("input.performActions", context=self.context, actions=[{
            "type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
            "actions": [{"type": "pointerMove", "x": round(x + width / 2),
                         "y": round(y + height / 2)},
                        {"type": "pointerDown", "button": 0},
                        {"type": "pointerUp", "button": 0}]}])

    async def phone(self, width, height, scale=2):
        """A screen of width x height CSS pixels at the pixel ratio; Firefox
        has no phone mode, so the page's viewport tag is not applied."""
        await self.send("browsingContext.setViewport", context=self.context,
                        viewport={"width": width, "height": height}, devicePixelRatio=scale)

    async def centre(self, element_id):
        x, y, width, height = await self._box(element_id)
        return [x + width / 2, y + height / 2]

    async def touch(self, *path):
        """One finger down at the first (x, y) of the path, moved through the
        others a frame apart, and lifted."""
        moves = [{"type": "pointerMove", "x": round(x), "y": round(y), "duration": 16}
                 for x, y in path]
        await self.send("input.performActions", context=self.context, actions=[{
            "type": "pointer", "id": "finger", "parameters": {"pointerType": "touch"},
            "actions": [moves[0], {"type": "pointerDown", "button": 0}, *moves[1:],
                        {"type": "pointerUp", "button": 0}]}])

    async def tap(self, element_id):
        await self.touch(await self.centre(element_id))

    async def picture(self, element_id="canvas"):
        # In view first, as the focus may have scrolled the page.
        await self.evaluate(f"document.getElementById('{element_id}')"
                            ".scrollIntoView({block: 'nearest'})")
        x, y, width, height = await self._box(element_id)
        shot = await self.send("browsingContext.captureScreenshot", context=self.context, clip={
            "type": "box", "x": x, "y": y, "width": width, "height": height})
        return Image.open(io.BytesIO(base64.b64decode(shot["data"]))).convert("RGB")

    async def screenshot(self, path):
        shot = await self.send("browsingContext.captureScreenshot", context=self.context,
                               origin="document")
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    async def close(self):
        if self.ws:
            try:
                await self.send("browser.close")
            except Exception:  # the connection ends as the browser does
                pass
            await self.ws.close()
        if self.reader:
            self.reader.cancel()
        if self.process:
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
        if self.x:
            self.x.close()
        shutil.rmtree(self.profile, ignore_errors=True)


ENGINES = {"chromium": Chromium, "webkit": WebKit, "firefox": Firefox}


async def open_engine(name, webgl=True):
    return await ENGINES[name](webgl=webgl).start()


if __name__ == "__main__":
    import sys

    async def look(name, url):
        b = await open_engine(name)
        try:
            await b.navigate(url)
            await b.wait_for("window.Module && Module.orbiquel && Module.orbiquel.frames > 0")
            sample = "[performance.now(), Module.orbiquel.frames]"
            t0, f0 = await b.evaluate(sample)
            await asyncio.sleep(5)
            t1, f1 = await b.evaluate(sample)
            print(f"{name} {b.version}: {(f1 - f0) / (t1 - t0) * 1000:.1f} frames/s; "
                  f"errors: {b.messages}")
        finally:
            await b.close()

    if len(sys.argv) != 3 or sys.argv[1] not in ENGINES:
        sys.exit(__doc__)
    asyncio.run(look(sys.argv[1], sys.argv[2]))

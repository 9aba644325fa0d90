"""Firefox ESR under Xvfb, driven over its built-in WebDriver BiDi (Debian's
firefox-esr and python3-websockets). It turns WebGL off on Mesa's software
renderer unless told otherwise."""

import asyncio
import base64
import json
import os
import re
import shutil
import subprocess
import tempfile

from .connection import Connection
from .engine import EARLY, HEAP, IME, PEN, SWIPE, Engine, opened, png, stop, webdriver_key
from .xvfb import Xvfb


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


class Firefox(Engine):
    name = "firefox"
    lacks = {
        HEAP: "WebDriver BiDi gives no heap figures",
        EARLY: "its adapter runs no script before the page's (BiDi's preload scripts)",
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
        super().__init__(webgl)
        self.prefs = dict(self.PREFS, **({} if webgl else {"webgl.force-enabled": False,
                                                           "webgl.disabled": True}))
        self.messages = []
        self.profile = self.x = self.process = self.connection = self.context = None

    async def start(self):
        self.profile = tempfile.mkdtemp(prefix="orbiquel-firefox-")
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for key, value in self.prefs.items():
                f.write(f"user_pref({json.dumps(key)}, {json.dumps(value)});\n")
        self.x = Xvfb()
        log = os.path.join(self.profile, "firefox.log")
        with open(log, "w") as out:
            self.process = subprocess.Popen(
                ["firefox-esr", "--no-remote", "--profile", self.profile,
                 "--remote-debugging-port=0", "about:blank"],
                env=dict(os.environ, DISPLAY=self.x.display), stdout=out, stderr=out,
                start_new_session=True)
        found = await opened(self.process, "firefox", "WebDriver BiDi", lambda: re.search(
            r"WebDriver BiDi listening on (ws://\S+)", open(log).read()), 60)
        self.connection = await Connection.open(found.group(1) + "/session", self.process,
                                                self._event)
        session = await self.send("session.new", capabilities={})
        self.version = session["capabilities"]["browserVersion"]
        self.context = (await self.send("browsingContext.getTree"))["contexts"][0]["context"]
        await self.send("session.subscribe", events=["log.entryAdded"])
        await self.send("browsingContext.setViewport", context=self.context,
                        viewport={"width": 1200, "height": 900})

    async def send(self, method, **params):
        return await self.connection.send(method, **params)

    def _event(self, method, params):
        """Keeps the errors the page reports on its console."""
        if method == "log.entryAdded" and params["level"] == "error":
            kind = "exception" if params["type"] == "javascript" else "console.error"
            self.messages.append(f"{kind}: {params['text']}")

    async def sleep(self, seconds):
        await self.connection.sleep(seconds)

    async def evaluate(self, expression):
        result = await self.send("script.evaluate", expression=expression,
                                 target={"context": self.context}, awaitPromise=True,
                                 resultOwnership="none")
        if result["type"] == "exception":
            raise RuntimeError(f"{expression}: {result['exceptionDetails']['text']}")
        return remote_value(result["result"])

    async def navigate(self, url, ready=("complete",)):
        """Opens url and waits for the document's readyState to be one of `ready`."""
        self.messages.clear()
        await self.send("browsingContext.navigate", context=self.context, url=url,
                        wait="interactive" if "interactive" in ready else "complete")

    async def _actions(self, *sources):
        await self.send("input.performActions", context=self.context, actions=list(sources))

    async def _keys(self, *keys, held=()):
        actions = [{"type": "keyDown", "value": k} for k in held]
        for k in keys:
            actions += [{"type": "keyDown", "value": k}, {"type": "keyUp", "value": k}]
        actions += [{"type": "keyUp", "value": k} for k in reversed(held)]
        await self._actions({"type": "key", "id": "keyboard", "actions": actions})

    async def _press(self, key, held):
        await self._keys(webdriver_key(key), held=[webdriver_key(m) for m in held])

    async def _type(self, text):
        await self._keys(*text)

    async def _pointer(self, kind, moves):
        """A pointer of the kind down at the first move's place, moved
        through the others, and lifted."""
        await self._actions({
            "type": "pointer", "id": kind, "parameters": {"pointerType": kind},
            "actions": [moves[0], {"type": "pointerDown", "button": 0}, *moves[1:],
                        {"type": "pointerUp", "button": 0}]})

    async def click(self, element_id):
        x, y = await self.centre(element_id)
        await self._pointer("mouse", [{"type": "pointerMove", "x": round(x), "y": round(y)}])

    async def hover(self, element_id):
        x, y = await self.centre(element_id)
        await self._actions({"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": round(x + dx), "y": round(y)} for dx in (-20, 0, 20)]})

    async def touch(self, *path):
        await self._pointer("touch", [{"type": "pointerMove", "x": round(x), "y": round(y),
                                       "duration": 16} for x, y in path])

    async def phone(self, width, height, scale=2):
        """A screen of width x height CSS pixels at the pixel ratio; Firefox
        has no phone mode, so the page's viewport tag is not applied."""
        await self.send("browsingContext.setViewport", context=self.context,
                        viewport={"width": width, "height": height}, devicePixelRatio=scale)

    async def clear_http_cache(self):
        # BiDi clears no cache, but can keep the page from it from now on,
        # which is what a test of the page offline needs of a cleared one.
        await self.send("network.setCacheBehavior", cacheBehavior="bypass",
                        contexts=[self.context])

    async def _capture(self, x, y, width, height, scroll_x, scroll_y):
        # In the document's coordinates: in the viewport's, a page scrolled by
        # a fraction of a pixel (a focused field brought into view) moves the
        # picture by one.
        shot = await self.send("browsingContext.captureScreenshot", context=self.context,
                               origin="document", clip={"type": "box", "x": x + scroll_x,
                                                        "y": y + scroll_y, "width": width,
                                                        "height": height})
        return png(base64.b64decode(shot["data"]))

    async def screenshot(self, path):
        shot = await self.send("browsingContext.captureScreenshot", context=self.context,
                               origin="document")
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    async def close(self):
        if self.connection:
            if not self.connection.gone:
                try:
                    await asyncio.wait_for(self.send("browser.close"), 10)
                except Exception:  # the connection ends as the browser does
                    pass
            await self.connection.close()
        stop(self.process, 20, ask=not self.connection, group=True)
        if self.x:
            self.x.close()
        if self.profile:
            shutil.rmtree(self.profile, ignore_errors=True)

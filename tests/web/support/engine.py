"""What every browser engine offers the page's scenarios: `Engine`, whose
engine-neutral methods rest on the few primitives each adapter implements.
An engine is opened with `async with`, which starts it and, however the
block or the start ends, closes whatever of it was begun.

`lacks` maps what an engine or its driver cannot do to the reason, so that a
scenario that needs it is skipped and says why; the methods for it fail."""

import asyncio
import io
import json
import os
import signal
import socket
import subprocess
import time

from PIL import Image, ImageChops

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
EARLY = "early"          # a script of the test's run before the page's own

MODIFIERS = ("Alt", "Control", "Meta", "Shift")
# The page's interface to the program.
ORB = "Module.orbiquel"

# The element's box in the viewport, and the page's scroll, once it is in view.
BOX = ("(id => {{ const e = document.getElementById(id); e.scrollIntoView({{block: 'nearest'}});"
       " const r = e.getBoundingClientRect();"
       " return [r.x, r.y, r.width, r.height, scrollX, scrollY]; }})({})")


def stop(process, timeout=10, ask=True, group=False):
    """Ends a process: asked first (unless it was asked already), killed if
    it has not ended in time; with its group, for a process started in a
    session of its own, as a browser's helpers outlive a browser killed."""
    if process is None:
        return
    if process.poll() is None:
        if ask:
            process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)
    if group:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass


async def opened(process, name, what, find, seconds):
    """What find() returns once the browser process has opened `what` (its
    driver's endpoint), asked every tenth of a second; fails at once if the
    process ends first, and after `seconds`."""
    for _ in range(seconds * 10):
        found = find()
        if found:
            return found
        if process.poll() is not None:
            raise RuntimeError(f"{name} exited with status {process.returncode} "
                               f"before it opened {what}")
        await asyncio.sleep(0.1)
    raise RuntimeError(f"{name} did not open {what} within {seconds} s")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def png(data):
    return Image.open(io.BytesIO(data)).convert("RGB")


class Engine:
    name = None
    lacks = {}
    # Whether the driver runs its scripts through the page's eval, which the
    # page's Content-Security-Policy refuses (server.Site allows it then).
    driver_eval = False

    def __init__(self, webgl=True):
        self.webgl = webgl
        self.version = None

    async def __aenter__(self):
        try:
            await self.start()
        except BaseException:
            await self.close()
            raise
        return self

    async def __aexit__(self, *exc):
        await self.close()

    # The primitives: start, close, evaluate (a script's completion value,
    # promises awaited), navigate, messages (errors on the page's console),
    # _press, _type, click, hover (a mouse moved across the element, no
    # button held), _capture, screenshot.

    def _lacking(need):
        async def method(self, *args, **kwargs):
            raise NotImplementedError(f"{self.name}: {self.lacks.get(need, need)}")
        return method

    # What some engines lack: touch(*path), one finger down at the first
    # (x, y), moved through the others a frame apart, and lifted; phone(width,
    # height, scale=2), a phone's screen of CSS pixels, with touch; pen_tap(id);
    # compose_ime(text), an input method's composition where the focus is;
    # collect_garbage(); metrics(), the page's performance counters (Nodes,
    # JSHeapUsedSize, ...); clear_http_cache(); run_first(script), a script
    # run in every page before the page's own.
    touch = phone = _lacking(TOUCH)
    pen_tap = _lacking(PEN)
    compose_ime = _lacking(IME)
    collect_garbage = metrics = _lacking(HEAP)
    clear_http_cache = _lacking(CACHE)
    run_first = _lacking(EARLY)
    del _lacking

    async def sleep(self, seconds):
        await asyncio.sleep(seconds)

    async def wait_for(self, expression, timeout=30, what=None):
        deadline = time.monotonic() + timeout
        while True:
            value = await self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise AssertionError(
                    f"timed out after {timeout} s waiting for {what or expression}")
            await asyncio.sleep(0.05)

    async def settled(self, steps):
        """Waits until the page has run exactly `steps` simulation steps (its
        step limit), has drawn them, and its panes hold all their text."""
        o = ORB
        await self.wait_for(f"window.Module && {o} && {o}.synced() && {o}.steps === {steps}"
                            f" && !{o}.redisplay"
                            " && !document.querySelector('[data-pending]')",
                            what=f"step {steps}, drawn")
        await self.evaluate("new Promise(r => requestAnimationFrame(() => "
                            "requestAnimationFrame(r)))")

    async def box(self, element_id):
        """The element, scrolled into view: its x, y, width and height in the
        viewport, and the page's scroll x and y, in CSS pixels."""
        return await self.evaluate(BOX.format(json.dumps(element_id)))

    async def centre(self, element_id):
        x, y, width, height, _, _ = await self.box(element_id)
        return [x + width / 2, y + height / 2]

    async def tap(self, element_id):
        await self.touch(await self.centre(element_id))

    async def picture(self, element_id="canvas"):
        """The element as the screen shows it, as an RGB image, once the page
        has been drawn after bringing it into view (Firefox may otherwise
        show a scrolled canvas's earlier frame)."""
        # Scrolled into view from the top, so that two pages of one layout
        # show it at one place: Firefox places a worker's canvas at whole
        # pixels of the page, so a half pixel's scroll moves its picture.
        await self.evaluate("scrollTo(0, 0)")
        box = await self.box(element_id)
        # A worker's frames reach the screen on their own time: the picture
        # is taken once two in a row agree.
        previous = None
        for _ in range(10):
            await self.evaluate("new Promise(r => requestAnimationFrame(() => "
                                "requestAnimationFrame(r)))")
            picture = await self._capture(*box)
            if previous is not None and ImageChops.difference(picture, previous).getbbox() is None:
                break
            previous = picture
        return picture

    async def key(self, key, alt=False, ctrl=False, meta=False, shift=False):
        """Presses and releases one key, by its name ("x", "Enter"), where
        the focus is, with the modifiers named held."""
        held = [name for name, on in zip(MODIFIERS, (alt, ctrl, meta, shift)) if on]
        await self._press(key, held)
        await self.caught_up()

    async def caught_up(self):
        """Waits until the page's state of the program has seen what the
        page asked of it (at once where the program runs on the page)."""
        await self.wait_for(f"!window.Module || !{ORB} || {ORB}.synced()",
                            what="the program's state to catch up")

    async def type_line(self, text):
        """Types text where the focus is, then Enter."""
        await self._type(text)
        await self.key("Enter")


# WebDriver's codes for the keys without a character of their own that the
# scenarios press.
WEBDRIVER_KEYS = {
    "Backspace": "\ue003", "Tab": "\ue004", "Enter": "\ue007", "Shift": "\ue008",
    "Control": "\ue009", "Alt": "\ue00a", "Escape": "\ue00c", "Delete": "\ue017",
    "Meta": "\ue03d",
}


def webdriver_key(key):
    """A key by name as WebDriver presses it (the engine derives the rest)."""
    if len(key) == 1:
        return key
    if key not in WEBDRIVER_KEYS:
        raise ValueError(f"no WebDriver code for the key {key!r}")
    return WEBDRIVER_KEYS[key]

#!/usr/bin/python3
"""The web page in Chromium, WebKitGTK and Firefox ESR (all three, or those
named), served from 127.0.0.1: it loads
cleanly, draws what the desktop program draws, opens the menu for a key on
the scene and not for keys in the input line, drops the ball, reports an
answer that is not a number, holds its frame rate and memory while the
transcript flows, and says what is wrong where it cannot run. A scenario
that needs what an engine's driver lacks is skipped there, with the reason.

    page_test.py SITE_DIR ORBIQUEL_SCENE_PICTURE [ENGINE...]"""

import asyncio
import functools
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
from browser import Site  # noqa: E402
from engines import ENGINES, HEAP, open_engine  # noqa: E402
from PIL import Image  # noqa: E402

STEPS = 300
MENU = "Run Random  Tests: 1\nRun Specific Test: 2\n"
NAN = r"-?nan"
# A ball at rest, per triangle: the edge test's "1" and three corner roots.
AT_REST = re.compile(("1\n" + f"{NAN}\n" * 3) * 3 + r"$")
O = "Module.orbiquel"


def differing_share(a, b, tolerance=0.1):
    """The share of pixels of which some channel differs by more than the
    tolerance (a fraction of full scale) between two same-sized pictures."""
    if a.size != b.size:
        raise AssertionError(f"pictures of different sizes: {a.size} and {b.size}")
    limit = tolerance * 255
    pa, pb = a.getdata(), b.getdata()
    differing = sum(1 for x, y in zip(pa, pb)
                    if max(abs(x[0] - y[0]), abs(x[1] - y[1]), abs(x[2] - y[2])) > limit)
    return differing / (a.size[0] * a.size[1])


def ball_centre_row(picture):
    """The mean row of the ball's green pixels (rows count downwards), or None."""
    width, height = picture.size
    rows = [i // width for i, (r, g, b) in enumerate(picture.getdata())
            if g > 200 and r < 80 and b < 80]
    return sum(rows) / len(rows) if rows else None


@functools.cache
def desktop_picture(tool, steps):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "desktop.ppm")
        subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", tool, str(steps), path],
                       check=True)
        return Image.open(path).convert("RGB")


def text_of(element_id):
    return f"document.getElementById('{element_id}').textContent"


async def console_ends_with(b, text):
    """Waits for the console pane, which the page draws once per frame."""
    await b.wait_for(f"{text_of('console')}.endsWith({json.dumps(text)})", what=repr(text))


async def key_on_scene(b, key, key_code, text=None):
    await b.click("canvas")
    await b.key(key, key_code=key_code, text=text)
    await console_ends_with(b, MENU)
    await b.wait_for("document.activeElement.id === 'stdin'", what="the input line's focus")


async def run_page(b, site, tool):
    # Loading, and the picture after STEPS steps against the desktop's.
    await b.navigate(site.url + f"?steps={STEPS}")
    await b.settled(STEPS)
    page = await b.picture()
    share = differing_share(page, desktop_picture(tool, STEPS))
    print(f"picture after {STEPS} steps: {share:.2%} of the pixels differ from the desktop's")
    assert share < 0.01
    assert not b.messages, b.messages

    # A key without a printable character (Backspace) opens the menu; the
    # answers drop the ball onto the floor, where it comes to rest.
    await key_on_scene(b, "Backspace", 8)
    await b.type_line("2")
    await b.type_line("2 3 2 0 -300 0")
    await b.wait_for("document.activeElement.id === 'canvas'", what="the focus back on the scene")
    await console_ends_with(b, MENU + "2\nBall Position x: 2 3 2 0 -300 0\nBall Position y: "
                            "Ball Position z: Ball Velocity x: Ball Velocity y: Ball Velocity z: ")
    await b.evaluate(f"{O}.runMore(30)")
    await b.settled(STEPS + 30)
    transcript = await b.evaluate(text_of("console"))
    assert AT_REST.search(transcript), transcript[-300:]
    dropped = await b.picture()
    assert ball_centre_row(dropped) > ball_centre_row(page) + 50, "the ball is not lower"

    # Keys typed into the input line open no menu; the line typed ahead
    # waits for the next read, as in a terminal. Here it is an answer that
    # is not a number, which changes nothing and says so.
    menus = (await b.evaluate(text_of("console"))).count(MENU)
    await b.click("stdin")
    await b.key("t", key_code=84, text="t")
    await b.type_line("wo")
    await b.evaluate("new Promise(r => setTimeout(r, 300))")
    assert (await b.evaluate(text_of("console"))).count(MENU) == menus
    await b.click("canvas")
    await b.key("x", key_code=88, text="x")
    await b.wait_for(f"{text_of('stderr')}.includes("
                     "'The menu answer was not understood; nothing was changed.')")
    await console_ends_with(b, "two\n" + MENU)
    assert not b.messages, b.messages


async def steadiness(b, site):
    """Frame rate over 10 s of flowing transcript, memory over a minute."""
    await b.navigate(site.url)
    await b.wait_for(f"{O} && {O}.frames > 0")
    sample = f"[performance.now(), {O}.frames, {O}.steps, Module.HEAPU8.length]"
    await asyncio.sleep(2)
    await b.send("HeapProfiler.collectGarbage")
    used_before = (await b.send("Runtime.getHeapUsage"))["usedSize"]
    t0, frames0, steps0, wasm0 = await b.evaluate(sample)
    await asyncio.sleep(10)
    t1, frames1, steps1, _ = await b.evaluate(sample)
    fps = (frames1 - frames0) / (t1 - t0) * 1000
    print(f"{fps:.1f} frames/s and {(steps1 - steps0) / (t1 - t0) * 1000:.0f} steps/s over 10 s")
    assert fps >= 50
    await asyncio.sleep(50)
    await b.send("HeapProfiler.collectGarbage")
    used_after = (await b.send("Runtime.getHeapUsage"))["usedSize"]
    wasm1 = (await b.evaluate(sample))[3]
    print(f"over a minute: JS heap {used_before} -> {used_after} bytes, "
          f"WebAssembly memory {wasm0} -> {wasm1} bytes")
    assert wasm1 == wasm0 and used_after < used_before + 1_000_000


async def faults(b, site, folder):
    async def fault_text():
        return await b.wait_for("!document.getElementById('fault').hidden && "
                                + text_of("fault"), what="the fault message")

    # A program error that escapes: a call through a null function pointer.
    await b.navigate(site.url)
    await b.wait_for(f"{O} && {O}.frames > 0")
    await b.evaluate("setTimeout(() => Module._orbiquel_call_idle(0))")
    assert "stopped" in await fault_text()
    steps = await b.evaluate(f"{O}.steps")
    await asyncio.sleep(0.5)
    assert await b.evaluate(f"{O}.steps") == steps

    await b.navigate("file://" + os.path.abspath(folder) + "/index.html")
    assert "over HTTP" in await fault_text()


def lacking(b, scenario, *needs):
    """True, having said why, when the engine cannot run the scenario."""
    reasons = [b.lacks[need] for need in needs if need in b.lacks]
    if reasons:
        print(f"{b.name}: {scenario} skipped: {'; '.join(reasons)}")
    return bool(reasons)


async def in_engine(name, site, folder, tool):
    b = await open_engine(name)
    try:
        print(f"== {name} {b.version}")
        for need, reason in b.lacks.items():
            print(f"{name}: without {need}: {reason}")
        await run_page(b, site, tool)
        await faults(b, site, folder)
        if not lacking(b, "frame rate and memory over a minute", HEAP):
            await steadiness(b, site)
    finally:
        await b.close()
    without_webgl = await open_engine(name, webgl=False)
    try:
        await without_webgl.navigate(site.url)
        await without_webgl.wait_for("!document.getElementById('fault').hidden && "
                                     + text_of("fault") + ".includes('WebGL')")
    finally:
        await without_webgl.close()


async def main(folder, tool, engines):
    site = Site(folder)
    try:
        for name in engines:
            start = time.monotonic()
            await in_engine(name, site, folder, tool)
            print(f"{name}: {time.monotonic() - start:.0f} s")
    finally:
        site.close()
    print(f"page test: passed in {', '.join(engines)}")


if __name__ == "__main__":
    if (len(sys.argv) < 3 or not os.path.exists(sys.argv[2])
            or not set(sys.argv[3:]) <= set(ENGINES)):
        sys.exit(f"usage: {sys.argv[0]} SITE_DIR ORBIQUEL_SCENE_PICTURE (from a desktop build)"
                 f" [ENGINE...] (of {', '.join(ENGINES)})")
    asyncio.run(main(sys.argv[1], sys.argv[2], sys.argv[3:] or list(ENGINES)))

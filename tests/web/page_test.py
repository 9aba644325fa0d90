#!/usr/bin/python3
"""The web page in Chromium, WebKitGTK and Firefox ESR (all three, or those
named), served from 127.0.0.1: it loads
cleanly, draws what the desktop program draws, ball included; opens the
menu for the keys that type on the scene and leaves the browser its own;
hands typed lines to standard input as a terminal does (typed ahead, before
the program runs, or on the scene while it waits); drops the ball; reports
an answer that is not a number; holds its frame rate and memory while the
transcript flows, with a quiet status line; and says what is wrong where it
cannot run or stops.

A scenario that needs what an engine's driver lacks is skipped there, with
the reason.

    page_test.py SITE_DIR ORBIQUEL_SCENE_PICTURE FAULT_PROGRAM_JS [ENGINE...]"""

import asyncio
import functools
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
from browser import Site  # noqa: E402
from engines import ALTGRAPH, ENGINES, HEAP, IME, LOADING, open_engine  # noqa: E402
from PIL import Image  # noqa: E402

STEPS = 300
MENU = "Run Random  Tests: 1\nRun Specific Test: 2\n"
NAN = r"-?nan"
NOT_UNDERSTOOD = "The menu answer was not understood; nothing was changed."
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


def ball(picture):
    """The ball's green pixels: their count and mean column and row."""
    width = picture.size[0]
    at = [divmod(i, width) for i, (r, g, b) in enumerate(picture.getdata())
          if g > 200 and r < 80 and b < 80]
    return len(at), sum(x for _, x in at) / len(at), sum(y for y, _ in at) / len(at)


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


async def count_of(b, element_id, text):
    return (await b.evaluate(text_of(element_id))).count(text)


# Keys on the scene: which open the menu, and which stay the browser's.
# key, key code, text, modifiers (Alt 1, Ctrl 2, Meta 4, Shift 8), opens it
KEYS = [
    ("Escape", 27, None, 0, True),
    ("Delete", 46, None, 0, True),
    ("q", 81, "q", 0, True),
    ("r", 82, "r", 2, False),    # Ctrl+R: reload
    ("f", 70, "f", 2, False),    # Ctrl+F: find
    ("r", 82, "r", 4, False),    # Cmd+R
    ("=", 187, "=", 2, False),   # Ctrl+=: zoom
    ("x", 88, "x", 1, False),    # Alt+X
    ("Tab", 9, None, 0, False),  # and the focus moves on, off the scene
    ("Tab", 9, None, 8, False),  # Shift+Tab
]
# An AltGr character: a synthetic event, as no driver holds AltGraph.
ALTGR = ("canvas.dispatchEvent(new KeyboardEvent('keydown', {key: '@', ctrlKey: true, "
         "altKey: true, modifierAltGraph: true, bubbles: true, cancelable: true}))")


async def keys(b):
    wrong = []
    altgr = [] if lacking(b, "AltGr+@ on the scene", ALTGRAPH) else [("AltGr+@", 0, None, 0, True)]
    for key, key_code, text, modifiers, opens in KEYS + altgr:
        await b.click("canvas")
        if key == "AltGr+@":
            await b.evaluate(f"const canvas = document.getElementById('canvas'); {ALTGR}")
        else:
            await b.key(key, key_code=key_code, text=text, modifiers=modifiers)
        state = await b.evaluate(f"[{O}.waiting(), document.activeElement.id]")
        if state[0] != opens or (key == "Tab" and state[1] == "canvas"):
            wrong.append((key, modifiers, state))
        if state[0]:
            await b.click("stdin")
            await b.type_line("0")
    assert not wrong, f"keys on the scene: {wrong}"


async def run_page(b, site, tool):
    # Loading, and the picture after STEPS steps against the desktop's.
    await b.navigate(site.url + f"?steps={STEPS}")
    await b.settled(STEPS)
    page = await b.picture()
    desktop = desktop_picture(tool, STEPS)
    share = differing_share(page, desktop)
    (n, x, y), (dn, dx, dy) = ball(page), ball(desktop)
    print(f"picture after {STEPS} steps: {share:.2%} of the pixels differ from the desktop's; "
          f"the ball: {n} pixels at ({x:.1f}, {y:.1f}), the desktop's {dn} at ({dx:.1f}, {dy:.1f})")
    assert share < 0.01
    assert abs(n - dn) <= 0.1 * dn and abs(x - dx) <= 1.5 and abs(y - dy) <= 1.5
    assert not b.messages, b.messages

    # The pane drops its oldest lines at once when more than it keeps come
    # between two frames, and counts them all.
    written = int(await b.evaluate("document.getElementById('count').dataset.written"))
    await b.evaluate("Module.orbiquelOutput(1, Array.from({length: 2500}, (_, i) => "
                     "'line ' + i + '\\n').join(''))")
    await b.wait_for(f"document.getElementById('count').dataset.written == {written + 2500}")
    kept = (await b.evaluate(text_of("console"))).split("\n")
    assert kept[-1] == "" and kept[-1001:-1] == [f"line {i}" for i in range(1500, 2500)]

    await keys(b)

    # A key without a printable character (Backspace) opens the menu; the
    # answers drop the ball onto the floor, where it comes to rest.
    await key_on_scene(b, "Backspace", 8)
    await b.type_line("2")
    await b.type_line("2 3 2 0 -300 0")
    await b.wait_for(f"!{O}.waiting()", what="the answers")
    await console_ends_with(b, MENU + "2\nBall Position x: 2 3 2 0 -300 0\nBall Position y: "
                            "Ball Position z: Ball Velocity x: Ball Velocity y: Ball Velocity z: ")
    assert await b.evaluate("document.activeElement.id") == "stdin", "the focus moved"
    await b.evaluate(f"{O}.runMore(30)")
    await b.settled(STEPS + 30)
    transcript = await b.evaluate(text_of("console"))
    assert AT_REST.search(transcript), transcript[-300:]
    dropped = await b.picture()
    assert ball(dropped)[2] > ball(page)[2] + 50, "the ball is not lower"

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
    await b.wait_for(f"{text_of('stderr')}.includes('{NOT_UNDERSTOOD}')")
    await console_ends_with(b, "two\n" + MENU)
    assert await count_of(b, "console", "two\n") == 1
    assert await count_of(b, "stderr", NOT_UNDERSTOOD) == 1

    # At the menu: an empty line is skipped, as the program skips blank
    # space; an input method's Enter that ends a composition sends nothing;
    # what is typed on the scene while the program waits goes to the input
    # line; a line of over 1,024 bytes is read whole.
    await key_on_scene(b, "q", 81, "q")
    await b.type_line("")
    if not lacking(b, "an input method's Enter", IME):
        await b.send("Input.imeSetComposition", text="に", selectionStart=1, selectionEnd=1)
        await b.key("Enter", key_code=13, text="\r")
        await b.evaluate("document.getElementById('stdin').value = ''")
    await b.click("canvas")
    await b.key("2", key_code=50, text="2")
    assert await b.evaluate(f"[{O}.waiting(), document.activeElement.id, "
                            "document.getElementById('stdin').value]") == [True, "stdin", "2"]
    await b.type_line(" " * 1100 + "2 3 2 0 -300 0 é")
    await b.wait_for(f"!{O}.waiting()", what="the long line read")
    await console_ends_with(b, MENU + "\n2" + " " * 1100 + "2 3 2 0 -300 0 é\nBall Position x: "
                            "Ball Position y: Ball Position z: Ball Velocity x: Ball Velocity y: "
                            "Ball Velocity z: ")
    assert not b.messages, b.messages


async def before_it_runs(b, site):
    """Loading, and a line typed before the program runs."""
    site.hold("orbiquel.js", "orbiquel.wasm")
    await b.navigate(site.url, ready=("interactive", "complete"))
    await b.click("stdin")
    await b.type_line("wo")
    site.release("orbiquel.js")
    await b.wait_for(f"window.Module && {O}")
    await asyncio.sleep(1.2)
    loading = await b.evaluate(f"[{text_of('status')}, {text_of('rates')}]")
    assert loading == ["Loading…", ""], loading
    site.release()
    await b.wait_for(f"{O}.steps > 0")
    await b.click("canvas")
    await b.key("x", key_code=88, text="x")
    await b.wait_for(f"{text_of('stderr')}.includes('{NOT_UNDERSTOOD}')")
    assert await count_of(b, "console", "wo\n") == 1


async def steadiness(b, site):
    """Frame rate over 10 s of flowing transcript, memory over a minute."""
    await b.navigate(site.url)
    await b.wait_for(f"{O} && {O}.frames > 0")
    sample = f"[performance.now(), {O}.frames, {O}.steps, Module._orbiquel_heap_in_use()]"
    await asyncio.sleep(2)
    # The status line is a live region: while nothing changes for the user,
    # it must not change at all.
    await b.evaluate("window.statusChanges = 0; new MutationObserver(() => statusChanges++)"
                     ".observe(document.getElementById('status'), {subtree: true, "
                     "childList: true, characterData: true})")

    async def memory():
        await b.send("HeapProfiler.collectGarbage")
        metrics = await b.metrics()
        return metrics["JSHeapUsedSize"], metrics["Nodes"], (await b.evaluate(sample))[3]
    before = await memory()
    t0, frames0, steps0, _ = await b.evaluate(sample)
    await asyncio.sleep(10)
    t1, frames1, steps1, _ = await b.evaluate(sample)
    fps = (frames1 - frames0) / (t1 - t0) * 1000
    print(f"{fps:.1f} frames/s and {(steps1 - steps0) / (t1 - t0) * 1000:.0f} steps/s over 10 s")
    assert fps >= 50, fps
    await asyncio.sleep(50)
    after = await memory()
    print("over a minute: JS heap, DOM nodes, program heap in use: "
          f"{before} -> {after}; the status line changed {await b.evaluate('statusChanges')} times")
    assert after[0] < before[0] + 1_000_000 and after[1] < before[1] + 200, (before, after)
    assert after[2] <= before[2] + 4096, (before, after)
    assert await b.evaluate("statusChanges") == 0


async def faults(b, site, folder, fault_program):
    async def fault_text():
        return await b.wait_for("!document.getElementById('fault').hidden && "
                                + text_of("fault"), what="the fault message")

    # An exception that escapes a callback, and abort(), in a program built
    # with the page's callbacks, served as the page's program.
    with tempfile.TemporaryDirectory() as other:
        shutil.copytree(folder, other, dirs_exist_ok=True)
        shutil.copy(fault_program, os.path.join(other, "orbiquel.js"))
        shutil.copy(fault_program[:-3] + ".wasm", other)
        faulty = Site(other)
        try:
            for key, said in (("e", "the keyboard callback ended by an exception (a test fault)"),
                              ("a", "gave no reason")):
                await b.navigate(faulty.url)
                await b.wait_for(f"{O} && {O}.steps > 0")
                await b.click("canvas")
                await b.key(key, key_code=ord(key.upper()), text=key)
                shown = await fault_text()
                assert said in shown, shown
                if key == "e":
                    await b.wait_for(f"{text_of('stderr')}.includes({json.dumps(said)})")
                    assert await count_of(b, "stderr", said) == 1
        finally:
            faulty.close()

    # A program error that escapes: a call through a null function pointer.
    await b.navigate(site.url)
    await b.wait_for(f"{O} && {O}.frames > 0")
    await b.evaluate("setTimeout(() => Module._orbiquel_call_idle(0))")
    assert "stopped" in await fault_text()
    steps = await b.evaluate(f"{O}.steps")
    await asyncio.sleep(0.5)
    assert await b.evaluate(f"{O}.steps") == steps
    assert await b.evaluate("document.getElementById('stdin').disabled && "
                            "!document.getElementById('stdin-note').hidden")

    await b.navigate("file://" + os.path.abspath(folder) + "/index.html")
    assert "over HTTP" in await fault_text()


def lacking(b, scenario, *needs):
    """True, having said why, when the engine cannot run the scenario."""
    reasons = [b.lacks[need] for need in needs if need in b.lacks]
    if reasons:
        print(f"{b.name}: {scenario} skipped: {'; '.join(reasons)}")
    return bool(reasons)


async def in_engine(name, site, folder, tool, fault_program):
    b = await open_engine(name)
    try:
        print(f"== {name} {b.version}")
        for need, reason in b.lacks.items():
            print(f"{name}: without {need}: {reason}")
        await run_page(b, site, tool)
        if not lacking(b, "a line typed before the program runs", LOADING):
            await before_it_runs(b, site)
        await faults(b, site, folder, fault_program)
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


async def main(folder, tool, fault_program, engines):
    site = Site(folder)
    try:
        for name in engines:
            start = time.monotonic()
            await in_engine(name, site, folder, tool, fault_program)
            print(f"{name}: {time.monotonic() - start:.0f} s")
    finally:
        site.close()
    print(f"page test: passed in {', '.join(engines)}")


if __name__ == "__main__":
    if (len(sys.argv) < 4 or not os.path.exists(sys.argv[2])
            or not set(sys.argv[4:]) <= set(ENGINES)):
        sys.exit(f"usage: {sys.argv[0]} SITE_DIR ORBIQUEL_SCENE_PICTURE (from a desktop build)"
                 f" FAULT_PROGRAM_JS [ENGINE...] (of {', '.join(ENGINES)})")
    asyncio.run(main(*sys.argv[1:4], sys.argv[4:] or list(ENGINES)))

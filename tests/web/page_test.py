#!/usr/bin/python3
"""The web page in one engine (Chromium, WebKitGTK or Firefox ESR), served
from 127.0.0.1: it loads
cleanly, draws what the desktop program draws, ball included; opens the
menu for the keys that type on the scene and leaves the browser its own;
hands typed lines to standard input as a terminal does (typed ahead, before
the program runs, or on the scene while it waits); drops the ball; reports
an answer that is not a number; holds its frame rate and memory while the
transcript flows, with a quiet status line; and says what is wrong where it
cannot run or stops.

A scenario that needs what an engine's driver lacks is skipped there, with
the reason.

    page_test.py SITE_DIR ORBIQUEL_SCENE_PICTURE FAULT_PROGRAM_JS ENGINE"""

import asyncio
import functools
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image
from support import ENGINES, open_engine
from support.engine import ALTGRAPH, EARLY, HEAP, IME, LOADING, ORB
from support.scenario import (AT_REST, BALL_PROMPTS, DROP, MENU, NOT_UNDERSTOOD, Scenarios,
                              audit, ball, console_ends_with, drop_transcript, lacking, text_of)
from support.server import Site, allow_driver_eval

STEPS = 300
# The longest task, in ms, from the start on.
LONGEST_TASK = 200


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


@functools.cache
def desktop_picture(tool, steps):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "desktop.ppm")
        subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", tool, str(steps), path],
                       check=True)
        return Image.open(path).convert("RGB")


async def key_on_scene(b, key):
    await b.click("canvas")
    await b.key(key)
    await console_ends_with(b, MENU)
    await b.wait_for("document.activeElement.id === 'stdin'", what="the input line's focus")


async def count_of(b, element_id, text):
    return (await b.evaluate(text_of(element_id))).count(text)


# Keys on the scene: which open the menu, and which stay the browser's.
# key, modifiers held, opens it
KEYS = [
    ("Escape", {}, True),
    ("Delete", {}, True),
    ("q", {}, True),
    ("r", {"ctrl": True}, False),    # Ctrl+R: reload
    ("f", {"ctrl": True}, False),    # Ctrl+F: find
    ("r", {"meta": True}, False),    # Cmd+R
    ("=", {"ctrl": True}, False),    # Ctrl+=: zoom
    ("x", {"alt": True}, False),     # Alt+X
    ("Tab", {}, False),              # and the focus moves on, off the scene
    ("Tab", {"shift": True}, False),
]
# An AltGr character: a synthetic event, as no driver holds AltGraph.
ALTGR = ("canvas.dispatchEvent(new KeyboardEvent('keydown', {key: '@', ctrlKey: true, "
         "altKey: true, modifierAltGraph: true, bubbles: true, cancelable: true}))")


# The page's own rules, at the menu, with the focus on the scene.
CONTRAST = ("(() => { const lum = (c) => c.match(/[\\d.]+/g).slice(0, 3).map((v) => v / 255)"
            ".map((v) => (v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4))"
            ".reduce((s, v, i) => s + [0.2126, 0.7152, 0.0722][i] * v, 0);"
            " const [a, b] = [getComputedStyle(document.activeElement).outlineColor,"
            " getComputedStyle(document.body).backgroundColor].map(lum);"
            " return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05); })()")
RULES = [
    ("the scene's focus ring stands 3:1 against the page", CONTRAST + " >= 3"),
    ("the waiting input line wears no ring without the focus",
     "getComputedStyle(document.getElementById('stdin')).outlineStyle === 'none'"),
    ("the console pane has a role and a short name",
     "(e => e.getAttribute('role') === 'log' && e.getAttribute('aria-label') === "
     "'Standard output')(document.getElementById('console'))"),
    ("the manifest has an id, the page a description",
     "fetch('manifest.webmanifest').then(r => r.json()).then(m => !!m.id &&"
     " !!document.querySelector('meta[name=description]').content)"),
    ("a Content-Security-Policy",
     "!!document.querySelector('meta[http-equiv=Content-Security-Policy]')"),
]


async def keys(b):
    wrong = []
    altgr = [] if lacking(b, "AltGr+@ on the scene", ALTGRAPH) else [("AltGr+@", {}, True)]
    for key, modifiers, opens in KEYS + altgr:
        await b.click("canvas")
        if key == "AltGr+@":
            await b.evaluate(f"const canvas = document.getElementById('canvas'); {ALTGR}")
            await b.caught_up()
        else:
            await b.key(key, **modifiers)
        state = await b.evaluate(f"[{ORB}.waiting(), document.activeElement.id]")
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
    await b.hover("canvas")

    # A key without a printable character (Backspace) opens the menu; the
    # answers drop the ball onto the floor, where it comes to rest.
    await key_on_scene(b, "Backspace")
    await b.type_line("2")
    await b.type_line(DROP)
    await b.wait_for(f"!{ORB}.waiting()", what="the answers")
    await console_ends_with(b, drop_transcript())
    assert await b.evaluate("document.activeElement.id") == "stdin", "the focus moved"
    await b.evaluate(f"{ORB}.runMore(30)")
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
    await b.key("t")
    await b.type_line("wo")
    await b.evaluate("new Promise(r => setTimeout(r, 300))")
    assert (await b.evaluate(text_of("console"))).count(MENU) == menus
    await b.click("canvas")
    await b.key("x")
    await b.wait_for(f"{text_of('stderr')}.includes('{NOT_UNDERSTOOD}')")
    await console_ends_with(b, "two\n" + MENU)
    assert await count_of(b, "console", "two\n") == 1
    assert await count_of(b, "stderr", NOT_UNDERSTOOD) == 1

    # At the menu: an empty line is skipped, as the program skips blank
    # space; an input method's Enter that ends a composition sends nothing;
    # what is typed on the scene while the program waits goes to the input
    # line; a line of over 1,024 bytes is read whole.
    await key_on_scene(b, "q")
    await b.type_line("")
    if not lacking(b, "an input method's Enter", IME):
        await b.compose_ime("に")
        await b.key("Enter")
        await b.evaluate("document.getElementById('stdin').value = ''")
    await b.click("canvas")
    await b.key("2")
    assert await b.evaluate(f"[{ORB}.waiting(), document.activeElement.id, "
                            "document.getElementById('stdin').value]") == [True, "stdin", "2"]
    long_line = "2" + " " * 1100 + DROP + " é"
    await b.type_line(long_line[1:])
    await b.wait_for(f"!{ORB}.waiting()", what="the long line read")
    await console_ends_with(b, MENU + "\n" + long_line + "\n" + "".join(BALL_PROMPTS))
    assert not b.messages, b.messages


async def before_it_runs(b, site):
    """Loading, and a line typed before the program runs."""
    site.hold("orbiquel.js", "orbiquel.wasm")
    await b.navigate(site.url, ready=("interactive", "complete"))
    await b.click("stdin")
    await b.type_line("wo")
    site.release("orbiquel.js")
    await b.wait_for(f"window.Module && !!{ORB}")
    # The status as the first step has run.
    await b.evaluate("const started = Module.orbiquelStarted; Module.orbiquelStarted = () => "
                     "{ started(); window.statusThen = document.getElementById('status')"
                     ".textContent; }")
    await b.sleep(1.2)
    loading = await b.evaluate(f"[{text_of('status')}, {text_of('rates')}]")
    assert loading == ["Loading…", ""], loading
    site.release()
    status = await b.wait_for("window.statusThen")
    assert status != "Loading…", "the status stayed Loading… past the first step"
    await b.click("canvas")
    await b.key("x")
    await b.wait_for(f"{text_of('stderr')}.includes('{NOT_UNDERSTOOD}')")
    assert await count_of(b, "console", "wo\n") == 1


async def audits(b, site):
    """axe-core and the page's own rules in each state a user meets: running,
    the menu, the ball's fields, a field's fault, after a drop with its link,
    and a link's fault."""
    await b.navigate(site.url)
    await b.wait_for(f"{ORB} && {ORB}.steps > 0")
    await audit(b, "running")
    await key_on_scene(b, "q")
    await audit(b, "the menu")
    await b.click("canvas")
    broken = [what for what, check in RULES if not await b.evaluate(check)]
    await b.key("Tab")
    if await b.evaluate("!!document.activeElement.closest('.help')"):
        broken.append("Tab leads from the scene past the console to the help")
    assert not broken, broken
    await b.click("answer-2")
    await audit(b, "the ball's fields")
    await b.evaluate("document.getElementById('ball-y').value = 'x'")
    await b.click("drop")
    assert await b.evaluate("document.getElementById('ball-y').ariaInvalid") == "true"
    await audit(b, "a field's fault")
    await b.evaluate("document.getElementById('ball-y').value = '3'")
    await b.click("drop")
    await b.wait_for(f"!{ORB}.waiting() && !document.getElementById('share').hidden")
    focus = await b.evaluate("document.activeElement.id")
    assert focus == "stdin", f"the focus went to {focus!r} after the drop"
    await audit(b, "after a drop, with its link")
    await b.navigate(site.url + "?ball=2,3")
    await b.wait_for("!document.getElementById('link-fault').hidden")
    await audit(b, "a link's fault")


# Layout shifts and the longest task, where the engine reports them.
OBSERVE = ("window.observed = {'layout-shift': 0, longtask: 0}; for (const type of Object.keys("
           "observed)) if (PerformanceObserver.supportedEntryTypes.includes(type)) new "
           "PerformanceObserver((l) => { for (const e of l.getEntries()) observed[type] = type ==="
           " 'longtask' ? Math.max(observed[type], e.duration) : observed[type] + (e.hadRecentInput"
           " ? 0 : e.value); }).observe({type, buffered: true}); else delete observed[type]")


async def steadiness(b, site):
    """Frame rate over 10 s of flowing transcript, memory over a minute."""
    # From before the page's first script: the program's start included.
    await b.run_first(OBSERVE)
    await b.navigate(site.url)
    await b.wait_for(f"{ORB} && {ORB}.frames > 0")
    sample = f"[performance.now(), {ORB}.frames, {ORB}.steps, {ORB}.heapInUse()]"
    await b.sleep(2)
    # The status line is a live region: while nothing changes for the user,
    # it must not change at all.
    await b.evaluate("window.statusChanges = 0; new MutationObserver(() => statusChanges++)"
                     ".observe(document.getElementById('status'), {subtree: true, "
                     "childList: true, characterData: true})")

    async def memory():
        await b.collect_garbage()
        metrics = await b.metrics()
        return metrics["JSHeapUsedSize"], metrics["Nodes"], (await b.evaluate(sample))[3]
    before = await memory()
    t0, frames0, steps0, _ = await b.evaluate(sample)
    await b.sleep(10)
    t1, frames1, steps1, _ = await b.evaluate(sample)
    fps = (frames1 - frames0) / (t1 - t0) * 1000
    print(f"{fps:.1f} frames/s and {(steps1 - steps0) / (t1 - t0) * 1000:.0f} steps/s over 10 s")
    observed = await b.evaluate("observed")
    lines = (await b.evaluate(text_of("console"))).count("\n")
    print(f"the same 10 s: {observed} (layout shift, longest task in ms since the start); "
          f"{lines} lines in the console pane")
    assert observed.get("layout-shift", 0) <= 0.01, "the layout shifted"
    assert observed.get("longtask", 0) <= LONGEST_TASK, "a long task"
    assert 1000 <= lines <= 2600, "the pane did not drop its oldest lines as text flowed"
    # The same page drawing no transcript for 5 s. Where even that misses the
    # aim (a host slowed by its neighbours, where rates over a few seconds
    # vary by a third), the flowing rate is held to half of it instead.
    await b.evaluate("window.kept = Module.orbiquelOutput; Module.orbiquelOutput = () => {}")
    await b.sleep(1)
    t2, frames2, _, _ = await b.evaluate(sample)
    await b.sleep(5)
    t3, frames3, _, _ = await b.evaluate(sample)
    await b.evaluate("Module.orbiquelOutput = kept")
    bare = (frames3 - frames2) / (t3 - t2) * 1000
    print(f"{bare:.1f} frames/s with no transcript drawn")
    assert fps >= (50 if bare >= 55 else 0.5 * bare), (fps, bare)
    await b.sleep(44)
    after = await memory()
    print("over a minute: JS heap, DOM nodes, program heap in use: "
          f"{before} -> {after}; the status line changed {await b.evaluate('statusChanges')} times")
    assert after[0] < before[0] + 500_000, f"the JavaScript heap grew: {before} -> {after}"
    assert after[1] < before[1] + 200, f"the DOM grew: {before} -> {after}"
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
        faulty = Site(other, driver_eval=b.driver_eval)
        try:
            for key, said in (("e", "the keyboard callback ended by an exception (a test fault)"),
                              ("a", "gave no reason")):
                await b.navigate(faulty.url)
                await b.wait_for(f"{ORB} && {ORB}.steps > 0")
                await b.click("canvas")
                await b.key(key)
                shown = await fault_text()
                assert said in shown, shown
                if key == "e":
                    await b.wait_for(f"{text_of('stderr')}.includes({json.dumps(said)})")
                    assert await count_of(b, "stderr", said) == 1
        finally:
            faulty.close()
        # Opened as a file (with the policy the server would serve).
        if b.driver_eval:
            allow_driver_eval(os.path.join(other, "index.html"))
        await b.navigate("file://" + other + "/index.html")
        assert "over HTTP" in await fault_text()

    # A program error that escapes: a call through a null function pointer.
    await b.navigate(site.url)
    await b.wait_for(f"{ORB} && {ORB}.frames > 0")
    await b.evaluate(f"setTimeout(() => {ORB}.callIdle(0))")
    assert "stopped" in await fault_text()
    steps = await b.evaluate(f"{ORB}.steps")
    await b.sleep(0.5)
    assert await b.evaluate(f"{ORB}.steps") == steps
    assert await b.evaluate("document.getElementById('stdin').disabled && "
                            "!document.getElementById('stdin-note').hidden")


async def without_webgl(b, site):
    """Said; and said again where the page remembered that the browser drew
    WebGL in a worker, an answer it then forgets."""
    key = "'orbiquel: draws WebGL in a worker'"
    async with open_engine(b.name, webgl=False) as other:
        for _ in range(2):
            await other.navigate(site.url)
            await other.wait_for("!document.getElementById('fault').hidden && "
                                 + text_of("fault") + ".includes('WebGL')")
            assert await other.evaluate(f"localStorage.getItem({key})") != "yes", "kept"
            await other.evaluate(f"localStorage.setItem({key}, 'yes')")


async def main(folder, tool, fault_program, name):
    start = time.monotonic()
    site = Site(folder, driver_eval=ENGINES[name].driver_eval)
    try:
        async with open_engine(name) as b:
            scenarios = Scenarios(b)
            await scenarios.run("the page", run_page, site, tool)
            await scenarios.run("a line typed before the program runs", before_it_runs, site,
                                needs=[LOADING])
            await scenarios.run("faults", faults, site, folder, fault_program)
            await scenarios.run("audits", audits, site)
            await scenarios.run("frame rate and memory over a minute", steadiness, site,
                                needs=[HEAP, EARLY])
            await scenarios.run("the page without WebGL", without_webgl, site)
    finally:
        site.close()
    print(f"{name}: {time.monotonic() - start:.0f} s")
    scenarios.end("page test")


if __name__ == "__main__":
    if len(sys.argv) != 5 or not os.path.exists(sys.argv[2]) or sys.argv[4] not in ENGINES:
        sys.exit(f"usage: {sys.argv[0]} SITE_DIR ORBIQUEL_SCENE_PICTURE (from a desktop build)"
                 f" FAULT_PROGRAM_JS ENGINE (one of {', '.join(ENGINES)})")
    asyncio.run(main(*sys.argv[1:]))

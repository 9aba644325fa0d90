#!/usr/bin/python3
"""The web page on a phone, in headless chromium with its device emulation
and real touch events, served from 127.0.0.1: it fits three phone screens;
a tap on the scene opens the menu where a mouse click and a swipe do not;
the answer buttons and the drop button drop the ball; a link drops it as
typing does, and a malformed one types nothing; Pause holds the step and
the picture, Step adds one step, the panel tells the ball at rest, and the
link to the paused moment opens it again; and after one visit the
page runs with its server stopped, and shows a changed file once the
server is back. In WebKitGTK and Firefox ESR too (the engine named):
where a scenario needs what an engine's driver lacks (touch, a phone's
screen, a swipe that scrolls, a pen, clearing the HTTP cache) it
is skipped there with the reason, and without a phone's screen the links
are tried at the window's size.

    phone_test.py SITE_DIR ENGINE"""

import asyncio
import hashlib
import json
import os
import re
import shutil
import sys
import tempfile

from PIL import ImageChops
from support import ENGINES, open_engine
from support.engine import CACHE, ORB, PEN, SWIPE, TOUCH
from support.scenario import (AT_REST, BALL_PROMPTS, DROP, MENU, Scenarios, audit, ball,
                              console_ends_with, drop_transcript, lacking, text_of)
from support.server import Site

STEPS = 300
# Few enough that the pane still holds the answers.
LINK_STEPS = 60


async def pause(b, seconds=0.3):
    await b.evaluate(f"new Promise(r => setTimeout(r, {seconds * 1000}))")


async def layout(b, site):
    """No sideways scrolling at three phone sizes; at 360 x 740 the whole
    scene, drawn at 400 x 400, and the status line on the first screen."""
    for width, height in ((360, 740), (412, 915), (740, 360)):
        await b.phone(width, height)
        await b.navigate(site.url)
        await b.wait_for(f"{ORB} && {ORB}.frames > 0")
        sizes = await b.evaluate(
            "(() => { const c = document.getElementById('canvas').getBoundingClientRect();"
            " const s = document.getElementById('status').getBoundingClientRect();"
            " const d = document.documentElement;"
            " return [innerWidth, d.scrollWidth, c.top, c.bottom, s.bottom, innerHeight,"
            " canvas.width, canvas.height]; })()")
        print(f"{width} x {height}: viewport, page width, scene top and bottom, status "
              f"bottom, viewport height, drawing buffer: {sizes}")
        view, page_width, top, bottom, status, view_height, *buffer = sizes
        assert view == width and page_width <= width, "the page scrolls sideways"
        assert buffer == [400, 400]
        if (width, height) == (360, 740):
            assert top >= 0 and bottom <= status <= view_height, "not on the first screen"
            await audit(b, "the one-column layout")
            # Tab follows the column down.
            await b.click("canvas")
            tops = []
            while len(tops) < 8 and await b.evaluate("document.activeElement !== document.body"):
                tops.append(await b.evaluate("document.activeElement.getBoundingClientRect().top"
                                             " + scrollY"))
                await b.key("Tab")
            assert tops == sorted(tops), f"Tab's order is not the column's: {tops}"


async def taps_and_drop(b, site):
    """A mouse click and a swipe on the scene open nothing (the swipe
    scrolls the page); a tap opens the menu; its buttons and the fields
    drop the ball, after a field that is not a number stopped them; then a
    pen's tap opens the menu again."""
    await b.phone(360, 740)
    await b.navigate(site.url + f"?steps={STEPS}")
    await b.settled(STEPS)
    before = await b.picture()

    await b.click("canvas")
    x, y = await b.centre("canvas")
    await b.touch((x, y), (x, y - 60), (x, y - 120), (x, y - 180))
    await pause(b, 0.5)
    if not lacking(b, "the swipe's scrolling", SWIPE):
        assert await b.evaluate("scrollY") > 50, "a swipe on the scene did not scroll the page"
    assert MENU not in await b.evaluate(text_of("console")), "a click or a swipe opened the menu"

    await b.evaluate("scrollTo(0, 0)")
    await b.tap("canvas")
    await console_ends_with(b, MENU)
    await b.wait_for("document.activeElement.id === 'answer-1'", what="the answers' focus")
    await pause(b)
    assert await b.evaluate("document.activeElement.id") == "answer-1", "the tap took the focus"
    await b.tap("answer-2")
    await b.evaluate("document.getElementById('ball-y').value = 'NaN'")
    await b.tap("drop")
    await b.wait_for(f"{text_of('ball-y-problem')} !== ''", what="the field's message")
    assert await b.evaluate(f"{text_of('console')}.endsWith({json.dumps(MENU)})"), "sent anyway"

    await b.evaluate("document.getElementById('ball-y').value = '3'")
    await b.tap("drop")
    await console_ends_with(b, drop_transcript())
    assert not await b.evaluate(f"{ORB}.waiting()")
    await b.evaluate(f"{ORB}.runMore(30)")
    await b.settled(STEPS + 30)
    assert ball(await b.picture())[2] > ball(before)[2] + 50, "not lower"
    link = await b.evaluate("document.getElementById('share-link').value")
    assert link == site.url + "?ball=2,3,2,0,-300,0", link

    # A pen's tap is a tap.
    if not lacking(b, "a pen's tap", PEN):
        await b.pen_tap("canvas")
        await console_ends_with(b, MENU)
    assert not b.messages, b.messages


async def link(b, site):
    """A drop typed at the prompts is offered as a link, and ?ball= gives the
    transcript and the picture that typing the drop after the first step
    gives."""
    if TOUCH not in b.lacks:
        await b.phone(360, 740)
    await b.navigate(site.url + "?steps=1")
    await b.settled(1)
    await b.click("canvas")
    await b.key("Enter")
    await b.wait_for(f"{ORB}.waiting()")
    await b.type_line("2")
    # Typed at its prompt, as the link answers it: typed ahead, the line's
    # echo would come before the prompt.
    await console_ends_with(b, BALL_PROMPTS[0])
    await b.type_line(DROP)
    await b.evaluate(f"{ORB}.runMore({LINK_STEPS - 1})")
    await b.settled(LINK_STEPS)
    typed = [await b.evaluate(text_of("console")), await b.picture()]
    link = await b.evaluate("document.getElementById('share-link').value")
    assert link == site.url + "?ball=2,3,2,0,-300,0", f"typed drop offered {link!r}"

    await b.navigate(site.url + f"?steps={LINK_STEPS}&ball=2,3,2,0,-300,0")
    await b.settled(LINK_STEPS)
    linked = [await b.evaluate(text_of("console")), await b.picture()]
    assert drop_transcript() in linked[0]
    assert linked[0] == typed[0], "the link's transcript differs from typing's"
    assert ImageChops.difference(linked[1], typed[1]).getbbox() is None, "pictures differ"
    assert not b.messages, b.messages


async def pause_and_step(b, site):
    """Pause holds the step and the picture; Step adds one step and its
    lines; the panel tells the example drop at rest; the link to the moment
    opens paused with the same panel and picture; both controls are
    disabled at the menu. Tapped on a phone, clicked where touch is lacking."""
    press = b.click if lacking(b, "tapping Pause and Step (clicked instead)", TOUCH) else b.tap
    await b.navigate(site.url + "?ball=2,3,2,0,-300,0")
    await b.wait_for(f"{ORB} && {ORB}.steps > 10 && !{ORB}.waiting()")
    await press("pause")
    await b.caught_up()
    await b.settled(await b.evaluate(f"{ORB}.steps"))
    held = [await b.evaluate(f"{ORB}.steps"), await b.picture()]
    await pause(b, 1)
    assert [await b.evaluate(f"{ORB}.steps"), await b.picture()] == held, "pause held nothing"
    shown = await b.evaluate(f"[{text_of('status')}, {text_of('rates')}, {text_of('ball-state')}]")
    assert shown[:2] == [f"Paused at step {held[0]}.", ""], shown
    for said in ("at rest, touching the floor", "(2, 0.5, 2)", "(0, 0, 0)"):
        assert said in shown[2], shown[2]
    written = "+document.getElementById('count').dataset.written"
    before = await b.evaluate(written)
    await press("step")
    await b.wait_for(f"{ORB}.steps > {held[0]} && {written} > {before}", what="one step")
    await pause(b)
    assert await b.evaluate(f"[{ORB}.steps, {written}]") == [held[0] + 1, before + 12]
    assert AT_REST.search(await b.evaluate(text_of("console")))

    moment = f"[{text_of('ball-state')}, {ORB}.steps, {ORB}.paused, {ORB}.redisplay]"
    # The panel is written at the page's next animation frame after the
    # program's state comes, which may be a few steps behind it.
    drawn = f"!{ORB}.redisplay && {text_of('state-step')} === {ORB}.steps.toLocaleString('en')"
    await b.wait_for(drawn, what="the step's frame")
    paused = [await b.evaluate(moment), await b.picture()]
    await b.navigate(await b.evaluate("document.getElementById('share-link').value"))
    # Paused at the moment's step, not at the drop's, where the link pauses
    # first.
    await b.wait_for(f"{ORB} && {ORB}.paused && {ORB}.steps === {paused[0][1]} && {drawn}",
                     what="the moment")
    opened = [await b.evaluate(moment), await b.picture()]
    assert opened[0] == paused[0], f"not the same moment: {opened[0]}, paused {paused[0]}"
    assert opened[1] == paused[1], "not the same moment's picture"

    await b.click("canvas")
    await b.key("q")
    await console_ends_with(b, MENU)
    assert await b.evaluate("['pause', 'step'].map(id => document.getElementById(id).disabled)"
                            ) == [True, True]


B = "ball=2,3,2,0,-300,0"
# A drop or a moment in the address that is not one, and what its message
# names.
MALFORMED = [("ball=2,3,2,0,-300", "ball="), ("ball=2,3,2,0,-300,0,0", "ball="),
             ("ball=NaN,3,2,0,-300,0", "ball="), ("ball=2,3,2,0,1e39,0", "ball="),
             ("ball=<b>2</b>,3,2,0,-300,0", "ball="), (B + "&at=5&pause=4", "pause=4 comes before"),
             ("pause=0", "pause=0 names no step"), (B + "&pause=9", "ball= comes without at="),
             (B + "&at=1&pause=x", 'pause="x"')]


async def malformed_links(b, site):
    """A drop or a moment that is not one: a message, nothing typed, no
    pause, the program runs."""
    for query, said in MALFORMED:
        await b.navigate(site.url + "?steps=30&" + query)
        await b.settled(30)
        state = await b.evaluate(
            "(() => { const f = document.getElementById('link-fault');"
            f" return [f.hidden, f.childElementCount, f.textContent, {ORB}.waiting(),"
            f" {text_of('console')}.includes({json.dumps(MENU)}), {ORB}.paused]; }})()")
        assert state[:2] == [False, 0] and said in state[2], (query, state)
        assert state[3:] == [False, False, False], f"{query}: something was typed or paused"


async def offline(b, folder):
    """After one visit, with the server stopped and the HTTP cache cleared,
    a reload runs the program; with the site rebuilt, each later page is of
    one build, the old one while its address fails, else the new one."""
    site = Site(folder, driver_eval=b.driver_eval)
    try:
        await b.navigate(site.url)
        await b.wait_for(f"{ORB} && {ORB}.steps > 0")
        await b.wait_for("navigator.serviceWorker.ready.then(r => r.active.state === 'activated')"
                         " && navigator.serviceWorker.controller !== null",
                         what="the worker to keep the site")
    finally:
        site.close()
    await b.clear_http_cache()
    await b.navigate(site.url)
    await b.wait_for(f"window.Module && {ORB} && {ORB}.steps > 10", what="the page to run offline")
    assert not await b.evaluate("!document.getElementById('fault').hidden")

    marked = b"document.body.dataset.changed = 'yes';\nconst bus ="
    rebuild(folder, {"index.html": (b"<main>", b'<main data-changed="yes">'),
                     "page.js": (b"const bus =", marked),
                     "orbiquel.wasm": (b"Taveric Initial", b"Taveric INITIAL")})
    # Served from the cache while the server fails the page's address, from
    # the network once it answers: all of it, the program's worker included.
    site = Site(folder, site.port, driver_eval=b.driver_eval)
    site.server.refused.add("index.html")
    try:
        for changed in [None, "yes"]:
            await b.navigate(site.url)
            await b.wait_for(f"window.Module && {ORB} && {ORB}.steps > 10")
            builds = await b.evaluate(
                "[document.querySelector('main').dataset.changed, document.body.dataset.changed,"
                " document.title.includes('INITIAL') ? 'yes' : undefined]")
            assert builds == [changed] * 3, f"two builds in one page: {builds}"
            site.server.refused.clear()
    finally:
        site.close()


def rebuild(folder, changes):
    """The site as the next build writes it: files changed, and the offline
    worker with their digests and the new build's name."""
    worker = os.path.join(folder, "sw.js")
    with open(worker) as f:
        kept = f.read()
    for name, (old, new) in changes.items():
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read().replace(old, new, 1)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        digest = hashlib.sha256(data).hexdigest()
        kept = re.sub(f'"{re.escape(name)}": "[0-9a-f]+"', f'"{name}": "{digest}"', kept)
    build = hashlib.sha256(kept.encode()).hexdigest()[:16]
    with open(worker, "w") as f:
        f.write(re.sub(r"const BUILD = '[0-9a-f]+'", f"const BUILD = '{build}'", kept))


async def main(folder, name):
    site = Site(folder, driver_eval=ENGINES[name].driver_eval)
    copy = tempfile.mkdtemp(prefix="orbiquel-site-")
    shutil.copytree(folder, copy, dirs_exist_ok=True)
    try:
        async with open_engine(name) as b:
            scenarios = Scenarios(b)
            await scenarios.run("the layout", layout, site, needs=[TOUCH])
            await scenarios.run("the taps", taps_and_drop, site, needs=[TOUCH])
            await scenarios.run("the link", link, site)
            await scenarios.run("pause and step", pause_and_step, site)
            await scenarios.run("malformed links", malformed_links, site)
            await scenarios.run("the page offline", offline, copy, needs=[CACHE])
    finally:
        site.close()
        shutil.rmtree(copy, ignore_errors=True)
    scenarios.end("phone test")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in ENGINES:
        sys.exit(__doc__)
    asyncio.run(main(*sys.argv[1:]))

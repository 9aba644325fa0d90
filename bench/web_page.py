"""The web page's figures: its weight, plain and gzipped (every file of the
site, the manifest, worker and icons included); the time from navigation to
the first frame drawn (median of 5 loads); frames and simulation steps per
second over 10 s of flowing transcript in headless chromium; the same on a
phone's screen, and the first frame there in the usual phone profile;
frames per second in each engine (Chromium, WebKitGTK, Firefox ESR) with
the transcript flowing and with none drawn, side by side; and, for
comparison, the desktop program's steps per second on the same machine
(bench/steps-per-second, under Xvfb).

    bench/web-page [--json] [--weight] [SITE_DIR [DESKTOP_PROGRAM]]
    (defaults: build/web/site, build/run/orbiquel; scripts/web and
    scripts/run build them)

With --json the figures are one JSON line on standard output, and the text
goes to standard error (bench/record reads the line); with --weight, only
the page's weight is measured and printed."""

import asyncio
import functools
import gzip
import json
import os
import statistics
import subprocess
import sys

from support import ENGINES, open_engine
from support.chromium import Chromium
from support.engine import ORB
from support.server import Site

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


async def measure(folder):
    site = Site(folder)
    try:
        async with Chromium() as b:
            first = []
            for _ in range(5):
                await b.navigate(site.url)
                first.append(await b.wait_for(f"window.Module && {ORB} && {ORB}.firstFrameTime"))
            await b.sleep(2)
            fps, steps = await rates(b, 10)
            return statistics.median(first), fps, steps
    finally:
        site.close()


async def first_frame(b, url, cold):
    """The median time to the first frame over 5 loads; cold loads start
    without the HTTP cache, the worker and its cache, as a first visit does."""
    first = []
    for _ in range(5):
        if cold:
            await b.send("Storage.clearDataForOrigin", origin=url.rstrip("/"),
                         storageTypes="all")
            await b.clear_http_cache()
        await b.navigate(url)
        first.append(await b.wait_for(f"window.Module && {ORB} && {ORB}.firstFrameTime"))
    return statistics.median(first)


async def measure_phone(folder):
    """The page on a phone's screen, 360 x 740 at device pixel ratio 2: the
    first frame and the frame rate as on the desktop; then the first frame
    of a first visit in the usual phone profile: the CPU slowed 4 times, a
    network of 150 ms round trip, 1.6 Mbit/s down and 750 kbit/s up, and
    the site served gzip-compressed."""
    site = Site(folder)
    compressed = Site(folder, compressed=True)
    try:
        async with Chromium() as b:
            await b.phone(360, 740)
            first = await first_frame(b, site.url, cold=False)
            await b.sleep(2)
            fps, _ = await rates(b, 10)
            await b.send("Network.enable")
            await b.send("Network.emulateNetworkConditions", offline=False, latency=150,
                         downloadThroughput=1.6e6 / 8, uploadThroughput=750e3 / 8)
            await b.send("Emulation.setCPUThrottlingRate", rate=4)
            slowed = await first_frame(b, compressed.url, cold=True)
            return first, fps, slowed
    finally:
        site.close()
        compressed.close()


# The page's handling of the program's output, switched off and on again.
NO_TRANSCRIPT = "(Module.keptOutput = Module.orbiquelOutput, Module.orbiquelOutput = () => {}, 0)"
TRANSCRIPT = "(Module.orbiquelOutput = Module.keptOutput, 0)"


async def rates(b, seconds):
    sample = f"[performance.now(), {ORB}.frames, {ORB}.steps]"
    t0, f0, s0 = await b.evaluate(sample)
    await b.sleep(seconds)
    t1, f1, s1 = await b.evaluate(sample)
    return (f1 - f0) / (t1 - t0) * 1000, (s1 - s0) / (t1 - t0) * 1000


async def engine_frames(folder, name, rounds=3, seconds=4):
    """Frames and steps per second in one engine: with the transcript flowing
    and with none drawn, alternately in the same page (medians of rounds)."""
    site = Site(folder, driver_eval=ENGINES[name].driver_eval)
    try:
        async with open_engine(name) as b:
            await b.navigate(site.url)
            await b.wait_for(f"window.Module && {ORB} && {ORB}.frames > 0")
            await b.sleep(2)
            flowing, quiet = [], []
            for _ in range(rounds):
                flowing.append(await rates(b, seconds))
                await b.evaluate(NO_TRANSCRIPT)
                quiet.append(await rates(b, seconds))
                await b.evaluate(TRANSCRIPT)
            lines = await b.evaluate("document.getElementById('console').textContent"
                                     ".split('\\n').length")
            return b.version, [statistics.median(x) for x in zip(*flowing)], \
                [statistics.median(x) for x in zip(*quiet)], lines
    finally:
        site.close()


def print_engine_frames(folder, say):
    say(f"{'engine':22} {'transcript flowing':>26} {'no transcript drawn':>26}  share")
    figures = {}
    for name in ENGINES:
        version, (fps, steps), (quiet_fps, quiet_steps), lines = asyncio.run(
            engine_frames(folder, name))
        say(f"{name + ' ' + version:22} {fps:6.1f} frames/s {steps:4.0f} steps/s"
            f" {quiet_fps:6.1f} frames/s {quiet_steps:4.0f} steps/s  {fps / quiet_fps:4.0%}"
            f"  ({lines} lines in the pane)")
        figures[name] = {"version": version, "fps": fps, "steps_per_second": steps,
                         "fps_no_transcript": quiet_fps}
    return figures


def weight(folder, say):
    plain = packed = 0
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        plain += len(data)
        packed += len(gzip.compress(data, 9))
        say(f"{name:20} {len(data):8,} bytes, {len(gzip.compress(data, 9)):8,} gzipped")
    say(f"{'the page':20} {plain:8,} bytes, {packed:8,} gzipped")
    return {"bytes": plain, "gzipped": packed}


def main():
    args = sys.argv[1:]
    as_json = "--json" in args
    only_weight = "--weight" in args
    args = [a for a in args if a not in ("--json", "--weight")]
    say = functools.partial(print, file=sys.stderr if as_json else sys.stdout, flush=True)
    folder = args[0] if args else os.path.join(root, "build/web/site")
    program = args[1] if len(args) > 1 else os.path.join(root, "build/run/orbiquel")
    figures = {"page": weight(folder, say)}
    if not only_weight:
        first, fps, steps = asyncio.run(measure(folder))
        figures["desktop_size"] = {"first_frame_ms": first, "fps": fps,
                                   "steps_per_second": steps}
        say(f"first frame      {first:.0f} ms after navigation (median of 5 loads)")
        say(f"in the browser   {fps:.1f} frames/s, {steps:.0f} simulation steps/s (10 s)")
        first, fps, slowed = asyncio.run(measure_phone(folder))
        figures["phone"] = {"first_frame_ms": first, "fps": fps, "slowed_first_frame_ms": slowed}
        say("phone, 360 x 740 at device pixel ratio 2 (Chromium's emulation):")
        say(f"  first frame    {first:.0f} ms after navigation (median of 5 loads)")
        say(f"  frame rate     {fps:.1f} frames/s (10 s of flowing transcript)")
        say(f"  slowed         {slowed:.0f} ms to the first frame of a first visit (median of 5):"
            " CPU 4 times slower, 150 ms round trip, 1.6 Mbit/s, gzip-compressed")
        figures["engines"] = print_engine_frames(folder, say)
        if os.access(program, os.X_OK):
            desktop = subprocess.run([os.path.join(root, "bench/steps-per-second"), "--json",
                                      program, "10"], check=True, stdout=subprocess.PIPE,
                                     text=True)
            figures["desktop_program"] = json.loads(desktop.stdout)
            say("the desktop program under Xvfb: "
                f"{figures['desktop_program']['steps_per_second']:.0f} steps/s")
    if as_json:
        print(json.dumps(figures))


if __name__ == "__main__":
    main()

"""Lighthouse (from npm, pinned in package-lock.json) on the page, served
from 127.0.0.1 gzip-compressed, as a web host serves it, and opened in
Debian's chromium: its mobile preset (a phone,
CPU slowed four times, simulated) and its desktop preset, two runs each.
Prints each run's four category scores with its layout shift (CLS), total
blocking time (TBT) and largest contentful paint (LCP), and the audits that
could not run; keeps the JSON reports in build/lighthouse/. A measurement,
not a check: its figures follow the machine's load, which it prints.

    bench/lighthouse [--json] [SITE_DIR]   (build/web/site, from scripts/web, by default)

With --json, the last line is the runs' figures as one JSON object, for
bench/record."""

import json
import os
import shutil
import subprocess
import sys

from support.chromium import FLAGS
from support.engine import stop
from support.server import Site

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
PRESETS = {"mobile": [], "desktop": ["--preset=desktop"]}
RUNS = 2
CATEGORIES = ("performance", "accessibility", "best-practices", "seo")
METRICS = {"CLS": ("cumulative-layout-shift", "{:.3f}"),
           "TBT": ("total-blocking-time", "{:.0f} ms"),
           "LCP": ("largest-contentful-paint", "{:.0f} ms")}


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def figures(report):
    """A run's scores, metrics and the audits that could not run."""
    audits = report["audits"]
    return {"scores": {c: round(report["categories"][c]["score"] * 100) for c in CATEGORIES},
            "metrics": {name: audits[key]["numericValue"] for name, (key, _) in METRICS.items()},
            "failed": sorted(f"{key} ({audit.get('errorMessage', '')[:70]})"
                             for key, audit in audits.items()
                             if audit.get("scoreDisplayMode") == "error")}


def summary(run):
    """One line of a run's figures."""
    scores = " ".join(f"{c} {s}" for c, s in run["scores"].items())
    metrics = " ".join(f"{name} {METRICS[name][1].format(value)}"
                       for name, value in run["metrics"].items())
    return f"{run['preset']} {run['run']}: {scores}; {metrics}"


def main(folder, as_json):
    if not os.path.exists(os.path.join(folder, "index.html")):
        sys.exit(f"{folder} holds no page: build it with scripts/web first")
    out = os.path.join(ROOT, "build", "lighthouse")
    os.makedirs(out, exist_ok=True)
    flags = " ".join(f for f in FLAGS if not f.startswith(("--remote-debugging", "--window")))
    env = dict(os.environ, CHROME_PATH=shutil.which("chromium"))
    site = Site(folder, compressed=True)
    version = subprocess.run(["chromium", "--version"], capture_output=True, text=True).stdout
    print(f"{version.strip()}; load average {load()}")
    runs = []
    try:
        for preset, args in PRESETS.items():
            for run in range(1, RUNS + 1):
                path = os.path.join(out, f"{preset}-{run}.json")
                # In a session of its own: the browser it starts can outlive
                # it, busy, and is ended with the session.
                process = subprocess.Popen(["npx", "--no-install", "lighthouse", site.url, *args,
                                            "--quiet", "--output=json", f"--output-path={path}",
                                            f"--chrome-flags={flags}"],
                                           cwd=ROOT, env=env, start_new_session=True)
                status = process.wait()
                stop(process, group=True)
                if status:
                    sys.exit(f"lighthouse failed with status {status}")
                with open(path) as f:
                    runs.append(dict(figures(json.load(f)), preset=preset, run=run))
                print(f"{summary(runs[-1])}; load average {load()}")
                if runs[-1]["failed"]:
                    print("   audits that could not run: " + "; ".join(runs[-1]["failed"]))
    finally:
        site.close()
    print(f"reports: {out}")
    if as_json:
        print(json.dumps({"runs": runs}))


if __name__ == "__main__":
    args = sys.argv[1:]
    as_json = args[:1] == ["--json"]
    args = args[1:] if as_json else args
    main(args[0] if args else os.path.join(ROOT, "build", "web", "site"), as_json)

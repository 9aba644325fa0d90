"""Lighthouse (from npm, pinned in package-lock.json) on the page, served
from 127.0.0.1 and opened in Debian's chromium: its mobile preset (a phone,
CPU slowed four times, simulated) and its desktop preset, two runs each.
Prints each run's four category scores with its layout shift (CLS), total
blocking time (TBT) and largest contentful paint (LCP), and the audits that
could not run; keeps the JSON reports in build/lighthouse/. A measurement,
not a check: its figures follow the machine's load, which it prints.

    bench/lighthouse [SITE_DIR]   (build/web/site, from scripts/web, by default)"""

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


def summary(report):
    scores = " ".join(f"{c} {round(report['categories'][c]['score'] * 100)}" for c in CATEGORIES)
    audits = report["audits"]
    metrics = " ".join(f"{name} {form.format(audits[key]['numericValue'])}"
                       for name, (key, form) in METRICS.items())
    failed = sorted(f"{key} ({audit.get('errorMessage', '')[:70]})"
                    for key, audit in audits.items() if audit.get("scoreDisplayMode") == "error")
    return f"{scores}; {metrics}", failed


def main(folder):
    if not os.path.exists(os.path.join(folder, "index.html")):
        sys.exit(f"{folder} holds no page: build it with scripts/web first")
    out = os.path.join(ROOT, "build", "lighthouse")
    os.makedirs(out, exist_ok=True)
    flags = " ".join(f for f in FLAGS if not f.startswith(("--remote-debugging", "--window")))
    env = dict(os.environ, CHROME_PATH=shutil.which("chromium"))
    site = Site(folder)
    version = subprocess.run(["chromium", "--version"], capture_output=True, text=True).stdout
    print(f"{version.strip()}; load average {load()}")
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
                    line, failed = summary(json.load(f))
                print(f"{preset} {run}: {line}; load average {load()}")
                if failed:
                    print("   audits that could not run: " + "; ".join(failed))
    finally:
        site.close()
    print(f"reports: {out}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "web", "site"))

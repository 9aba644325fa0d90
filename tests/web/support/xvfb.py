"""A virtual X display for the engines that need one."""

import os
import subprocess

from .engine import stop


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
            self.close()
            raise RuntimeError(f"Xvfb did not start (status {self.process.returncode})")
        self.display = ":" + number

    def close(self):
        stop(self.process)

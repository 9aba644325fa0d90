"""WebKitGTK's MiniBrowser under Xvfb, driven by WebKitWebDriver over classic
WebDriver (Debian's webkit2gtk-driver and python3-selenium), so that it
uses Mesa's software WebGL as a desktop without a GPU would."""

import asyncio
import glob
import os
import subprocess
import time

from .engine import (ALTGRAPH, CACHE, CONSOLE, EARLY, HEAP, IME, LOADING, TOUCH, Engine,
                     free_port, png, stop, webdriver_key)
from .xvfb import Xvfb

# Errors on the page, for a driver that does not report them: collected from
# the page's load on.
COLLECT_ERRORS = """
if (!window.__driverErrors) {
  const errors = window.__driverErrors = [];
  addEventListener('error', (e) => errors.push('exception: ' + e.message));
  addEventListener('unhandledrejection', (e) => errors.push('exception: ' + e.reason));
  const error = console.error;
  console.error = (...args) => { errors.push('console.error: ' + args.join(' ')); error(...args); };
}"""


class WebKit(Engine):
    name = "webkit"
    lacks = {
        HEAP: "WebKit's WebDriver gives no heap figures",
        EARLY: "WebDriver runs no script before the page's",
        TOUCH: "WebKit's WebDriver has no touch input",
        IME: "WebDriver has no input method",
        ALTGRAPH: "WebKit's KeyboardEvent takes no modifierAltGraph, so no key event "
                  "with AltGraph held can be made",
        CONSOLE: "WebKit's WebDriver does not report the page's console "
                 "(errors are collected from the page's load on instead)",
        CACHE: "WebKit's WebDriver cannot clear the browser's HTTP cache",
        LOADING: "WebKit's WebDriver runs no command while a page loads, so nothing can "
                 "be typed before the program's files have come",
    }
    # Its WebDriver evaluates scripts as strings, in the page.
    driver_eval = True
    # Debian installs it beside WebKitGTK's library, under the architecture's triplet.
    MINIBROWSER = (glob.glob("/usr/lib/*/webkit2gtk-4.*/MiniBrowser") or ["MiniBrowser"])[0]

    def __init__(self, webgl=True):
        super().__init__(webgl)
        self.x = self.driver = self.service = None

    async def start(self):
        from selenium import webdriver
        from selenium.webdriver.webkitgtk.options import Options
        self.x = Xvfb()
        port = free_port()
        self.service = subprocess.Popen(
            ["WebKitWebDriver", f"--port={port}"], env=dict(os.environ, DISPLAY=self.x.display),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        options = Options()
        options.binary_location = self.MINIBROWSER
        options.add_argument("--automation")
        if not self.webgl:
            options.add_argument("--enable-webgl=false")
        deadline = time.monotonic() + 30
        while True:
            try:
                self.driver = await asyncio.to_thread(
                    webdriver.Remote, command_executor=f"http://127.0.0.1:{port}", options=options)
                break
            except Exception:  # the driver is not listening yet
                if time.monotonic() > deadline or self.service.poll() is not None:
                    raise
                await asyncio.sleep(0.2)
        self.driver.set_script_timeout(60)
        self.driver.set_window_size(1200, 900)
        self.version = self.driver.capabilities.get("browserVersion")

    async def _call(self, f, *args):
        return await asyncio.to_thread(f, *args)

    async def evaluate(self, expression):
        from selenium.common.exceptions import JavascriptException
        try:
            # A script, as DevTools and BiDi take it: its completion value.
            return await self._call(self.driver.execute_script,
                                    "return (0, eval)(arguments[0]);", expression)
        except JavascriptException as e:
            raise RuntimeError(f"{expression}: {e.msg}") from None

    async def navigate(self, url, ready=("complete",)):
        """Opens url; the driver waits for the whole load whatever `ready`
        asks, and runs no command before it (see LOADING)."""
        await self._call(self.driver.get, url)
        await self.evaluate(f"(() => {{ {COLLECT_ERRORS} }})()")

    @property
    def messages(self):
        return self.driver.execute_script("return window.__driverErrors || [];")

    async def _keys(self, *keys, held=()):
        from selenium.webdriver import ActionChains
        actions = ActionChains(self.driver)
        for k in held:
            actions.key_down(k)
        for k in keys:
            actions.key_down(k).key_up(k)
        for k in reversed(held):
            actions.key_up(k)
        await self._call(actions.perform)

    async def _press(self, key, held):
        await self._keys(webdriver_key(key), held=[webdriver_key(m) for m in held])

    async def _type(self, text):
        await self._keys(*text)

    async def click(self, element_id):
        from selenium.webdriver.common.by import By
        await self._call(lambda: self.driver.find_element(By.ID, element_id).click())

    async def hover(self, element_id):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        await self._call(lambda: ActionChains(self.driver).move_to_element(
            self.driver.find_element(By.ID, element_id)).move_by_offset(20, 0).perform())

    async def _capture(self, x, y, width, height, *scroll):
        # Cut from the window's picture: WebKit's picture of a WebGL canvas
        # alone is blank, as its drawing buffer is not kept.
        window = png(await self._call(self.driver.get_screenshot_as_png))
        return window.crop((round(x), round(y), round(x + width), round(y + height)))

    async def screenshot(self, path):
        await self._call(self.driver.save_screenshot, path)

    async def close(self):
        if self.driver:
            try:
                await asyncio.wait_for(self._call(self.driver.quit), 20)
            except Exception as e:  # the processes are ended below all the same
                print(f"webkit: quitting the driver: {e!r}")
        stop(self.service)
        if self.x:
            self.x.close()

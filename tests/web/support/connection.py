"""Commands and their replies over one websocket, as DevTools and WebDriver
BiDi both carry them: a command has an id, its reply the same id, and
events come between."""

import asyncio
import json

import websockets

REPLY_TIMEOUT = 60


class BrowserGone(ConnectionError):
    """The browser, or its socket, went away."""


class Connection:
    """One socket to a browser process; `on_event(method, params)` takes its
    events. Once the socket ends, every pending and later command fails at
    once, saying what happened."""

    def __init__(self, ws, process, on_event):
        self.ws, self.process, self.on_event = ws, process, on_event
        self.next_id = 0
        self.pending = {}
        self.gone = None          # what happened, once the socket has ended
        self.ended = asyncio.Event()
        self.reader = asyncio.ensure_future(self._read())

    @classmethod
    async def open(cls, url, process, on_event):
        return cls(await websockets.connect(url, max_size=None), process, on_event)

    async def _read(self):
        try:
            async for raw in self.ws:
                message = json.loads(raw)
                if "id" in message:
                    _, future = self.pending.pop(message["id"], (None, None))
                    if future and not future.done():
                        future.set_result(message)
                elif "method" in message:
                    self.on_event(message["method"], message.get("params", {}))
        except websockets.ConnectionClosed:
            pass
        finally:
            await self._end()

    async def _end(self):
        # A browser that died closes its socket a moment before it can be
        # reaped, so its status is waited for briefly.
        for _ in range(20):
            if self.process.poll() is not None:
                break
            await asyncio.sleep(0.05)
        status = self.process.poll()
        self.gone = ("the socket to the browser closed" if status is None
                     else f"the browser exited with status {status}"
                     + (f" (killed by signal {-status})" if status < 0 else ""))
        self.ended.set()
        for method, future in self.pending.values():
            if not future.done():
                future.set_exception(BrowserGone(f"{method}: {self.gone}"))
        self.pending.clear()

    async def send(self, method, **params):
        if self.gone:
            raise BrowserGone(f"{method}: {self.gone}")
        self.next_id += 1
        future = asyncio.get_running_loop().create_future()
        self.pending[self.next_id] = (method, future)
        try:
            await self.ws.send(json.dumps({"id": self.next_id, "method": method,
                                           "params": params}))
        except websockets.ConnectionClosed:
            await self.ended.wait()
        try:
            reply = await asyncio.wait_for(future, REPLY_TIMEOUT)
        except asyncio.TimeoutError:
            raise TimeoutError(f"{method}: no reply within {REPLY_TIMEOUT} s") from None
        if "error" in reply:
            raise RuntimeError(f"{method}: {reply['error']} {reply.get('message', '')}")
        return reply["result"]

    async def sleep(self, seconds):
        """Sleeps, but fails as soon as the browser goes away."""
        try:
            await asyncio.wait_for(self.ended.wait(), seconds)
        except asyncio.TimeoutError:
            return
        raise BrowserGone(f"sleep: {self.gone}")

    async def close(self):
        await self.ws.close()
        self.reader.cancel()

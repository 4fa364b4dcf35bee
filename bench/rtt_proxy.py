"""A TCP proxy that makes the loopback look like a link with a round trip of its own: every chunk
waits half the round trip in each direction, and a new connection one round trip more before its
first byte goes on, as its handshake would cost. It logs each HTTP request it forwards, so that a
benchmark can count what a player asked for. Runs its own event loop on a thread of its own."""

import asyncio
import threading
import time


class RttProxy:
    def __init__(self, upstream_port, rtt_ms):
        self.upstream_port = upstream_port
        self.delay = rtt_ms / 2000
        self.port = None
        self.connections = 0
        # (seconds since start, connection number, request line)
        self.requests = []
        self._start = time.monotonic()
        self._loop = asyncio.new_event_loop()
        self._ready = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def __enter__(self):
        self._thread.start()
        if not self._ready.wait(10):
            raise RuntimeError("the delaying proxy did not start")
        return self

    def __exit__(self, *exc):
        asyncio.run_coroutine_threadsafe(self._shutdown(), self._loop).result(10)
        self._loop.call_soon_threadsafe(self._loop.stop)
        self._thread.join(10)

    async def _shutdown(self):
        self._server.close()
        tasks = [t for t in asyncio.all_tasks() if t is not asyncio.current_task()]
        for task in tasks:
            task.cancel()
        await asyncio.gather(*tasks, return_exceptions=True)

    def mark(self):
        """Where the request log stands now: pass it to requests_since()."""
        return len(self.requests)

    def requests_since(self, mark):
        return self.requests[mark:]

    def _run(self):
        asyncio.set_event_loop(self._loop)
        self._server = self._loop.run_until_complete(
            asyncio.start_server(self._serve, "127.0.0.1", 0))
        self.port = self._server.sockets[0].getsockname()[1]
        self._ready.set()
        self._loop.run_forever()
        self._loop.close()

    async def _serve(self, client_reader, client_writer):
        self.connections += 1
        number = self.connections
        try:
            up_reader, up_writer = await asyncio.open_connection("127.0.0.1", self.upstream_port)
        except OSError:
            client_writer.close()
            return
        # The handshake's round trip, paid before the request can leave.
        handshake = self.delay * 2
        try:
            await asyncio.gather(
                self._pump(client_reader, up_writer, handshake, number),
                self._pump(up_reader, client_writer, 0, None),
                return_exceptions=True)
        except asyncio.CancelledError:
            pass  # the proxy is closing

    async def _pump(self, reader, writer, first_extra, number):
        """Forwards chunks in order, each one a half round trip after it arrived."""
        queue = asyncio.Queue()

        async def deliver():
            while True:
                due, chunk = await queue.get()
                wait = due - self._loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if chunk is None:
                    break
                writer.write(chunk)
                await writer.drain()

        sender = asyncio.ensure_future(deliver())
        extra = first_extra
        try:
            while True:
                chunk = await reader.read(65536)
                if number is not None and chunk:
                    self._log(number, chunk)
                queue.put_nowait((self._loop.time() + self.delay + extra, chunk or None))
                extra = 0
                if not chunk:
                    break
            await sender
        except (ConnectionError, asyncio.CancelledError):
            sender.cancel()
        finally:
            writer.close()

    def _log(self, number, chunk):
        for line in chunk.split(b"\r\n"):
            if line[:4] in (b"GET ", b"HEAD", b"POST"):
                self.requests.append((time.monotonic() - self._start, number,
                                      line.decode("latin-1")))

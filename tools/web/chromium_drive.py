#!/usr/bin/env python3
"""Headless Chromium driven over the DevTools protocol on a pipe (--remote-debugging-pipe).

Standard library only. A Browser serves a folder over plain HTTP, opens a page in headless
Chromium with WebGL2 on SwiftShader, and offers what the browser tests, the screenshots and the
figures need: evaluate JavaScript, wait for a condition against a deadline, mouse and key input,
another tab taking the focus, screenshots, and the page's console errors. Every page gets a small
probe first (FRAME_PROBE): the time of its first frame with a WebGL draw call and a count of such
frames.

As a command (DIR is the folder served, e.g. build/web):
  chromium_drive.py shot DIR PAGE OUT.png [SECONDS]  a screenshot of DIR/PAGE after SECONDS
  chromium_drive.py first-frame DIR RUNS PAGE...     ms from navigation to the first drawn frame
  chromium_drive.py rally DIR [SECONDS]              frames drawn and animation frames a second
                                                     while the mouse plays
  chromium_drive.py tour DIR OUTDIR                  OUTDIR/web-{title,rally,dialog}.png
The last two play puckwind.html on a 640 x 480 canvas.
"""
import base64
import functools
import http.server
import json
import os
import select
import shutil
import subprocess
import struct
import sys
import tempfile
import threading
import time
import zlib

FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--autoplay-policy=no-user-gesture-required", "--remote-debugging-pipe", "--no-first-run",
    "--no-default-browser-check", "--disable-gpu-sandbox", "--mute-audio",
    "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
]

# Wraps WebGL2's draw calls: window.__frames counts animation frames in which something was
# drawn (window.__animationFrames all of them), window.__firstFrame is the time (ms since
# navigation) of the first of them. When the
# page sets window.__probe to points [x, y] of the picture (640 x 480, scaled to the drawing
# buffer), each drawn picture's colours there are kept in window.__samples, read back as the
# task that drew it ends and before the browser shows it.
FRAME_PROBE = """
(() => {
  window.__frames = 0; window.__animationFrames = 0; window.__firstFrame = null;
  window.__samples = [];
  let drew = false, reading = false;
  const sample = (gl) => {
    reading = false;
    const w = gl.drawingBufferWidth, h = gl.drawingBufferHeight, px = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, px);
    window.__samples.push(window.__probe.map(([x, y]) => {
      const at = 4 * ((h - 1 - Math.floor(y * h / 480)) * w + Math.floor(x * w / 640));
      return [px[at], px[at + 1], px[at + 2]];
    }));
    if (window.__samples.length > 4000) window.__samples.splice(0, 2000);
  };
  const proto = WebGL2RenderingContext.prototype;
  for (const name of ['drawArrays', 'drawElements', 'clear']) {
    const real = proto[name];
    proto[name] = function (...args) {
      drew = true;
      if (window.__probe && !reading) { reading = true; queueMicrotask(() => sample(this)); }
      return real.apply(this, args);
    };
  }
  const count = () => {
    window.__animationFrames++;
    if (drew) {
      drew = false; window.__frames++;
      if (window.__firstFrame === null) window.__firstFrame = performance.now();
    }
    requestAnimationFrame(count);
  };
  requestAnimationFrame(count);
})();
"""


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def log_message(self, *args):
        pass


class Browser:
    """One headless Chromium with one page, and a static HTTP server for a folder."""

    def __init__(self, folder, width=640, height=480, probe=None, chromium=None, touch=False):
        self.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(Quiet, directory=folder))
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.base = f"http://127.0.0.1:{self.server.server_address[1]}/"
        self.profile = tempfile.mkdtemp(prefix="puckwind-chromium-")
        to_r, self.to_w = os.pipe()
        self.from_r, from_w = os.pipe()
        binary = chromium or shutil.which("chromium") or "chromium"
        # Chromium reads commands on descriptor 3 and answers on 4.
        self.process = subprocess.Popen(
            ["/bin/sh", "-c", f'exec "$0" "$@" 3<&{to_r} 4>&{from_w}', binary, *FLAGS,
             f"--user-data-dir={self.profile}", f"--window-size={width},{height}", "about:blank"],
            pass_fds=(to_r, from_w), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_r)
        os.close(from_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.errors = []
        self.session = None
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target,
                                 flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.call(f"{domain}.enable")
        self.call("Page.addScriptToEvaluateOnNewDocument",
                  source=f"window.__probe = {json.dumps(probe)};" + FRAME_PROBE)
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=False)
        if touch:
            self.touch_screen(width, height)

    def close(self):
        self.process.kill()
        self.process.wait()
        os.close(self.to_w)
        os.close(self.from_r)
        self.server.shutdown()
        self.server.server_close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # The protocol: one JSON object a message, each ended by a NUL byte.
    def call(self, method, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        os.write(self.to_w, json.dumps(message).encode() + b"\0")
        while True:
            reply = self.receive(60)
            if reply is None:
                raise TimeoutError(f"no answer to {method}")
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.note(reply)

    def receive(self, timeout):
        """The next message, or None when none came within timeout seconds."""
        deadline = time.monotonic() + timeout
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.from_r], [], [], left)[0]:
                return None
            chunk = os.read(self.from_r, 1 << 20)
            if not chunk:
                raise RuntimeError("chromium went away")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def note(self, event):
        method, params = event.get("method"), event.get("params", {})
        self.events.append(event)
        if method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.errors.append(details.get("exception", {}).get("description", details["text"]))
        elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
            self.errors.append(" ".join(str(a.get("value", a.get("description")))
                                        for a in params["args"]))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"])

    def pump(self, seconds):
        """Takes the page's events for up to seconds (it runs on meanwhile)."""
        deadline = time.monotonic() + seconds
        while (left := deadline - time.monotonic()) > 0:
            event = self.receive(left)
            if event is not None:
                self.note(event)

    def console(self):
        """Text of every console message so far."""
        return [" ".join(str(a.get("value", a.get("description"))) for a in e["params"]["args"])
                for e in self.events if e.get("method") == "Runtime.consoleAPICalled"]

    def open(self, page):
        self.call("Page.navigate", url=self.base + page)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=30, what=None):
        """The first truthy value of expression, tried as the page's events come, up to timeout."""
        failed = []

        def check():  # a page being replaced has no document for a moment
            try:
                return self.evaluate(expression)
            except RuntimeError as error:
                failed[:] = [f" (last: {error})"]
        return self.until(check, timeout, lambda: (what or expression) + "".join(failed))

    def until(self, check, timeout=30, what="a condition"):
        """The first truthy value of check(), tried as the page's events come, up to timeout."""
        deadline = time.monotonic() + timeout
        while not (value := check()):
            if time.monotonic() > deadline:
                what = what() if callable(what) else what
                raise TimeoutError(f"waited {timeout} s for {what}; errors: {self.errors}")
            self.pump(0.05)
        return value

    def click(self, x, y, button="left"):
        self.mouse("mouseMoved", x, y)
        self.mouse("mousePressed", x, y, button, 1)
        self.mouse("mouseReleased", x, y, button, 1)

    def click_on(self, element):
        """A click on the middle of the page's element (a JavaScript expression)."""
        self.click(*self.evaluate(f"(r => [r.x + r.width / 2, r.y + r.height / 2])"
                                  f"(({element}).getBoundingClientRect())"))

    def switch_away(self):
        """Another tab takes the focus from the page; closing it (Target.closeTarget with the id
        returned) gives the focus back."""
        away = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.call("Target.activateTarget", targetId=away)
        return away

    def mouse(self, kind, x, y, button="none", clicks=0):
        self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                  clickCount=clicks)

    def touch_screen(self, width, height):
        """The page on a phone's touch screen of width x height CSS pixels."""
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=True)
        self.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=1)

    def touch(self, kind, x=0, y=0):
        """touchStart, touchMove or touchEnd of one finger at (x, y)."""
        points = [] if kind == "touchEnd" else [{"x": x, "y": y}]
        self.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)

    def drag(self, x, y, dx, dy, steps=10):
        """A finger down at (x, y), moved by (dx, dy) in steps, and lifted."""
        self.touch("touchStart", x, y)
        for step in range(1, steps + 1):
            self.touch("touchMove", x + dx * step / steps, y + dy * step / steps)
        self.touch("touchEnd")

    def page_file(self, path):
        """The text of a file in the page's memory (Emscripten's FS)."""
        return self.evaluate(f"FS.readFile({json.dumps(path)}, {{encoding: 'utf8'}})")

    def key(self, key, code, keycode):
        for kind in ("rawKeyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                      windowsVirtualKeyCode=keycode, nativeVirtualKeyCode=keycode)

    def screenshot(self, path=None):
        """PNG bytes of the page now, written to path when given."""
        data = base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])
        if path:
            with open(path, "wb") as f:
                f.write(data)
        return data

    def pixels(self, points, png=None):
        """[r, g, b] at each (x, y) of page pixels, on png or a new screenshot."""
        width, rows = decode_png(png or self.screenshot())
        return [list(rows[y][4 * x:4 * x + 3]) for x, y in points if x < width]


def native_trace(sim, recording):
    """What the native puckwind-sim prints for a recording's text."""
    with tempfile.NamedTemporaryFile("w", suffix=".sim") as file:
        file.write(recording)
        file.flush()
        return subprocess.run([sim, file.name], capture_output=True, text=True,
                              check=True).stdout


def decode_png(data):
    """(width, rows of RGBA bytes) of an 8-bit RGB, RGBA or palette PNG without interlace."""
    pos, chunks, header, palette = 8, b"", None, b""
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        header = body if kind == b"IHDR" else header
        palette = body if kind == b"PLTE" else palette
        chunks += body if kind == b"IDAT" else b""
        pos += size + 12
    width, height, depth, colour = struct.unpack(">IIBB", header[:10])
    if depth != 8 or colour not in (2, 3, 6) or header[12] != 0:
        raise ValueError("only 8-bit RGB, RGBA or palette PNGs without interlace")
    step = {2: 3, 3: 1, 6: 4}[colour]
    raw, stride, rows, prior = zlib.decompress(chunks), width * step, [], bytearray(width * step)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = prior[i], prior[i - step] if i >= step else 0
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xFF
        prior = line
        if step == 3:
            line = bytearray(v for i in range(0, stride, 3) for v in (*line[i:i + 3], 255))
        elif step == 1:
            line = bytearray(v for i in line for v in (*palette[3 * i:3 * i + 3], 255))
        rows.append(line)
    return width, rows


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def first_frames(folder, pages, runs=5):
    """Median ms from navigation to the first frame with a draw call of each page, a fresh
    browser each run, the pages taken in turn so that a busy spell of the machine falls on all."""
    times = {page: [] for page in pages}
    for _ in range(runs):
        for page in pages:
            with Browser(folder) as browser:
                browser.open(page)
                times[page].append(browser.wait_for("window.__firstFrame", 60, "a first frame"))
    return [sorted(t)[len(t) // 2] for t in times.values()]


def serve_and_sweep(browser, seconds):
    """A click serves; then the mouse sweeps the near half from side to side for seconds."""
    browser.click(320, 240)
    browser.wait_for("document.pointerLockElement !== null", 10, "the pointer lock")
    deadline, step = time.monotonic() + seconds, 0
    while time.monotonic() < deadline:
        step += 1
        browser.mouse("mouseMoved", 320 + (12 if step // 15 % 2 else -12) * (step % 15), 240)
        browser.pump(0.02)


def game(folder):
    """A browser on puckwind.html with a 640 x 480 canvas, its title drawn and standing."""
    browser = Browser(folder, 640, 508)
    browser.open("puckwind.html")
    browser.wait_for("window.__firstFrame", 60, "a first frame")
    browser.pump(2)  # the banner flies in within a quarter of a second
    return browser


def rally(folder, seconds=10):
    """Drawn frames and animation frames a second while the mouse plays a rally, and the page's
    errors."""
    with game(folder) as browser:
        serve_and_sweep(browser, 1)
        now = "[window.__frames, window.__animationFrames, performance.now()]"
        before = browser.evaluate(now)
        serve_and_sweep(browser, seconds)
        after = browser.evaluate(now)
        rates = [(a - b) * 1000 / (after[2] - before[2]) for a, b in zip(after[:2], before[:2])]
        return rates, browser.errors


def tour(folder, out):
    with game(folder) as browser:
        browser.screenshot(os.path.join(out, "web-title.png"))
        serve_and_sweep(browser, 3)
        browser.screenshot(os.path.join(out, "web-rally.png"))
        browser.key("s", "KeyS", 83)
        browser.wait_for("document.pointerLockElement === null", 10, "the dialog")
        browser.pump(1)
        browser.screenshot(os.path.join(out, "web-dialog.png"))
        return browser.errors


def main(argv):
    errors = []
    if len(argv) >= 4 and argv[0] == "shot":
        with Browser(argv[1]) as browser:
            browser.open(argv[2])
            browser.wait_for("window.__firstFrame", 60, "a first frame")
            browser.pump(float(argv[4]) if len(argv) > 4 else 1)
            browser.screenshot(argv[3])
            errors = browser.errors
    elif len(argv) >= 4 and argv[0] == "first-frame":
        print(" ".join(f"{ms:.0f}" for ms in first_frames(argv[1], argv[3:], int(argv[2]))))
    elif len(argv) >= 2 and argv[0] == "rally":
        rates, errors = rally(argv[1], float(argv[2]) if len(argv) > 2 else 10)
        print(" ".join(f"{rate:.1f}" for rate in rates))
    elif len(argv) == 3 and argv[0] == "tour":
        errors = tour(argv[1], argv[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    print("\n".join(errors), file=sys.stderr, end="\n" if errors else "")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

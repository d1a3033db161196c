#!/usr/bin/python3
"""The timer page against a bare page with the same faces, in headless chromium, and beside them
the page's first screen without the program.

usage: bench.py TREE BASELINE_HTML RUNS CPU_SECONDS HIDDEN_MINUTES

Prints every run and the medians; asserts nothing. See bench/README.md.
"""
import functools
import http.server
import json
import os
import re
import statistics
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

tree, baseline_html = sys.argv[1], sys.argv[2]
runs, cpu_seconds, hidden_minutes = int(sys.argv[3]), float(sys.argv[4]), float(sys.argv[5])
TICKS = os.sysconf("SC_CLK_TCK")


class Handler(http.server.SimpleHTTPRequestHandler):
    """build-web/ with the baseline beside it; counts every byte it sends, headers included."""
    sent = 0
    lock = threading.Lock()

    def __init__(self, *a, **k):
        super().__init__(*a, directory=tree, **k)

    def log_message(self, *a):
        pass

    def translate_path(self, path):
        if path.split("?")[0] == "/baseline.html":
            return baseline_html
        if path.split("?")[0] == "/screen.html":
            return screen_html
        return super().translate_path(path)

    def setup(self):
        super().setup()
        raw = self.wfile

        class Counting:
            def write(_, b):
                with Handler.lock:
                    Handler.sent += len(b)
                return raw.write(b)

            def __getattr__(_, name):
                return getattr(raw, name)

        self.wfile = Counting()


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
origin = f"http://127.0.0.1:{server.server_address[1]}/"
SUBJECTS = {"baseline": origin + "baseline.html", "xiuran": origin}
# The program's first screen as the page draws it at 1920x1080, copied into a page without the
# program: the same head, the same faces loaded before it is put in, and no script of its own.
# Its first frame is what the screen's content costs a browser, whatever shows it.
screen_html = os.path.join(tempfile.mkdtemp(), "screen.html")
VISITS_ONLY = {"screen": origin + "screen.html"}


# When the page's own clock has put its digits in: the program's window, not its first screen.
# And when a frame first showed digits, from any of them: the baseline paints its colon and
# caption before its faces are in and its digits drawn, so its first contentful paint comes
# before the frame that counts. Element Timing reports the frame in which a marked element's
# text was first painted, on the same clock as the paint entries.
READY = """
window.xrDigits = null;
new PerformanceObserver((list) => {
  for (const e of list.getEntries())
    if (window.xrDigits === null) window.xrDigits = e.renderTime;
}).observe({type: 'element', buffered: true});
new MutationObserver((_, observer) => {
  for (const e of document.querySelectorAll(
      '#ss, [data-xr-first="m0"], #xr-page [data-name="m0"]'))
    if (!e.hasAttribute('elementtiming')) e.setAttribute('elementtiming', 'digits');
  const e = document.querySelector('#xr-page [data-name="m0"], #ss');
  if (!e || !e.textContent) return;
  observer.disconnect();
  window.xrReady = performance.now();
}).observe(document, {childList: true, subtree: true, characterData: true});
"""


def browser():
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    # A hidden tab's timers slowed down as a user's browser does it.
    options.add_experimental_option("excludeSwitches", ["disable-background-timer-throttling"])
    profile = tempfile.TemporaryDirectory()
    for a in ("--headless=new", "--no-sandbox", "--window-size=1920,1080",
              "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
              f"--user-data-dir={profile.name}"):
        options.add_argument(a)
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    d.profile = profile
    d.set_script_timeout(60)
    prepare(d)
    return d


def prepare(d):
    """What every tab is given before its page loads; a new tab is a target of its own."""
    d.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": READY})
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": 1920, "height": 1080, "deviceScaleFactor": 1, "mobile": False})


def face_seconds(d, name):
    if name == "baseline":
        text = d.find_element(By.ID, "face").text.replace(":", "")
    else:
        text = d.execute_script("return ['f1', 'f0', 'm1', 'm0'].map(n => document.querySelector("
                                "`[data-name=${n}]`).textContent).join('')")
    return int(text[:2]) * 60 + int(text[2:])


def drawn(d, name):
    """Waits for the four digits; the first contentful paint and the first frame with digits,
    in ms."""
    sel = "#ss" if name == "baseline" else '[data-name="m0"]'
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        times = d.execute_script(
            "const e = document.querySelector(arguments[0]);"
            "const p = performance.getEntriesByName('first-contentful-paint')[0];"
            "return e && e.textContent && p && window.xrDigits ? [p.startTime, window.xrDigits]"
            " : null", sel)
        if times is not None:
            return times
        time.sleep(0.05)
    raise RuntimeError(f"{name}: no digits drawn")


def visit(d, name):
    """Bytes the server sent for one visit (the service worker's own fetches included), the
    times of the first paint, of the first frame with digits and of the page's own digits."""
    before = Handler.sent
    d.get({**SUBJECTS, **VISITS_ONLY}[name])
    fcp, frame = drawn(d, name)
    # What the page fetches after its first frame (a service worker's install) counts too.
    time.sleep(2)
    ready = d.execute_script("return window.xrReady") if name in SUBJECTS else None
    return Handler.sent - before, fcp, frame, ready


def start(d, name):
    """Starts a count-up; the page's clock at that moment, in seconds."""
    if name == "baseline":
        d.find_element(By.ID, "face").click()
        return d.execute_script("return performance.now()") / 1000
    d.find_element(By.CSS_SELECTOR, '[data-name="zjs"]').click()
    d.find_element(By.CSS_SELECTOR, '[data-name="开始"]').click()
    return d.execute_script("return performance.now()") / 1000


def descendants(root):
    kids = {}
    for p in os.listdir("/proc"):
        if p.isdigit():
            try:
                with open(f"/proc/{p}/stat") as f:
                    kids.setdefault(int(f.read().rsplit(")", 1)[1].split()[1]), []).append(int(p))
            except OSError:
                pass
    out, todo = [], [root]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(kids.get(p, []))
    return out


def browser_cpu(d):
    """CPU seconds of every process of the browser (renderer, GPU, browser, utilities)."""
    total = 0
    for p in descendants(d.service.process.pid):
        try:
            with open(f"/proc/{p}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / TICKS


def task_seconds(d):
    metrics = d.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "TaskDuration")


def cpu_per_minute(d, name):
    d.execute_cdp_cmd("Performance.enable", {})
    start(d, name)
    time.sleep(3)
    t0, c0, w0 = task_seconds(d), browser_cpu(d), time.monotonic()
    time.sleep(cpu_seconds)
    t1, c1, w1 = task_seconds(d), browser_cpu(d), time.monotonic()
    per_min = 60 / (w1 - w0)
    return (t1 - t0) * per_min * 1000, (c1 - c0) * per_min * 1000


def write_screen():
    d = browser()
    try:
        d.get(SUBJECTS["xiuran"])
        drawn(d, "xiuran")
        screen = d.execute_script("return document.getElementById('xr-page').outerHTML")
    finally:
        d.quit()
    with open(os.path.join(tree, "index.html"), encoding="utf-8") as f:
        page = f.read()
    head = "\n".join(line for line in page.split("</head>")[0].splitlines()
                     if not any(f"/{n}" in line for n in ("index.js", "index.wasm", "start.js")))
    faces = [[n, re.search(f'href="([^"]*/{f})"', page)[1]]
             for n, f in (("宋体", "uming.woff2"), ("楷体", "ukai.woff2"))]
    with open(screen_html, "w", encoding="utf-8") as f:
        f.write(f"""{head}
</head>
<body>
<script>
Promise.all({json.dumps(faces)}.map((f) => new FontFace(f[0], `url("${{f[1]}}")`).load()
    .then((face) => document.fonts.add(face))))
  .then(() => document.body.insertAdjacentHTML('beforeend', {json.dumps(screen)}));
</script>
</body>
</html>
""")


def show(v):
    return "-" if v is None else f"{v:.0f}"


write_screen()
COLUMNS = ("first visit B", "second visit B", "first paint ms", "first frame ms", "second frame ms",
           "ready ms", "page main thread ms/min", "browser CPU ms/min")
results = {name: [] for name in [*SUBJECTS, *VISITS_ONLY]}
names = list(results)
for r in range(runs):
    for name in names[r % 3:] + names[:r % 3]:
        d = browser()
        try:
            first_bytes, first_paint, first_frame, ready = visit(d, name)
            second_bytes, _, second_frame, _ = visit(d, name)
            main_ms, all_ms = cpu_per_minute(d, name) if name in SUBJECTS else (None, None)
        finally:
            d.quit()
        row = (first_bytes, second_bytes, first_paint, first_frame, second_frame, ready, main_ms,
               all_ms)
        results[name].append(row)
        print(f"run {r + 1} {name:8} " + "  ".join(f"{c} {show(v)}" for c, v in zip(COLUMNS, row)),
              flush=True)

print("\nmedians over", runs, "runs; CPU over", cpu_seconds, "s of a running count-up at 1920x1080")
print("| subject | " + " | ".join(COLUMNS) + " |")
print("|---" * (len(COLUMNS) + 1) + "|")
for name, rows in results.items():
    print(f"| {name} | " + " | ".join(show(None if None in c else statistics.median(c))
                                      for c in zip(*rows)) + " |")

# Hidden: RUNS tabs of each subject count up together, then a blank tab hides them all for
# HIDDEN_MINUTES; each is read as it is shown again.
if hidden_minutes > 0:
    d = browser()
    try:
        tabs = []
        for i in range(runs):
            for name in SUBJECTS:
                if tabs:
                    d.switch_to.new_window("tab")
                    prepare(d)
                d.get(SUBJECTS[name])
                drawn(d, name)
                tabs.append((name, d.current_window_handle, start(d, name)))
        d.switch_to.new_window("tab")
        time.sleep(hidden_minutes * 60)
        behind = {name: [] for name in SUBJECTS}
        for name, handle, t0 in tabs:
            d.switch_to.window(handle)
            now = d.execute_script("return performance.now()") / 1000
            behind[name].append(int(now - t0) - face_seconds(d, name))
    finally:
        d.quit()
    print(f"\nseconds behind after {hidden_minutes:g} min hidden, {runs} tabs each, all at once")
    for name, b in behind.items():
        print(f"{name:8} median {statistics.median(b):g}  all {b}")
server.shutdown()

#!/usr/bin/python3
"""Writes the page's first screen into shell.html and page.css from what the program draws.

usage: first_screen.py BUILD_TREE

The page shows this copy of the main window as soon as its faces are in, before the program has
loaded, and the program puts its own in its place as it starts. The program lays the window out
in proportion to the viewport, so the copy gives each place and size as a function of the
viewport's width and height, read from the program drawn at sizes far apart. The web
tree's page test fails when the copy no longer matches the program: run this on a fresh
build-web/ (scripts/build-web.sh --no-test), then build again.
"""
import functools
import http.server
import html
import os
import re
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.wait import WebDriverWait

HERE = os.path.dirname(os.path.abspath(__file__))
# The markup goes into the page and its places into the style sheet: a host's strict
# Content-Security-Policy drops a style written in the page.
WRITTEN = [(os.path.join(HERE, "shell.html"), "<!-- first screen -->", "<!-- end of first screen -->"),
           (os.path.join(HERE, "page.css"), "/* first screen */", "/* end of first screen */")]
SIZES = [(520, 363), (3840, 363), (520, 2160)]
SCALED = ("left", "top", "width", "height")
# A font follows the height in a window as wide as 5:4 or wider, and the width in one narrower:
# read in two wide windows of different heights, and two narrow ones of different widths.
BY_HEIGHT, BY_WIDTH = [(3840, 363), (3840, 2160)], [(520, 2160), (1040, 2160)]

READ = """
const all = [document.getElementById('xr-page'), ...document.querySelectorAll('#xr-page > *')];
return all.map(e => ({tag: e.tagName.toLowerCase(), cls: e.className, name: e.dataset.name || '',
                      text: e.id ? '' : e.textContent,
                      style: Object.fromEntries([...e.style].map(p => [p, e.style[p]]))}));
"""


def read_at(d, origin, width, height):
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
    d.get(origin)
    WebDriverWait(d, 30).until(lambda _: d.execute_script(
        "return innerWidth === arguments[0] && document.querySelector('[data-name=m0]') &&"
        " document.querySelector('[data-name=m0]').style.width", width))
    return d.execute_script(READ)


def scaled(values):
    """CSS for a length the program gives in whole pixels at the three sizes."""
    (w0, h0), (w1, _), (_, h2) = SIZES
    v0, v1, v2 = (float(v.removesuffix("px")) for v in values)
    per_vw = (v1 - v0) / (w1 - w0) * 100
    per_vh = (v2 - v0) / (h2 - h0) * 100
    at = v0 - per_vw * w0 / 100 - per_vh * h0 / 100
    terms = [f"{c:.4f}{unit}" for c, unit in ((per_vw, "vw"), (per_vh, "vh")) if abs(c) > 1e-4]
    if not terms:
        return values[0]
    return "calc(" + " + ".join(terms + [f"{at:.2f}px"]) + ")"


def line(a, b, at_a, at_b, unit):
    """CSS for a length that goes from at_a to at_b as the viewport's width or height goes from a
    to b."""
    per = (at_b - at_a) / (b - a) * 100
    return f"calc({per:.4f}{unit} + {at_a - per * a / 100:.2f}px)"


def font(values):
    """CSS for a font the program gives at BY_HEIGHT and BY_WIDTH: the smaller of the two lines."""
    v = [float(x.removesuffix("px")) for x in values]
    return (f"min({line(BY_HEIGHT[0][1], BY_HEIGHT[1][1], v[0], v[1], 'vh')}, "
            f"{line(BY_WIDTH[0][0], BY_WIDTH[1][0], v[2], v[3], 'vw')})")


def markup(reads, fonts):
    """The first screen's markup, and its style sheet."""
    out, rules = [], []
    for parts, sizes in zip(zip(*reads), zip(*fonts)):
        first = parts[0]
        if any((p["tag"], p["cls"], p["name"], p["text"]) !=
               (first["tag"], first["cls"], first["name"], first["text"]) for p in parts):
            sys.exit(f"{first['name']}: the program draws it differently at another size")
        style = []
        for prop, value in first["style"].items():
            if prop in SCALED:
                value = scaled([p["style"][prop] for p in parts])
            elif prop == "font-size":
                value = font([p["style"][prop] for p in sizes])
            elif any(p["style"].get(prop) != value for p in parts):
                sys.exit(f"{first['name']}: {prop} changes with the size")
            style.append(f"{prop}: {value}")
        if first["tag"] == "div" and not first["cls"]:
            out.append('<div id="xr-first" hidden aria-hidden="true">')
            rules.append(f'#xr-first {{ {"; ".join(style)}; }}')
            continue
        rules.append(f'#xr-first [data-xr-first="{first["name"]}"] {{ {"; ".join(style)}; }}')
        attrs = ' type="button" tabindex="-1"' if first["tag"] == "button" else ""
        out.append(f'<{first["tag"]} class="{first["cls"]}" data-xr-first="{first["name"]}"'
                   f'{attrs}>{html.escape(first["text"])}</{first["tag"]}>')
    return "\n".join(out + ["</div>"]), "\n".join(rules)


def main():
    tree = sys.argv[1]
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=tree)
    handler.func.log_message = lambda *a: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.TemporaryDirectory()
    for a in ("--headless=new", "--no-sandbox", f"--user-data-dir={profile.name}"):
        options.add_argument(a)
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        origin = f"http://127.0.0.1:{server.server_address[1]}/"
        reads = [read_at(d, origin, w, h) for w, h in SIZES]
        fonts = [read_at(d, origin, w, h) for w, h in BY_HEIGHT + BY_WIDTH]
    finally:
        d.quit()
        server.shutdown()
    for (path, begin, end), text in zip(WRITTEN, markup(reads, fonts)):
        with open(path, encoding="utf-8") as f:
            old = f.read()
        block = re.compile(re.escape(begin) + ".*?" + re.escape(end), re.S)
        if not block.search(old):
            sys.exit(f"{path}: no {begin} ... {end}")
        with open(path, "w", encoding="utf-8") as f:
            f.write(block.sub(lambda _: f"{begin}\n{text}\n{end}", old))


main()

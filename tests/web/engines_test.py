#!/usr/bin/python3
"""The basic flow (basic_flow.txt) in Firefox ESR and in WebKit, beside the chromium scenario.

usage: engines_test.py BUILD_TREE NPM_DIR

Firefox runs it through puppeteer-core (firefox_flow.js), WebKit through WebKitWebDriver on a
private X server. The page is served with the strict policy a host may send.
"""
import functools
import http.server
import os
import subprocess
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.by import By
from selenium.webdriver.support.wait import WebDriverWait

tree, npm = sys.argv[1], sys.argv[2]
here = os.path.dirname(os.path.abspath(__file__))
flow = os.path.join(here, "basic_flow.txt")


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *a):
        pass

    def end_headers(self):
        self.send_header("Content-Security-Policy",
                         "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'")
        super().end_headers()


server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 0), functools.partial(Handler, directory=tree))
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
url = f"http://127.0.0.1:{server.server_address[1]}/"
failed = False


def webkit():
    """The flow in WebKit; what failed, or None."""
    options = webdriver.WebKitGTKOptions()
    options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
    options.add_argument("--automation")
    d = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    try:
        d.set_window_size(520, 363)
        d.get(url)
        for line in open(flow, encoding="utf-8").read().splitlines():
            what, _, arg = line.partition(" ")
            if what == "click":
                WebDriverWait(d, 30).until(lambda _: d.find_elements(
                    By.CSS_SELECTOR, f'#xr-page [data-name="{arg}"]'))
                d.find_element(By.CSS_SELECTOR, f'#xr-page [data-name="{arg}"]').click()
            elif what == "face":
                read = lambda: "".join(d.find_element(
                    By.CSS_SELECTOR, f'#xr-page [data-name="{n}"]').get_attribute("textContent")
                    for n in ("f1", "f0", "m1", "m0"))
                try:
                    WebDriverWait(d, 10, poll_frequency=0.05).until(
                        lambda _: d.find_elements(By.ID, "xr-page") and read() == arg.replace(":", ""))
                except TimeoutException:
                    return f"face {arg}: got {read() if d.find_elements(By.ID, 'xr-page') else 'no page'}"
        return None
    finally:
        d.quit()


with tempfile.TemporaryDirectory() as home:
    env = {k: v for k, v in os.environ.items() if k not in ("NODE_PATH", "DISPLAY")}
    env["HOME"] = home
    failed |= subprocess.run(["node", os.path.join(here, "firefox_flow.js"), npm, url, flow],
                             env=env, timeout=120).returncode != 0
    # WebKit draws on an X server of its own, and starts no session bus of its own.
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
        os.environ["HOME"] = home
        why = webkit()
        if why:
            print("FAIL webkit:", why)
            failed = True
    finally:
        xvfb.terminate()
        xvfb.wait()
server.shutdown()
sys.exit(1 if failed else 0)

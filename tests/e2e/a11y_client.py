#!/usr/bin/python3
"""A screen reader's view of the running program over AT-SPI:
a11y_client.py CATALOGUE TREE_OUT MAIN_WINDOW_ID.

Checks the role, name and description of every control of the three windows against a table,
presses controls through their actions and reads what changes, counts the name changes told
while the clock runs, and writes the tree it read to TREE_OUT. Exits 1 at the first difference.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

cat = dict(line.split("=", 1) for line in open(sys.argv[1], encoding="utf-8")
           if "=" in line and not line.startswith("#"))
cat = {k.strip(): v.strip() for k, v in cat.items()}
CHECKED, SHOWING = pyatspi.STATE_CHECKED, pyatspi.STATE_SHOWING


def fail(message):
    sys.exit("FAIL: " + message)


def kids(node):  # read afresh: the client's cache is refreshed only by events
    node.clearCache()
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def pump_until(what, probe, limit=20):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        GLib.MainContext.default().iteration(False) or time.sleep(0.05)
    fail("never saw " + what)


def frame(title):
    return pump_until(title, lambda: next((f for a in kids(pyatspi.Registry.getDesktop(0))
                                           for f in kids(a) if f.name == title), None))


def find(window, role, name):
    return next((c for c in kids(window) if (c.getRoleName(), c.name) == (role, name)), None) \
        or fail(f"{window.name}: no {role} {name!r}")


def has(node, state):
    node.clearCache()
    return node.getState().contains(state)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    "Press" in names or fail(f"{node.name!r} has no press action: {names}")
    action.doAction(names.index("Press"))


def face(window):
    return next((c.name for c in kids(window) if c.getRoleName() == "label"
                 and c.name[:3] in ("倒计时", "正计时")), "")


def dump(node, out, depth=0):
    states = [s for s, v in (("checked", CHECKED), ("showing", SHOWING)) if has(node, v)]
    desc = f" — {node.description}" if node.description else ""
    out.write(f"{'  ' * depth}{node.getRoleName()} \"{node.name}\"{desc} [{' '.join(states)}]\n")
    for c in kids(node):
        dump(c, out, depth + 1)


def check(window, rows):
    """Every row is there with its description, and nothing else is shown."""
    for role, name, description in rows:
        got = find(window, role, name).description
        description in (None, got) or fail(f"{name!r} described {got!r}, not {description!r}")
    shown = [(c.getRoleName(), c.name) for c in kids(window)]
    len(shown) == len(rows) or fail(f"{window.name} shows {shown}, the table {len(rows)} rows")


PLACES = ("分钟十位", "分钟个位", "秒钟十位", "秒钟个位")
MAIN = [("push button", p + s, "") for s in ("加一", "减一") for p in PLACES] + [
    ("radio button", "正计时", ""), ("radio button", "倒计时", ""), ("label", "倒计时 00:00", ""),
    ("push button", "开 始", ""), ("push button", "重 置", ""), ("push button", "更多应用", "")]
MORE_APPS = [("push button", cat[f"link{i}.caption"], cat[f"link{i}.target"]) for i in range(1, 11)] + [
    ("push button", "软件下载网站", cat["softdown.target"]), ("label", "岫然应用程序", ""),
    ("push button", "关  闭", ""), ("push button", "联系作者", "")]
CONTACT = [("label", "常用办公助手软件", ""), ("image", "二维码：微信公众号", None),
           ("image", "二维码：分享软件", None), ("push button", "关  闭", "")]

told = []  # the names the reader is told have changed, as they come
pyatspi.Registry.registerEventListener(lambda e: told.append(e.source_name),
                                       "object:property-change:accessible-name")
main = frame("岫然计时器")
check(main, MAIN)
press(find(main, "push button", "分钟个位加一"))
pump_until("倒计时 01:00 told", lambda: face(main) == "倒计时 01:00" and "倒计时 01:00" in told)
up, down = find(main, "radio button", "正计时"), find(main, "radio button", "倒计时")
has(down, CHECKED) and not has(up, CHECKED) or fail("倒计时 is not the one selector checked")
press(up)
pump_until("正计时 checked", lambda: has(up, CHECKED) and not has(down, CHECKED))
pump_until("正计时 01:00", lambda: face(main) == "正计时 01:00")

# Running, the face reads on as it ticks, but the reader is told nothing of it until the next
# whole minute: only the start button's new caption.
pump_until("the selector's reading told", lambda: "正计时 01:00" in told)
told.clear()
press(find(main, "push button", "开 始"))
pump_until("正计时 01:03", lambda: face(main) >= "正计时 01:03" and "暂 停" in told)
has(find(main, "push button", "分钟十位加一"), SHOWING) and fail("adjusters show while running")
told == ["暂 停"] or fail(f"told {told} while the clock ran")

# Without a mouse: a key brings the buttons back, with the focus on 暂 停, and is used up (a
# Space that went on to the hidden button would have paused the clock). Pause, read the face
# stand still, then open the companion windows.
subprocess.run(["xdotool", "windowfocus", "--sync", sys.argv[3]], check=True)
subprocess.run(["xdotool", "key", "space"], check=True)
pause = pump_until("the chrome back", lambda: has(find(main, "push button", "暂 停"), SHOWING)
                   and find(main, "push button", "暂 停"))
has(pause, pyatspi.STATE_FOCUSED) or fail("暂 停 does not have the focus")
press(pause)
pump_until("开 始 after the pause", lambda: any((c.getRoleName(), c.name) == ("push button", "开 始")
                                              for c in kids(main)))
stopped = face(main)
time.sleep(1.5)
face(main) == stopped or fail(f"the face ran on after the pause: {stopped}, {face(main)}")
pump_until("更多应用 shown", lambda: has(find(main, "push button", "更多应用"), SHOWING))
press(find(main, "push button", "更多应用"))
more_apps = frame("应用列表")
check(more_apps, MORE_APPS)
press(find(more_apps, "push button", "联系作者"))
contact = frame("联系作者")
for row in CONTACT:
    find(contact, *row[:2])
with open(sys.argv[2], "w", encoding="utf-8") as out:
    for window in (main, more_apps, contact):
        dump(window, out)

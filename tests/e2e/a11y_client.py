#!/usr/bin/python3
"""A screen reader's view of the running program, read over AT-SPI with pyatspi.

    a11y_client.py CATALOGUE TREE_OUT

Reads the tree of the three windows and checks each control's role, name, description and
state against the table below; presses the adjusters, a mode selector and the start button
through their actions, as a reader does, and reads the face change; counts the name changes
the reader is told while the clock runs. Writes the tree it read to TREE_OUT. Exits 1 on the
first difference.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

TIMEOUT_S = 20
catalogue = {}
for line in open(sys.argv[1], encoding="utf-8"):
    key, sep, value = line.partition("=")
    if sep and not line.lstrip().startswith("#"):
        catalogue[key.strip()] = value.strip()


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def fresh(node):
    # The client caches what it has read; a reader refreshes on events, the test on every read.
    node.clearCache()
    return node


def children(node):
    return [fresh(node.getChildAtIndex(i)) for i in range(fresh(node).childCount)]


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT_S
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        pump(0.05)
    fail("never saw " + what)


def pump(seconds):
    """Lets the client take in the events the program sends while time passes."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if not context.iteration(False):
            time.sleep(0.01)


def frame(title):
    def probe():
        for app in children(pyatspi.Registry.getDesktop(0)):
            for f in children(app):
                if f.getRoleName() == "frame" and f.name == title:
                    return f
        return None

    return wait_for("the frame " + title, probe)


def element(window, role, name):
    for c in children(window):
        if c.getRoleName() == role and c.name == name:
            return c
    fail(f"{window.name}: no {role} named {name!r}")


def has(node, state):
    return fresh(node).getState().contains(state)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail(f"{node.name!r} has no press action, only {names}")
    action.doAction(names.index("Press"))


def dump(node, out, depth=0):
    states = [pyatspi.stateToString(s) for s in fresh(node).getState().getStates()
              if s in (pyatspi.STATE_CHECKED, pyatspi.STATE_SHOWING)]
    try:
        action = node.queryAction()
        actions = [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        actions = []
    desc = f" — {node.description}" if node.description else ""
    out.write(f"{'  ' * depth}{node.getRoleName()} \"{node.name}\"{desc} "
              f"[{' '.join(states)}] {{{' '.join(actions)}}}\n")
    for c in children(node):
        dump(c, out, depth + 1)


# Every control of the three windows: role, name, description (None: not checked).
ADJUSTERS = [place + step for step in ("加一", "减一")
             for place in ("分钟十位", "分钟个位", "秒钟十位", "秒钟个位")]
MAIN = ([("push button", n, "") for n in ADJUSTERS] +
        [("radio button", "正计时", ""), ("radio button", "倒计时", ""),
         ("label", "倒计时 00:00", ""), ("push button", "开 始", ""),
         ("push button", "重 置", ""), ("push button", "更多应用", "")])
MORE_APPS = ([("push button", catalogue[f"link{i}.caption"], catalogue[f"link{i}.target"])
              for i in range(1, 11)] +
             [("push button", "软件下载网站", catalogue["softdown.target"]),
              ("label", "岫然应用程序", ""), ("push button", "关  闭", ""),
              ("push button", "联系作者", "")])
CONTACT = ([("image", "二维码：" + label, None)
            for label in ("微信公众号", "分享软件")] +
           [("label", "常用办公助手软件", ""), ("label", "微信公众号", ""),
            ("push button", "关  闭", "")])


def check_table(window, rows):
    found = [(c.getRoleName(), c.name) for c in children(window)]
    for role, name, description in rows:
        node = element(window, role, name)
        if description is not None and node.description != description:
            fail(f"{name!r} is described as {node.description!r}, not {description!r}")
    unnamed = [f for f in found if not f[1]]
    if unnamed:
        fail(f"{window.name}: controls without a name: {unnamed}")
    if window.name == "岫然计时器" and len(found) != len(rows):
        fail(f"the main window shows {len(found)} elements, not {len(rows)}: {found}")


def face_reading(window):
    for c in children(window):
        if c.getRoleName() == "label" and c.name[:3] in ("倒计时", "正计时"):
            return c.name
    fail("no element reads the face")


main = frame("岫然计时器")
check_table(main, MAIN)

# Pressed through its action, an adjuster steps its digit and the face's element reads it.
press(element(main, "push button", "分钟个位加一"))
wait_for("the face at 01:00", lambda: face_reading(main) == "倒计时 01:00")
press(element(main, "push button", "秒钟个位减一"))
wait_for("the face at 01:09", lambda: face_reading(main) == "倒计时 01:09")

# The mode selectors are radio buttons that say which is selected.
up, down = element(main, "radio button", "正计时"), element(main, "radio button", "倒计时")
if not has(down, pyatspi.STATE_CHECKED) or has(up, pyatspi.STATE_CHECKED):
    fail("at start-up 倒计时 is not the one selector checked")
press(up)
wait_for("正计时 checked", lambda: has(up, pyatspi.STATE_CHECKED))
if has(down, pyatspi.STATE_CHECKED):
    fail("倒计时 stayed checked beside 正计时")
wait_for("the face in count-up mode", lambda: face_reading(main) == "正计时 01:09")

# Running, the face reads on as it ticks, but no name change reaches the reader before the
# next whole minute; the adjusters are hidden.
told = []
pyatspi.Registry.registerEventListener(
    lambda e: told.append(e.source_name), "object:property-change:accessible-name")
pump(0.5)
press(element(main, "push button", "开 始"))
wait_for("the face ticking", lambda: face_reading(main) >= "正计时 01:12")
if has(element(main, "push button", "分钟十位加一"), pyatspi.STATE_SHOWING):
    fail("an adjuster still shows while the clock runs")
# The start button's new caption is told: the reader hears the events this check counts.
wait_for("the start button's new name told", lambda: "暂 停" in told)
spoken = [n for n in told if n[:3] in ("正计时", "倒计时") or n[:1].isdigit()]
if spoken:
    fail(f"the reader was told of ticks between minutes: {spoken}")

# A move of the pointer brings the chrome back; paused, the companion windows open by
# pressing their buttons.
wait_for("the chrome back after a move of the pointer", lambda: subprocess.run(
    ["xdotool", "mousemove_relative", "--", "7", "7"], check=True) and False or
    has(element(main, "push button", "暂 停"), pyatspi.STATE_SHOWING))
press(element(main, "push button", "暂 停"))
more = wait_for("更多应用 shown", lambda: (lambda b: has(b, pyatspi.STATE_SHOWING) and b)(
    element(main, "push button", "更多应用")))
press(more)
more_apps = frame("应用列表")
check_table(more_apps, MORE_APPS)
press(element(more_apps, "push button", "联系作者"))
contact = frame("联系作者")
check_table(contact, CONTACT)

with open(sys.argv[2], "w", encoding="utf-8") as out:
    for window in (main, more_apps, contact):
        dump(window, out)
print(f"accessibility: {len(MAIN) + len(MORE_APPS) + len(CONTACT)} rows, "
      f"{len(told)} name changes told while running")

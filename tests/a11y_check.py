#!/usr/bin/python3
"""Walks sumvane's AT-SPI tree and listens to its events while it is typed into, as a screen
reader does. Run by a11y_test.sh inside a private X server and D-Bus session; needs Debian's own
python3 (pyatspi). Environment: SUMVANE_APP, SUMVANE_OPENED (the fake browser's log),
SUMVANE_PATH (a PATH whose xdg-open is that fake browser)."""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

EXAMPLE = "例如：01 A0 7C FF 02"
ADDRESS = os.environ["SUMVANE_HOMEPAGE_URL"]  # the product's facts, from a11y_test.sh
QUIET = 1.5  # seconds: longer than the window's quiet time before it announces
DEADLINE = 10  # seconds: how long a state that must come may take on a busy machine

failures = []


def check(condition, what):
    print(("ok: " if condition else "FAIL: ") + what)
    if not condition:
        failures.append(what)


def pump(seconds):
    """Lets events arrive for a while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)


def pump_until(condition, seconds=DEADLINE):
    """Lets events arrive until the condition holds, for at most that long; whether it held."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() >= end:
            return False
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)
    return True


def states(accessible):
    return {pyatspi.stateToString(s) for s in accessible.getState().getStates()}


def actions(accessible):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def walk(accessible, depth=0, out=None):
    out = [] if out is None else out
    out.append((depth, accessible))
    for child in accessible:
        walk(child, depth + 1, out)
    return out


def show(tree):
    for depth, a in tree:
        print("  %s%s %r desc=%r states=%s actions=%s" % (
            "  " * depth, a.getRoleName(), a.name, a.description, sorted(states(a)), actions(a)))


def main():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", PATH=os.environ["SUMVANE_PATH"])
    app_process = subprocess.Popen([os.environ["SUMVANE_APP"]], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        run(app_process)
    finally:
        app_process.kill()
    print("%d failed" % len(failures) if failures else "ok: every check passed")
    sys.exit(1 if failures else 0)


def run(app_process):
    window = subprocess.run(["xdotool", "search", "--sync", "--name", os.environ["caption_pattern"]],
                            capture_output=True, text=True, timeout=30).stdout.split()[0]

    def sumvane():
        return next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "sumvane" and a.childCount), None)
    pump_until(sumvane)
    app = sumvane()
    check(app is not None, "sumvane is on the accessibility bus")
    if app is None:
        return
    tree = walk(app)
    print("accessible tree at start:")
    show(tree)

    def find(role, name):
        return next((a for _, a in tree if a.getRoleName() == role and a.name == name), None)

    edit1 = find("text", "需要校验的数据（Hex）")
    check(edit1 is not None, "Edit1 is a text field named by its caption")
    check(edit1 is not None and edit1.description == EXAMPLE, "Edit1's description is the example")
    for name in ["十六进制", "十进制", "八进制", "二进制"]:
        field = find("text", name)
        check(field is not None and "read only" in states(field) and field.description == "只读",
              "the %s field is read-only and says so" % name)
    link = find("link", ADDRESS)
    check(link is not None and "Press" in actions(link), "Label8 is a link with a press action")
    check(link is not None and "focusable" not in states(link), "the link stays out of the Tab order")
    for depth, a in tree:
        if a.getRoleName() in ("label", "panel", "link"):
            check("focusable" not in states(a), "%s %r takes no focus" % (a.getRoleName(), a.name))

    heard = []

    def on_description(event):
        if event.source.name == "需要校验的数据（Hex）":
            # The value the event carries, not the field's value when it is read here.
            heard.append(event.any_data if isinstance(event.any_data, str) else event.source.description)

    pyatspi.Registry.registerEventListener(on_description, "object:property-change:accessible-description")
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    check(pump_until(lambda: "focused" in states(edit1)), "the focus is in Edit1")

    # Typing the example passes through six malformed texts; one settled status is heard.
    subprocess.run(["xdotool", "type", "--delay", "80", "01 A0 7C FF 02"], check=True)
    pump_until(lambda: heard)
    print("heard while typing the example:", heard)
    check(heard == ["5 Bytes；" + EXAMPLE], "one status is heard after typing the example, with its count")

    heard.clear()
    subprocess.run(["xdotool", "type", "G"], check=True)
    pump_until(lambda: heard)
    check(heard == ["数据格式不正确；" + EXAMPLE], "a malformed text is heard as the format message")
    heard.clear()
    subprocess.run(["xdotool", "key", "BackSpace"], check=True)
    pump_until(lambda: heard)
    check(heard == ["5 Bytes；" + EXAMPLE], "deleting the bad character is heard as the count again")
    heard.clear()
    subprocess.run(["xdotool", "type", " "], check=True)  # "... 02 ": the same status
    pump(QUIET)  # nothing must come: only waiting past the quiet time shows it
    check(heard == [], "a status that did not change is not repeated")
    check("focused" in states(edit1), "the focus stayed in Edit1 throughout")

    link.queryAction().doAction(actions(link).index("Press"))

    def opened_pages():
        path = os.environ["SUMVANE_OPENED"]
        return open(path).read().split() if os.path.exists(path) else []
    pump_until(opened_pages)
    pump(0.2)  # a second opening, were there one, would follow at once
    opened = opened_pages()
    check(opened == [ADDRESS], "the link's press action opens the page once (opened: %r)" % opened)
    print("accessible tree at the end:")
    show(walk(app))
    check(app_process.poll() is None, "sumvane is still running")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Reads, over AT-SPI as a screen reader does, the texts that Qt itself gives the running
program: Text1's context menu, or the run-time error message with its button. Saves a
screenshot of the screen while either is up, then closes it as a user does. Prints PASS or
FAIL, with what was read.

Usage: qt_texts_check.py menu LABEL SCREENSHOT ITEM...
       qt_texts_check.py message LABEL SCREENSHOT TEXT BUTTON
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

APP_NAME = "Quorvel"
TEXT1 = "输入汉字"


def pump_until(seconds, done):
    """Runs the main loop until `done` gives a value or time is up; returns that value."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        value = done()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(0.05)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APP_NAME:
            return app
    return None


def descendants(accessible, role):
    found = []
    for child in accessible:
        if child is None:
            continue
        if child.getRole() == role:
            found.append(child)
        found.extend(descendants(child, role))
    return found


def first_window(role):
    app = application()
    for window in app if app is not None else []:
        if window is not None and window.getRole() == role and window.childCount:
            return window
    return None


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True)


def read_menu(shot):
    frame = pump_until(20, lambda: first_window(pyatspi.ROLE_FRAME))
    if frame is None:
        return None, "no window on the accessibility bus"
    text1 = [c for c in descendants(frame, pyatspi.ROLE_TEXT) if c.name == TEXT1]
    if not text1:
        return None, "no Text1"
    # Qt lists no popup among the application's windows: the menu is known by the event
    # that says it is showing, as a screen reader learns of it.
    menus = []

    def record(event):
        if event.source is not None and event.source.getRole() == pyatspi.ROLE_POPUP_MENU:
            menus.append(event.source)

    pyatspi.Registry.registerEventListener(record, "object:state-changed:showing")
    pump_until(0.5, lambda: False)
    x, y, width, height = text1[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                    "click", "3"], check=True)
    if not pump_until(10, lambda: menus):
        return None, "no context menu appeared"
    pump_until(1, lambda: False)  # drawn in full for the screenshot
    screenshot(shot)
    # An item's name is its text, with the shortcut after a tab.
    items = [item.name.split("\t")[0]
             for item in descendants(menus[0], pyatspi.ROLE_MENU_ITEM) if item.name]
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    return items, None


def read_message(shot):
    box = pump_until(20, lambda: first_window(pyatspi.ROLE_ALERT) or
                     first_window(pyatspi.ROLE_DIALOG))
    if box is None:
        return None, "no message on the accessibility bus"
    pump_until(1, lambda: False)
    screenshot(shot)
    labels = [label.name for label in descendants(box, pyatspi.ROLE_LABEL) if label.name]
    buttons = descendants(box, pyatspi.ROLE_PUSH_BUTTON)
    read = labels + [button.name for button in buttons]
    if buttons:
        action = buttons[0].queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if "Press" in names:
            action.doAction(names.index("Press"))
    return read, None


def main():
    mode, label, shot, *wanted = sys.argv[1:]
    read, trouble = (read_menu if mode == "menu" else read_message)(shot)
    if trouble:
        print(f"FAIL {label}: {trouble}")
    elif read != wanted:
        print(f"FAIL {label}")
        print(f"       read {read}")
        print(f"       want {wanted}")
    else:
        print(f"PASS {label}: {' | '.join(read)}")
        return 0
    return 1


sys.exit(main())

#!/usr/bin/env python3
"""Reads what the test's shell extension answers through gdbus (a GVariant tuple of one
string) and prints what the shell scripts need of it:
  title PATTERN   the first normal window whose title matches PATTERN, as one line:
                  id session frame(x y w h) buffer(x y w h) maximized fullscreen focused
                  can_maximize wm_class x_window
  id ID           the same for the window with that id
  state KEY       one value of the shell's state
  string          the string itself (the clipboard)
  quote TEXT      TEXT as a GVariant string, for gdbus call's arguments (not read from stdin)
"""
import ast
import json
import re
import sys


def answer():
    text = sys.stdin.read().strip()
    if not text:
        sys.exit(1)
    return ast.literal_eval(text)[0]


def line(window):
    return " ".join(str(v) for v in [
        window["id"], window["session"], *window["frame"], *window["buffer"],
        window["maximized"] != 0, window["fullscreen"], window["focused"],
        window["canMaximize"], window["wmClass"] or "-", window["description"] or "-"]).replace(
            "True", "true").replace("False", "false")


def main():
    what = sys.argv[1]
    if what == "quote":
        print("'" + sys.argv[2].replace("\\", "\\\\").replace("'", "\\'") + "'")
        return
    if what == "string":
        sys.stdout.write(answer())
        return
    if what == "state":
        value = json.loads(answer())[sys.argv[2]]
        print(" ".join(map(str, value)) if isinstance(value, list) else value)
        return
    windows = json.loads(answer())
    for window in windows:
        # Normal windows (Meta.WindowType.NORMAL) that show something: a window is listed
        # before its first frame, with an empty rectangle.
        if window["type"] != 0 or window["frame"][2] < 1:
            continue
        if (what == "title" and re.search(sys.argv[2], window["title"])) or \
                (what == "id" and str(window["id"]) == sys.argv[2]):
            print(line(window))
            return
    sys.exit(1)


main()

#!/usr/bin/env python3
"""Finds a window in the layout tree that `swaymsg -t get_tree` prints, read on stdin.

For the first visible window whose title matches PATTERN (a regular expression), or whose
container id is ID, prints one line: its container id; its container type (floating_con
for a floating window, con for a tiled one); its app id; the position of its surface on
the screen; the size its client gives that surface; and the size sway gives the view.
Prints nothing and exits 1 if there is no such window.

Usage: sway_window.py title PATTERN | sway_window.py id ID
"""
import json
import re
import sys


def windows(node):
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        if child.get("pid") is not None:
            yield child
        yield from windows(child)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("title", "id"):
        sys.exit(__doc__.strip().splitlines()[-1])
    key, wanted = sys.argv[1:]
    for window in windows(json.load(sys.stdin)):
        if key == "title":
            chosen = window.get("visible") and re.search(wanted, window.get("name") or "")
        else:
            chosen = str(window["id"]) == wanted
        if chosen:
            rect, view, own = window["rect"], window["window_rect"], window["geometry"]
            print(window["id"], window["type"], window.get("app_id") or "-",
                  rect["x"] + view["x"], rect["y"] + view["y"], own["width"], own["height"],
                  view["width"], view["height"])
            return
    sys.exit(1)


if __name__ == "__main__":
    main()

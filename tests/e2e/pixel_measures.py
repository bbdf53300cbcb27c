#!/usr/bin/env python3
"""Measures what an area of a screenshot shows.

  pixel_measures.py bare IMAGE X Y W H RRGGBB
      The percentage of the area's pixels that are the colour RRGGBB (within 6 per
      channel): how much of a picture control is bare face colour.
  pixel_measures.py ink IMAGE X Y W H
      The area's commonest colour (the ground its text stands on), the WCAG contrast ratio
      of the pixel that stands out most from it, and how many pixels stand out from it by
      at least 3:1: "RRGGBB RATIO COUNT".
  pixel_measures.py selected IMAGE X Y W H RRGGBB
      The same for selected text in a box of face RRGGBB: the ground is the commonest other
      colour (the selection's), and only the rectangle it spans is measured.
"""
import collections
import subprocess
import sys


def pixels(image, x, y, w, h):
    raw = subprocess.run(
        ["convert", image, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
        check=True, capture_output=True).stdout
    if len(raw) != w * h * 3:
        sys.exit(f"{image}: the area {w}x{h}+{x}+{y} is not inside the image")
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def luminance(rgb):
    def linear(channel):
        c = channel / 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def main():
    if len(sys.argv) < 7 or sys.argv[1] not in ("bare", "ink", "selected"):
        sys.exit(__doc__.strip())
    what, image = sys.argv[1], sys.argv[2]
    x, y, w, h = (int(v) for v in sys.argv[3:7])
    area = pixels(image, x, y, w, h)
    if what == "bare":
        face = bytes.fromhex(sys.argv[7])
        bare = sum(all(abs(p - f) <= 6 for p, f in zip(pixel, face)) for pixel in area)
        print(f"{100 * bare / len(area):.1f}")
        return
    if what == "selected":
        face = tuple(bytes.fromhex(sys.argv[7]))
        others = collections.Counter(p for p in area if p != face)
        if not others:
            sys.exit("nothing but the face colour: no selection")
        selection = others.most_common(1)[0][0]
        spots = [(i % w, i // w) for i, pixel in enumerate(area) if pixel == selection]
        left, right = min(x for x, _ in spots), max(x for x, _ in spots)
        top, bottom = min(y for _, y in spots), max(y for _, y in spots)
        area = [area[y * w + x] for y in range(top, bottom + 1) for x in range(left, right + 1)]
    counts = collections.Counter(area)
    ground = counts.most_common(1)[0][0]
    ratios = {colour: contrast(colour, ground) for colour in counts}
    standing_out = sum(n for colour, n in counts.items() if ratios[colour] >= 3)
    print(f"{bytes(ground).hex()} {max(ratios.values()):.2f} {standing_out}")


if __name__ == "__main__":
    main()

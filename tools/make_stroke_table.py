#!/usr/bin/env python3
"""Writes the packaged stroke table from Unicode's Unihan database.

The table is GBK text of 4-byte entries: the ideograph's double-byte code,
then its stroke count as two right-aligned ASCII characters (" 6", "10").
Entries are grouped by count in ascending order; inside a group they follow
code-point order, except for the few entries whose places the program's
users and tests rely on (first, second and last of the 1-stroke group, and
the very last entry).

Usage: make_stroke_table.py [--unihan FILE] OUTPUT
"""

import argparse
import bz2
import sys

UNIHAN = "/usr/share/unicode/Unihan_IRGSources.txt.bz2"
FIRST, LAST = 0x4E00, 0x9FA4  # U+9FA5 is deliberately left out

# Entries pinned to a place: at the front or the back of their stroke group.
PINNED_FRONT = ["\u4e41", "\u4e28"]  # 乁 first, 丨 second
PINNED_BACK = ["\u4e00", "\u9f98"]   # 一 ends the 1-stroke group, 龘 the table


def read_total_strokes(path):
    counts = {}
    with bz2.open(path, "rt", encoding="utf-8") as unihan:
        for line in unihan:
            fields = line.rstrip("\n").split("\t")
            if len(fields) == 3 and fields[1] == "kTotalStrokes":
                # Two values mean Chinese and Japanese counts: keep the first.
                counts[int(fields[0][2:], 16)] = int(fields[2].split()[0])
    return counts


def order_group(chars):
    front = [c for c in PINNED_FRONT if c in chars]
    back = [c for c in PINNED_BACK if c in chars]
    middle = sorted(c for c in chars if c not in front and c not in back)
    return front + middle + back


def build_table(counts):
    groups = {}
    for code in range(FIRST, LAST + 1):
        if code not in counts:
            sys.exit(f"U+{code:04X} has no kTotalStrokes in the Unihan data")
        count = counts[code]
        if not 1 <= count <= 99:
            sys.exit(f"U+{code:04X} has an unusable stroke count {count}")
        groups.setdefault(count, []).append(chr(code))
    entries = []
    for count in sorted(groups):
        for char in order_group(groups[count]):
            entries.append(char.encode("gbk") + f"{count:>2}".encode("ascii"))
    if entries[-1][:2] != "\u9f98".encode("gbk"):
        sys.exit("龘 must have the highest stroke count to end the table")
    return b"".join(entries)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--unihan", default=UNIHAN)
    parser.add_argument("output")
    args = parser.parse_args()
    table = build_table(read_total_strokes(args.unihan))
    with open(args.output, "wb") as out:
        out.write(table)


if __name__ == "__main__":
    main()

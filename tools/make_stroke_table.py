#!/usr/bin/env python3
"""Writes the packaged stroke table from Unicode's Unihan database.

The table is GBK text of 4-byte entries: the ideograph's double-byte code,
then its stroke count as two right-aligned ASCII characters (" 6", "10").
Entries are grouped by count in ascending order; inside a group they follow
code-point order, except for the few entries whose places the program's
users and tests rely on (first, second and last of the 1-stroke group, and
the very last entry).

The counts are those of the mainland (PRC) standard, whatever Unihan the
machine has. Up to Unicode 16.0, kTotalStrokes holds the zh-Hans count first
(a second value is the zh-Hant one); from 17.0 it holds one count by the IRG's
conventions, which differs from the mainland one for a few ideographs: those
are overridden below, each with its reason. A version not known here stops the
generator, since its counts have not been checked against the table.

Usage: make_stroke_table.py [--unihan FILE] OUTPUT
"""

import argparse
import bz2
import os
import re
import sys

UNIHAN = "/usr/share/unicode/Unihan_IRGSources.txt.bz2"
FIRST, LAST = 0x4E00, 0x9FA4  # U+9FA5 is deliberately left out

# Entries pinned to a place: at the front or the back of their stroke group.
PINNED_FRONT = ["\u4e41", "\u4e28"]  # 乁 first, 丨 second
PINNED_BACK = ["\u4e00", "\u9f98"]   # 一 ends the 1-stroke group, 龘 the table

# Unihan 17.0's single count, replaced by the mainland one: ideograph, count, why. Each
# reason names ideographs built on the same part that 17.0 itself still counts the
# mainland way.
SAME_TOP = "艹 3 + 冖 2, as 17.0 counts 荣 9, 萤 11, 营 11"
MAINLAND_17_0 = [
    ("廴", 2, "㇋ is one stroke there, as 17.0 counts 延 6 and 建 8; 3 is Kangxi's count"),
    ("范", 8, "艹 in 3 strokes, as 17.0 counts 花 7 and 草 9; 9 is Taiwan's 艹 in 4"),
    ("茔", 8, SAME_TOP),
    ("荥", 9, SAME_TOP),
    ("荦", 9, SAME_TOP),
    ("荧", 9, SAME_TOP),
    ("骨", 9, "the mainland form, as 17.0 counts 滑 12 and 猾 12; 10 is Taiwan's form"),
    ("莹", 10, SAME_TOP),
    ("萦", 11, SAME_TOP),
    ("囍", 21, "kept as Unihan gave it up to 16.0; 17.0 counts two whole 喜, 2 × 12"),
]

# How each Unihan version's kTotalStrokes gives the mainland count.
KNOWN_VERSIONS = {
    "15.0": {},
    "15.1": {},
    "17.0": {ord(char): count for char, count, _ in MAINLAND_17_0},
}

VERSION_LINE = re.compile(r"#\s*Unicode [Vv]ersion:?\s*(\d+)\.(\d+)")


class UnihanError(Exception):
    pass


def read_unihan(path):
    """Returns the file's Unicode version ("17.0") and its first kTotalStrokes value
    for each code point."""
    version, counts = None, {}
    with bz2.open(path, "rt", encoding="utf-8") as unihan:
        for line in unihan:
            if version is None and line.startswith("#"):
                match = VERSION_LINE.match(line)
                if match:
                    version = f"{match[1]}.{match[2]}"
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) == 3 and fields[1] == "kTotalStrokes":
                # Up to 16.0 the first of two values is the zh-Hans count.
                counts[int(fields[0][2:], 16)] = int(fields[2].split()[0])
    return version, counts


def mainland_counts(path):
    """Returns the Unihan version and the mainland count of each code point."""
    version, counts = read_unihan(path)
    known = ", ".join(KNOWN_VERSIONS)
    if version is None:
        raise UnihanError(f"{path} names no Unicode version in its header; known: {known}")
    if version not in KNOWN_VERSIONS:
        raise UnihanError(f"{path} is Unihan {version}, whose stroke counts have not been "
                          f"checked against the table; known versions: {known}")
    for code, count in KNOWN_VERSIONS[version].items():
        if counts.get(code) == count:
            raise UnihanError(f"Unihan {version} already gives {chr(code)} {count}: "
                              "drop its override")
        counts[code] = count
    return version, counts


def build_table(counts):
    groups = {}
    for code in range(FIRST, LAST + 1):
        if code not in counts:
            raise UnihanError(f"U+{code:04X} {chr(code)} has no kTotalStrokes in the Unihan data")
        count = counts[code]
        if not 1 <= count <= 99:
            raise UnihanError(f"U+{code:04X} has an unusable stroke count {count}")
        groups.setdefault(count, []).append(chr(code))
    entries = []
    for count in sorted(groups):
        front = [c for c in PINNED_FRONT if c in groups[count]]
        back = [c for c in PINNED_BACK if c in groups[count]]
        middle = sorted(c for c in groups[count] if c not in front and c not in back)
        for char in front + middle + back:
            entries.append(char.encode("gbk") + f"{count:>2}".encode("ascii"))
    if entries[-1][:2] != "\u9f98".encode("gbk"):
        raise UnihanError("龘 must have the highest stroke count to end the table")
    return b"".join(entries)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--unihan", default=UNIHAN)
    parser.add_argument("output")
    args = parser.parse_args()
    try:
        version, counts = mainland_counts(args.unihan)
        table = build_table(counts)
    except (UnihanError, OSError) as error:
        sys.exit(f"make_stroke_table.py: {error}; nothing written")
    # Written whole or not at all.
    with open(args.output + ".new", "wb") as out:
        out.write(table)
    os.replace(args.output + ".new", args.output)
    overrides = len(KNOWN_VERSIONS[version])
    print(f"{args.output}: from Unihan {version}" +
          (f", with {overrides} mainland counts of its own" if overrides else ""))


if __name__ == "__main__":
    main()

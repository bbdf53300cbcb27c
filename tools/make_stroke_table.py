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
conventions, which differs from the mainland one for a few ideographs. Those,
and a few rare ideographs whose single count every version takes from the full
radical form, are overridden below, each with its reason. A version not known
here stops the generator (exit status 3), since its counts have not been
checked against the table.

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

# Every version's single count for these rare ideographs takes a part in its full or old
# form where the mainland writes the short one. Each reason names entries of the table
# built on the same part.
GRASS = ("艹 3 + {rest} as Unihan counts the rest; {full} counts the full 艸 6, where the "
         "table writes 艹 3 + the rest as in 花 7, 草 9")
MAINLAND_ALL = [
    ("瓧", 6, "瓦 4 + 十 2; 7 counts 瓦 5, where the table counts 瓦 4 in 瓩 7, 瓰 8, 瓲 8, 甅 13"),
    ("瓱", 8, "瓦 4 + 毛 4, the same"),
    ("瓸", 10, "瓦 4 + 百 6, the same"),
    ("祍", 8, "礻 4 + 壬 4; 9 counts 示 5, where the table counts 礻 4 in 社 7, 祖 9 "
              "and 壬 4 in 任 6, 衽 9"),
    ("膸", 16, "月 4 + 遀 12; 17 counts 辶 4, where the table counts 遀 12, 隨 14, 髓 21"),
    ("茒", 8, "艹 3 + 夘 5 (夕 3 + 卩 2); 12 counts 艸 6 and a 6-stroke rest, where the "
              "table counts 夘 5, 茆 8, 苑 8"),
    ("莻", 10, GRASS.format(rest=7, full=13)),
    ("蒊", 12, GRASS.format(rest=9, full=15)),
    ("蓞", 13, "艹 3 + 舀 10; 16 counts the full 艸 6, where the table counts 舀 10, 稻 15, 蹈 17"),
    ("藔", 18, "艹 3 + 寮 15; 21 counts the full 艸 6, where the table counts 寮 15, 僚 14"),
    ("虄", 23, GRASS.format(rest=20, full=26)),
    ("裇", 11, "衤 5 + 血 6; 12 counts 衣 6, where the table counts 衤 5 in 袖 10, 衽 9, "
              "and 血 6 in 恤 9"),
    ("襨", 19, "衤 5 + 對 14, the same"),
    ("銰", 13, "金 8 + 艾 5; 14 counts 艹 4, where the table counts 艾 5, 哎 8, 砹 10"),
]

# How each Unihan version's kTotalStrokes gives the mainland count.
KNOWN_VERSIONS = {
    "15.0": {ord(char): count for char, count, _ in MAINLAND_ALL},
    "15.1": {ord(char): count for char, count, _ in MAINLAND_ALL},
    "17.0": {ord(char): count for char, count, _ in MAINLAND_ALL + MAINLAND_17_0},
}

VERSION_LINE = re.compile(r"#\s*Unicode [Vv]ersion:?\s*(\d+)\.(\d+)")


class UnihanError(Exception):
    pass


class UnknownVersion(UnihanError):
    """A Unihan whose counts nobody has compared with the table yet."""


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
        raise UnknownVersion(f"{path} is Unihan {version}, whose stroke counts have not been "
                             f"checked against the table; known versions: {known}")
    for code, count in KNOWN_VERSIONS[version].items():
        if not FIRST <= code <= LAST:
            raise UnihanError(f"the override of U+{code:04X} {chr(code)} lies outside the table")
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
        print(f"make_stroke_table.py: {error}; nothing written", file=sys.stderr)
        sys.exit(3 if isinstance(error, UnknownVersion) else 1)
    # Written whole or not at all.
    with open(args.output + ".new", "wb") as out:
        out.write(table)
    os.replace(args.output + ".new", args.output)
    overrides = len(KNOWN_VERSIONS[version])
    print(f"{args.output}: from Unihan {version}" +
          (f", with {overrides} mainland counts of its own" if overrides else ""))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Checks the packaged stroke table against two rules of the mainland standard that
Unihan lets a machine test, independently of the counts the table was made from.

1. Order: kTGH numbers the 8,105 ideographs of the 通用规范汉字表 (2013) level by level
   (1-3500, 3501-6500, 6501-8105), by stroke count within each level. Along that order
   the table's counts never fall.
2. Short radicals: for the radicals the mainland writes in a short form (艸 as 艹 3,
   辵 as 辶 3, 阜 and 邑 as 阝 2, 瓦 4, 骨 9, 廴 2), an entry whose count is the Kangxi
   radical's count plus kRSUnicode's residual counts the full form, and is wrong unless
   listed below with its reason. The radical alone (residual 0) is written in full.

Exit status: 0 when both rules hold, 1 when one breaks, 77 when the check did not run
(Unihan files missing, or, with QUORVEL_UNKNOWN_UNIHAN=skip as debian/rules sets it,
an Unihan version that nobody has compared the table with yet).

Usage: check_stroke_table.py [--unihan-dir DIR] TABLE
"""

import argparse
import bz2
import os
import sys

import make_stroke_table

SKIPPED = 77
TGH_LEVELS = [(1, 3500), (3501, 6500), (6501, 8105)]
# Kangxi radical number: its character, Kangxi count, mainland count.
SHORT_RADICALS = {54: ("廴", 3, 2), 98: ("瓦", 5, 4), 140: ("艸", 6, 3), 162: ("辵", 7, 3),
                  163: ("邑", 7, 2), 170: ("阜", 8, 2), 188: ("骨", 10, 9)}
# Entries whose count is right although it equals the Kangxi radical's count plus the residual.
FULL_FORM_IS_RIGHT = {
    "芔": "three 屮 (3 each), no 艹 head",
    "茻": "four 屮 (3 each), no 艹 head",
    "芻": "two 勹 + 屮 pairs, no 艹 head; 10 as 雛 18 counts it",
    "蘤": "艹 3 + 白 5 + 爲 12 = 20; Unihan's residual 14 undercounts 白爲 (17)",
    "邕": "邑 whole beneath 巛: 3 + 7",
    "邫": "邑 whole beside 丰: 4 + 7",
    "郌": "邑 whole beside 圭: 6 + 7",
    "郶": "邑 whole beside 咅: 8 + 7",
    "郺": "邑 whole in 邕, beside 多: 6 + 10",
    "骴": "骨 9 + 此 6 = 15; Unihan's residual 5 undercounts 此 (the table's 此 6, 柴 10)",
}


def unihan_fields(path, wanted):
    """Returns {field: {ideograph: value}} for the fields wanted, and the file's version."""
    fields, version = {name: {} for name in wanted}, None
    with bz2.open(path, "rt", encoding="utf-8") as unihan:
        for line in unihan:
            if line.startswith("#"):
                match = make_stroke_table.VERSION_LINE.match(line)
                if match and version is None:
                    version = f"{match[1]}.{match[2]}"
                continue
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 3 and parts[1] in fields:
                fields[parts[1]][chr(int(parts[0][2:], 16))] = parts[2]
    return fields, version


def read_table(path):
    with open(path, "rb") as table:
        data = table.read()
    return {data[i:i + 2].decode("gbk"): int(data[i + 2:i + 4]) for i in range(0, len(data), 4)}


def order_faults(counts, tgh):
    """Where kTGH's order falls in the table's counts; also how many ideographs it covers."""
    serial = {}
    for char, value in tgh.items():
        for number in value.split():
            serial[int(number.split(":")[1])] = char
    faults, checked = [], 0
    for first, last in TGH_LEVELS:
        previous = None
        for number in range(first, last + 1):
            char = serial.get(number)
            if char not in counts:
                continue
            checked += 1
            if previous and counts[char] < counts[previous[0]]:
                faults.append(f"kTGH {number} {char} {counts[char]} comes after "
                              f"kTGH {previous[1]} {previous[0]} {counts[previous[0]]}")
            previous = (char, number)
    return faults, checked


def radical_faults(counts, rs_unicode):
    faults, checked, excused = [], 0, set()
    for char, count in counts.items():
        radical, residual = rs_unicode[char].split()[0].split(".")
        if not radical.isdigit() or int(radical) not in SHORT_RADICALS or residual == "0":
            continue
        name, kangxi, mainland = SHORT_RADICALS[int(radical)]
        checked += 1
        if count == kangxi + int(residual):
            if char in FULL_FORM_IS_RIGHT:
                excused.add(char)
            else:
                faults.append(f"U+{ord(char):04X} {char} {count} = {name} {kangxi} + {residual}, "
                              f"the full form; the mainland writes it in {mainland}")
    # An exception the table no longer needs is a rule nobody reads: drop it.
    faults += [f"{char} is listed as an exception but keeps the rule: drop it"
               for char in FULL_FORM_IS_RIGHT if char not in excused]
    return faults, checked


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--unihan-dir", default=os.path.dirname(make_stroke_table.UNIHAN))
    parser.add_argument("table")
    args = parser.parse_args()
    sources = [os.path.join(args.unihan_dir, name)
               for name in ("Unihan_IRGSources.txt.bz2", "Unihan_OtherMappings.txt.bz2")]
    missing = [path for path in sources if not os.path.exists(path)]
    if missing:
        print(f"SKIPPED: no {', '.join(missing)} (Debian package unicode-data)")
        return SKIPPED
    irg, version = unihan_fields(sources[0], ["kRSUnicode"])
    tgh, _ = unihan_fields(sources[1], ["kTGH"])
    known = version in make_stroke_table.KNOWN_VERSIONS
    if not known and os.environ.get("QUORVEL_UNKNOWN_UNIHAN") == "skip":
        print(f"SKIPPED: the table was not compared with Unihan {version}: its counts have "
              f"not been checked yet (known: {', '.join(make_stroke_table.KNOWN_VERSIONS)})")
        return SKIPPED
    counts = read_table(args.table)
    order, in_order = order_faults(counts, tgh["kTGH"])
    radical, in_radicals = radical_faults(counts, irg["kRSUnicode"])
    print(f"Unihan {version}{'' if known else ' (not yet known to the generator)'}: "
          f"kTGH order over {in_order} entries, {len(order)} falls; short radicals over "
          f"{in_radicals} entries, {len(radical)} faults, {len(FULL_FORM_IS_RIGHT)} listed "
          "exceptions")
    for fault in order + radical:
        print(f"  {fault}")
    if in_order == 0 or in_radicals == 0:
        print("the Unihan files hold no kTGH or kRSUnicode for the table: nothing was checked")
        return 1
    return 1 if order or radical else 0


if __name__ == "__main__":
    sys.exit(main())

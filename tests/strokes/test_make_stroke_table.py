#!/usr/bin/env python3
"""How the table generator takes each Unihan version: made-up Unihan files that carry
the committed table's own counts, written as each version writes them.

Usage: test_make_stroke_table.py GENERATOR COMMITTED_TABLE
"""

import bz2
import os
import subprocess
import sys
import tempfile
import unittest

GENERATOR, COMMITTED = sys.argv[1:3]
HEADERS = {  # the version line as each release of Unihan writes it
    "15.0": "# Unicode version: 15.0.0",
    "15.1": "# Unicode version: 15.1.0",
    "16.0": "# Unicode version: 16.0.0",
    "17.0": "# Unicode Version 17.0.0",
}
# Unihan 17.0's own counts where it leaves the mainland's.
IRG_17_0 = {"廴": 3, "范": 9, "茔": 9, "荥": 10, "荦": 10, "荧": 10, "骨": 10, "莹": 11,
            "萦": 12, "囍": 24}


def committed_counts():
    with open(COMMITTED, "rb") as table:
        data = table.read()
    return {data[i:i + 2].decode("gbk"): int(data[i + 2:i + 4]) for i in range(0, len(data), 4)}


def unihan_text(header, counts, values=lambda char, count: str(count)):
    lines = ["#", "# Unihan_IRGSources.txt"] + ([header] if header else []) + ["#"]
    for char, count in sorted(counts.items()):
        lines.append(f"U+{ord(char):04X}\tkRSUnicode\t1.0")
        lines.append(f"U+{ord(char):04X}\tkTotalStrokes\t{values(char, count)}")
    return "\n".join(lines) + "\n"


class GeneratorVersions(unittest.TestCase):
    counts = committed_counts()

    def generate(self, text):
        with tempfile.TemporaryDirectory() as work:
            unihan, output = os.path.join(work, "Unihan.txt.bz2"), os.path.join(work, "table")
            with bz2.open(unihan, "wt", encoding="utf-8") as file:
                file.write(text)
            with open(output, "wb") as file:
                file.write(b"earlier")
            run = subprocess.run([sys.executable, GENERATOR, "--unihan", unihan, output],
                                 capture_output=True, text=True)
            with open(output, "rb") as file:
                return run.returncode, run.stderr, file.read()

    def test_known_versions_make_the_table(self):
        with open(COMMITTED, "rb") as file:
            committed = file.read()
        cases = [  # version, how its kTotalStrokes reads
            ("15.0", lambda char, count: str(count)),
            # zh-Hans first, zh-Hant second: the first is the mainland count.
            ("15.1", lambda char, count: f"{count} {count + 1}" if char in "范骨" else str(count)),
            ("17.0", lambda char, count: str(IRG_17_0.get(char, count))),
        ]
        for version, values in cases:
            with self.subTest(version=version):
                status, errors, table = self.generate(
                    unihan_text(HEADERS[version], self.counts, values))
                self.assertEqual((status, errors), (0, ""))
                self.assertEqual(table, committed)

    def test_refusals_write_nothing(self):
        without_fan = {char: count for char, count in self.counts.items() if char != "范"}
        cases = [  # what is wrong, the file, words the message must hold
            ("unknown version", unihan_text(HEADERS["16.0"], self.counts),
             ["Unihan 16.0", "known versions: 15.0, 15.1, 17.0"]),
            ("no version line", unihan_text("", self.counts), ["no Unicode version", "15.1"]),
            ("an ideograph without a count", unihan_text(HEADERS["15.0"], without_fan),
             ["U+8303 范 has no kTotalStrokes"]),
            ("an override 17.0 no longer needs", unihan_text(HEADERS["17.0"], self.counts),
             ["already gives 廴 2"]),
        ]
        for what, text, words in cases:
            with self.subTest(what):
                status, errors, table = self.generate(text)
                self.assertNotEqual(status, 0)
                for word in words + ["nothing written"]:
                    self.assertIn(word, errors)
                self.assertEqual(table, b"earlier")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

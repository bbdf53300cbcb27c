#!/usr/bin/env python3
"""How the table generator takes each Unihan version: made-up Unihan files that carry
the committed table's own counts, written as each version writes them.

Usage: test_make_stroke_table.py GENERATOR COMMITTED_TABLE CMAKE REGENERATE_SCRIPT
"""

import bz2
import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

GENERATOR, COMMITTED, CMAKE, REGENERATE = sys.argv[1:5]
HEADERS = {  # the version line as each release of Unihan writes it
    "15.0": "# Unicode version: 15.0.0",
    "15.1": "# Unicode version: 15.1.0",
    "16.0": "# Unicode version: 16.0.0",
    "17.0": "# Unicode Version 17.0.0",
}
# Every version's counts where they take a part's full form.
UNIHAN_ALL = {"瓧": 7, "瓱": 9, "瓸": 11, "祍": 9, "膸": 17, "茒": 12, "莻": 13, "蒊": 15,
              "蓞": 16, "藔": 21, "虄": 26, "裇": 12, "襨": 20, "銰": 14}
# Unihan 17.0's own counts where it leaves the mainland's.
IRG_17_0 = {"廴": 3, "范": 9, "茔": 9, "荥": 10, "荦": 10, "荧": 10, "骨": 10, "莹": 11,
            "萦": 12, "囍": 24, **UNIHAN_ALL}


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
            ("15.0", lambda char, count: str(UNIHAN_ALL.get(char, count))),
            # zh-Hans first, zh-Hant second: the first is the mainland count.
            ("15.1", lambda char, count: f"{count} {count + 1}" if char in "范骨"
             else str(UNIHAN_ALL.get(char, count))),
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
            ("an ideograph without a count",
             unihan_text(HEADERS["15.0"], without_fan,
                         lambda char, count: str(UNIHAN_ALL.get(char, count))),
             ["U+8303 范 has no kTotalStrokes"]),
            ("an override 17.0 no longer needs",
             unihan_text(HEADERS["17.0"], self.counts,
                         lambda char, count: str(UNIHAN_ALL.get(char, count))),
             ["already gives 廴 2"]),
            ("an override 15.0 no longer needs", unihan_text(HEADERS["15.0"], self.counts),
             ["Unihan 15.0 already gives 瓧 6"]),
        ]
        for what, text, words in cases:
            with self.subTest(what):
                status, errors, table = self.generate(text)
                self.assertNotEqual(status, 0)
                for word in words + ["nothing written"]:
                    self.assertIn(word, errors)
                self.assertEqual(table, b"earlier")


    def test_override_outside_the_table_stops(self):
        module = importlib.util.spec_from_file_location("make_stroke_table", GENERATOR)
        generator = importlib.util.module_from_spec(module)
        module.loader.exec_module(generator)
        with tempfile.TemporaryDirectory() as work:
            unihan = os.path.join(work, "Unihan.txt.bz2")
            with bz2.open(unihan, "wt", encoding="utf-8") as file:
                file.write(unihan_text(HEADERS["15.0"], self.counts))
            for code in (0x9FA5, 0x3400):  # just past the table, and before it
                with self.subTest(f"U+{code:04X}"):
                    generator.KNOWN_VERSIONS["15.0"] = {code: 5}
                    with self.assertRaisesRegex(generator.UnihanError, "outside the table"):
                        generator.mainland_counts(unihan)

    def test_unknown_version_in_a_package_build(self):
        """The regeneration test skips, saying why, where debian/rules asks it to; the
        test command fails naming the version."""
        cases = [  # QUORVEL_UNKNOWN_UNIHAN, status, words the output must hold
            ("skip", 0, ["SKIPPED: the table was not compared with Unihan 18.0",
                         "known versions: 15.0, 15.1, 17.0"]),
            (None, 1, ["is Unihan 18.0, whose stroke counts have not been checked"]),
        ]
        counts = dict(self.counts, 字=7)  # 18.0 moves one count
        with tempfile.TemporaryDirectory() as work:
            unihan = os.path.join(work, "Unihan.txt.bz2")
            with bz2.open(unihan, "wt", encoding="utf-8") as file:
                file.write(unihan_text("# Unicode version: 18.0.0", counts))
            for setting, status, words in cases:
                with self.subTest(QUORVEL_UNKNOWN_UNIHAN=setting):
                    env = {k: v for k, v in os.environ.items() if k != "QUORVEL_UNKNOWN_UNIHAN"}
                    if setting:
                        env["QUORVEL_UNKNOWN_UNIHAN"] = setting
                    run = subprocess.run(
                        [CMAKE, f"-DPYTHON={sys.executable}", f"-DGENERATOR={GENERATOR}",
                         f"-DUNIHAN={unihan}", f"-DOUTPUT={work}/table",
                         f"-DCOMMITTED={COMMITTED}", "-P", REGENERATE],
                        capture_output=True, text=True, env=env)
                    output = " ".join((run.stdout + run.stderr).split())  # CMake wraps lines
                    self.assertEqual(run.returncode, status, output)
                    for word in words:
                        self.assertIn(word, output)
                    self.assertFalse(os.path.exists(f"{work}/table"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""scripts/check-layers on a small tree: the good tree passes, and each wrong include planted in it
is named with its file and line (and nothing else is)."""

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
CHECKER = HERE.parent.parent / "scripts" / "check-layers"
GOOD = HERE / "fixtures" / "good"
PLANTED = HERE / "fixtures" / "planted"

# Planted file (relative to the tree), line of its wrong include, words the message must hold.
PLANTED_CASES = [
    ("src/monitor/planted_cross.cpp", 3, "monitor/ may not include startup/"),
    ("src/registers/planted_widget.h", 3, "QWidget"),
    ("src/session/planted_gui.h", 3, "QtGui/QColor"),
    ("src/session/planted_sim.cpp", 2, "session/ may not include sim/"),
    ("src/monitor/planted_bench.cpp", 2, "monitor/ may not include simbench/"),
    ("src/common/planted_svg.h", 3, "QtSvg/QSvgRenderer"),
    ("src/sim/planted_link.cpp", 2, "sim/ may not include link/"),
    ("src/sim/planted_relative.cpp", 3, "sim/ may not include link/"),
    ("src/sim/planted_table.h", 3, "sim/ takes only register addresses and bits"),
    ("src/capture/planted_sim.cpp", 2, "capture/ may not include sim/"),
    ("src/common/planted_upward.h", 3, "common/ may not include link/"),
    ("src/startup/ui/planted_other_ui.cpp", 2, "startup/ui/ may not include monitor/ui/"),
    ("src/cli/planted_window.cpp", 2, "cli/ may not include monitor/ui/"),
    ("python/planted_cli.cpp", 2, "python/ may not include cli/"),
    ("tests/monitor/planted_ui_support_test.cpp", 2,
     "tests/monitor/ may not include tests/support/ui"),
    ("fuzz/planted_app_fuzzer.cpp", 3, "fuzz may not include app/"),
    ("src/helpers/planted_unknown.cpp", 1, "src/helpers/ is not a folder of the layer table"),
]


def RunChecker(root):
    return subprocess.run([sys.executable, str(CHECKER), "--root", str(root)],
                          capture_output=True, text=True, check=False)


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.tree = Path(self.tmp.name) / "tree"
        shutil.copytree(GOOD, self.tree)

    def tearDown(self):
        self.tmp.cleanup()

    def test_good_tree_passes(self):
        result = RunChecker(self.tree)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout.splitlines(), [result.stdout.strip()])  # the summary only
        self.assertTrue(result.stdout.startswith("check-layers: "), result.stdout)

    def test_each_planted_include_is_named_with_file_and_line(self):
        for rel, line, words in PLANTED_CASES:
            with self.subTest(rel):
                target = self.tree / rel
                target.parent.mkdir(parents=True, exist_ok=True)
                shutil.copy(PLANTED / rel, target)
                try:
                    result = RunChecker(self.tree)
                finally:
                    target.unlink()
                self.assertEqual(result.returncode, 1, result.stdout)
                problems = result.stdout.splitlines()
                self.assertEqual(len(problems), 1, result.stdout)
                self.assertTrue(problems[0].startswith(f"{rel}:{line}: "), problems[0])
                self.assertIn(words, problems[0])

    def test_every_planted_file_is_covered(self):
        planted = {p.relative_to(PLANTED).as_posix() for p in PLANTED.rglob("*") if p.is_file()}
        self.assertEqual(planted, {rel for rel, _, _ in PLANTED_CASES})

    def test_tree_without_src_is_refused(self):
        result = RunChecker(self.tree / "bench")
        self.assertEqual(result.returncode, 2)
        self.assertIn("no src/ folder", result.stderr)


if __name__ == "__main__":
    unittest.main()

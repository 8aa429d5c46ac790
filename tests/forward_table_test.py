#!/usr/bin/env python3
"""The hard-case table's generator: its rounding, and the committed table still being what it makes."""
import csv
import os
import random
import sys
import unittest
from fractions import Fraction

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.join(ROOT, "tools"))
import make_forward_table as table  # noqa: E402


class ForwardTable(unittest.TestCase):
    def test_rounding_matches_correctly_rounded_int_division(self):
        # CPython's int / int is correctly rounded: subnormals, midpoints (ties to even) and overflow alike.
        rnd = random.Random(7)
        cases = [(rnd.getrandbits(rnd.randint(1, 200)) | 1, 1 << rnd.randint(0, 1300)) for _ in range(300)]
        cases += [(rnd.getrandbits(120) + 1, rnd.getrandbits(rnd.randint(1, 1200)) + 1) for _ in range(300)]
        cases += [((2 * k + 1) << 20, 1 << (1075 + 20)) for k in range(4)]  # midpoints between subnormals
        cases += [(2**1024 - 2**970, 1), (2**1024 - 2**970 - 1, 1)]  # the edge of overflow
        for n, d in cases:
            try:
                want = n / d
            except OverflowError:
                want = float("inf")
            self.assertEqual(table.nearest(Fraction(n, d)), want, f"{n}/{d}")

    def test_committed_rows_are_what_the_script_makes(self):
        with open(os.path.join(ROOT, "tests", "data", "forward_hard.csv")) as f:
            rows = list(csv.reader(f))[1:]
        for row in rows[::40]:
            g, M, *want = (float.fromhex(x) for x in row)
            self.assertEqual(table.ratios(g, M), want, ",".join(row))


if __name__ == "__main__":
    unittest.main()

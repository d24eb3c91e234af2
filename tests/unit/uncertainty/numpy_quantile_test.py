"""Quantiles and central intervals against numpy's default rule, bit for bit.

Runs the case printer given as the first argument and compares every
quantile with numpy.quantile(v, p) and every interval with
numpy.quantile(v, [(1 - p) / 2, (1 + p) / 2]).
"""
import subprocess
import sys

import numpy as np

lines = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout.split("\n")
cases = differ = 0
for values, result in zip(lines[0::2], lines[1::2]):
    v = np.array([float.fromhex(x) for x in values.split()[1:]])
    p, q, low, high = (float.fromhex(x) for x in result.split()[1:])
    expected = [np.quantile(v, p), *np.quantile(v, [(1 - p) / 2, (1 + p) / 2])]
    cases += 1
    if expected != [q, low, high]:
        differ += 1
        print(f"differs: n = {len(v)}, p = {p!r}: numpy {expected}, ours {[q, low, high]}")
print(f"{cases} cases, {differ} differ")
sys.exit(1 if differ or cases < 300 else 0)

#!/usr/bin/env python3
"""Costs of the Python package against peers measured in the same run.

    PYTHONPATH=build/default/python python3 bench/python_bench.py build/default/examples/band

Prints a Markdown table: per point (or number) our median time, the peer's
and the ratio (peer time / ours: above 1 means ours is faster).  Medians of
5 repetitions run in turn, so that a change of load falls on both sides;
only the ratios are meant to be read.
"""

import os
import statistics
import sys
import threading
import time

import numpy as np

import pdferr
from pdferr import legacy, uncertainty


def timed(call, items):
    start = time.perf_counter()
    call()
    return (time.perf_counter() - start) / items


def pretty(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds * 1e9:.1f} ns"


def in_threads(calls):
    threads = [threading.Thread(target=c) for c in calls]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else "."
    os.chdir(data)
    table, grid = pdferr.TableSet(100), pdferr.GridMember(0)
    legacy.setzemo(100)
    legacy.pelkini(0)
    rng = np.random.default_rng(1)
    n, few = 200_000, 2_000
    x = np.exp(rng.uniform(np.log(1e-4), np.log(0.9), n))
    q = np.exp(rng.uniform(np.log(2.0), np.log(1e3), n))
    xs, qs = x[:few].tolist(), q[:few].tolist()
    flavours = range(-table.max_flavour, table.max_flavour + 1)
    numpy_rng = np.random.default_rng(2)
    halves = np.array_split(x, 2), np.array_split(q, 2)

    # Quantiles of 1000 points of 10^4 draws each, along either axis.
    draws = rng.normal(size=(10_000, 1000))
    sigma = uncertainty.Confidence.sigmas(1)
    ends = [(1 - sigma.probability) / 2, (1 + sigma.probability) / 2]

    rows = [
        ("TableSet.values, one Q, per point", lambda: table.values(0, x, 10.0), n,
         "legacy.zemopdf loop", lambda: [legacy.zemopdf(0, v, 10.0) for v in xs], few),
        ("TableSet.all_flavours, per point", lambda: table.all_flavours(x, q), n,
         "legacy.zemopdf loop, 11 flavours",
         lambda: [legacy.zemopdf(f, a, b) for a, b in zip(xs, qs) for f in flavours], few),
        ("GridMember.values, per point", lambda: grid.values(x, q * q), n,
         "legacy.pelkfit loop", lambda: [legacy.pelkfit(a, b * b) for a, b in zip(xs, qs)], few),
        ("Generator.normal(10^6), per deviate", lambda: pdferr.Generator().normal(10**6), 10**6,
         "numpy standard_normal float32",
         lambda: numpy_rng.standard_normal(10**6, dtype=np.float32), 10**6),
        ("all_flavours in 2 threads, per point",
         lambda: in_threads([lambda i=i: table.all_flavours(halves[0][i], halves[1][i])
                             for i in range(2)]), n,
         "the same in 1 thread", lambda: [table.all_flavours(halves[0][i], halves[1][i])
                                          for i in range(2)], n),
    ]
    for axis in (0, 1):
        rows += [
            (f"uncertainty.quantile, (10^4, 1000), axis={axis}, per call",
             lambda axis=axis: uncertainty.quantile(draws, 0.16, axis=axis), 1,
             "numpy.quantile", lambda axis=axis: np.quantile(draws, 0.16, axis=axis), 1),
            (f"uncertainty.central_interval, (10^4, 1000), axis={axis}, per call",
             lambda axis=axis: uncertainty.central_interval(draws, sigma, axis=axis), 1,
             "numpy.quantile, both ends", lambda axis=axis: np.quantile(draws, ends, axis=axis),
             1),
        ]
    print(f"pdferr {pdferr.__version__}, numpy {np.__version__}, "
          f"Python {sys.version.split()[0]}, {os.cpu_count()} cores, load average "
          f"{', '.join(f'{v:.2f}' for v in os.getloadavg())}\n")
    print("| call | ours | peer | peer's | ratio |")
    print("|---|---|---|---|---|")
    for label, ours, n_ours, peer_label, peer, n_peer in rows:
        ours_t, peer_t = [], []
        for _ in range(5):
            ours_t.append(timed(ours, n_ours))
            peer_t.append(timed(peer, n_peer))
        a, b = statistics.median(ours_t), statistics.median(peer_t)
        print(f"| {label} | {pretty(a)} | {peer_label} | {pretty(b)} | {b / a:.2f} |")


if __name__ == "__main__":
    main()

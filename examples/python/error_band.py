#!/usr/bin/env python3
"""The error bands of a parton density, from Python, plotted with matplotlib.

The error-band example on its bundled synthetic data (table sets 100..104,
grid members 0 and +-1..+-4 with their description grids.members): four fit
coefficients with a known covariance move the density of flavour 0.

Monte Carlo band: correlated coefficient vectors a are drawn from the
covariance, and f(x) = f0(x) + sum_k a_k (f_k(x) - f0(x)) from the table
sets; the band is the central 68% interval of the draws at each x.
Hessian band: the grid pairs move correlated coefficients, so they are
turned into pairs along independent directions with the Cholesky factor L
of the covariance (F+-_j = G0 +- sum_k L_kj (G+k - G-k) / 2), and the band
is the symmetric Hessian error of those.

Both bands are drawn around the same central value, the table set's f0,
as ratios to it: the Monte Carlo interval divided by f0, and the Hessian
band as its relative error, 1 +- H / G0 (the grid's own central value G0
differs from f0 by the interpolation of the grid, a few per cent between
its nodes, which is no uncertainty of the density).  Writes PREFIX.png
and PREFIX.pdf.

    python3 error_band.py --data build/default/examples/band --output error_band
"""

from __future__ import annotations

import argparse
import os

import matplotlib

matplotlib.use("Agg")  # files only, no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib.ticker import LogLocator, NullFormatter  # noqa: E402

import pdferr  # noqa: E402
from pdferr import uncertainty  # noqa: E402

# The covariance of the four coefficients (the model of the data).
COVARIANCE = np.array([
    [1.00, 0.30, -0.20, 0.10],
    [0.30, 1.00, 0.40, 0.00],
    [-0.20, 0.40, 1.00, -0.25],
    [0.10, 0.00, -0.25, 1.00],
], dtype=np.float32)
FLAVOUR = 0      # the flavour the table sets vary
GRID_COLUMN = 2  # the grid column that carries the same density
Q = 10.0         # GeV
SEED = 20261208


def bands(data: str, draws: int, xs: np.ndarray) -> dict[str, np.ndarray]:
    nk = len(COVARIANCE)
    f0 = pdferr.TableSet(100, data).values(FLAVOUR, xs, Q)
    shifts = [pdferr.TableSet(101 + k, data).values(FLAVOUR, xs, Q) - f0 for k in range(nk)]

    generator = pdferr.Generator(SEED)
    a = generator.correlated(COVARIANCE, draws).astype(np.float64)  # (draws, nk)
    f = np.broadcast_to(f0, (draws, len(xs)))
    for k in range(nk):
        f = f + a[:, k:k + 1] * shifts[k]
    mc = uncertainty.central_interval(f, uncertainty.Confidence.sigmas(1))

    members = uncertainty.MemberSet.read(os.path.join(data, "grids.members"))
    g = np.array([m.values(xs, Q * Q)[:, GRID_COLUMN] for m in uncertainty.load_members(members)])
    half = (g[1::2] - g[2::2]) / 2  # (G+k - G-k) / 2 for k = 1..K
    factor = pdferr.cholesky(COVARIANCE).astype(np.float64)
    steps = factor.T @ half  # direction j: sum_k L_kj (G+k - G-k) / 2
    independent = np.empty_like(g)
    independent[0] = g[0]
    independent[1::2] = g[0] + steps
    independent[2::2] = g[0] - steps
    hessian = uncertainty.hessian(independent).symmetric
    return {"f0": f0, "mc_mean": uncertainty.mean(f), "mc_low": mc.low, "mc_high": mc.high,
            "g0": g[0], "hessian": hessian}


def plot(xs: np.ndarray, b: dict[str, np.ndarray], prefix: str, draws: int) -> None:
    f0 = b["f0"]
    low, high = b["mc_low"] / f0, b["mc_high"] / f0
    relative = b["hessian"] / b["g0"]
    fig, (ax, below) = plt.subplots(2, 1, figsize=(7.5, 5.6), sharex=True, layout="constrained",
                                    gridspec_kw={"height_ratios": [3, 1]})
    ax.fill_between(xs, low, high, color="#9ecae1", linewidth=0,
                    label=f"Monte Carlo 68%: {draws} draws, table sets")
    ax.plot(xs, b["mc_mean"] / f0, color="#08519c", linewidth=1.2, linestyle=":",
            label="Monte Carlo mean")
    for sign in (1, -1):
        ax.plot(xs, 1 + sign * relative, color="#cb181d", linewidth=1.8, linestyle="--",
                label="Hessian 1σ: grid members ±1..±4" if sign > 0 else None)
    ax.axhline(1.0, color="black", linewidth=0.8, label="central: table set 100")
    ax.set_ylabel("ratio to central $f_0(x)$")
    ax.set_title(f"Uncertainty of parton flavour {FLAVOUR} at $Q$ = {Q:g} GeV")
    span = max(high.max(), (1 + relative).max()) - min(low.min(), (1 - relative).min())
    ax.set_ylim(min(low.min(), (1 - relative).min()) - 0.05 * span,
                max(high.max(), (1 + relative).max()) + 0.4 * span)  # room for the legend
    ax.legend(loc="upper left", frameon=False, ncols=2, fontsize="small")

    # How the two bands compare: the Hessian half-width over the Monte Carlo one.
    below.plot(xs, relative / ((high - low) / 2), color="black", linewidth=1.2)
    below.axhline(1.0, color="0.5", linewidth=0.8, linestyle=":")
    below.set_ylim(0.9, 1.1)
    below.set_ylabel("Hessian / MC\nhalf-width")
    below.set_xlabel("momentum fraction $x$")
    for axes in (ax, below):
        axes.set_xscale("log")
        axes.xaxis.set_minor_locator(LogLocator(base=10, subs=np.arange(2, 10), numticks=20))
        axes.xaxis.set_minor_formatter(NullFormatter())
        axes.grid(which="major", color="0.88", linewidth=0.6)
        axes.tick_params(which="both", direction="in", top=True, right=True)
    below.set_xlim(xs[0], xs[-1])
    fig.savefig(prefix + ".png", dpi=150)
    fig.savefig(prefix + ".pdf")
    plt.close(fig)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", default=".", help="folder of the bundled synthetic data")
    parser.add_argument("--output", default="error_band", help="prefix of the PNG and PDF files")
    parser.add_argument("--draws", type=int, default=20000)
    args = parser.parse_args()
    xs = np.logspace(-4, -0.1, 80)
    b = bands(args.data, args.draws, xs)
    plot(xs, b, args.output, args.draws)
    print(f"pdferr {pdferr.__version__}, generator seed {SEED}")
    print(f"written: {args.output}.png, {args.output}.pdf")


if __name__ == "__main__":
    main()

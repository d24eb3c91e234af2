"""Every array result has the bits of the C++ library's."""

import os
import subprocess

import numpy as np
import pytest

import pdferr
from pdferr import uncertainty


@pytest.mark.parametrize("seed, position, n", [
    (54217137, 0, 1000),
    (1, 999_999_990, 37),            # across a block of 10**9
    (900000000, 2 * 10**12 + 5, 513),
])
@pytest.mark.parametrize("kind", ["uniform", "normal"])
def test_generator(reference, kind, seed, position, n):
    got = getattr(pdferr.Generator(seed, position), kind)(n)
    assert got.dtype == np.float32 and got.shape == (n,)
    assert got.tobytes() == reference(np.float32, kind, seed, position, n).tobytes()


@pytest.mark.parametrize("order, n", [(1, 5), (4, 300), (37, 40)])
def test_correlated(reference, rng, order, n):
    a = rng.normal(size=(order, order))
    cov = (a @ a.T + order * np.eye(order)).astype(np.float32)
    got = pdferr.Generator(7, 11).correlated(cov, n)
    assert got.shape == (n, order)
    expected = reference(np.float32, "correlated", 7, 11, n, order, inputs=[cov.T])
    assert got.tobytes() == expected.tobytes()


def points(rng, n, low, high):
    """Log-uniform in [low, high], with a few points outside and a NaN."""
    v = np.exp(rng.uniform(np.log(low), np.log(high), n))
    v[::97] = 1.5 * high
    v[5] = np.nan
    return v


def test_table_values(data, reference, rng):
    path = os.path.join(data, "zemo.00.pds")
    table = pdferr.TableSet(path)
    n = 2000
    f = rng.integers(-table.max_flavour, table.max_flavour + 1, n).astype(np.int32)
    f[:300] = 0  # a long run of one flavour
    x, q = points(rng, n, 1e-6, 1.0), points(rng, n, 1.0, 1e4)
    expected = reference(np.float64, "table", path, n, inputs=[f, x, q])
    assert table.values(f, x, q, errors="nan").tobytes() == expected.tobytes()
    # Every flavour at once, and one Q for all points, give the same bits.
    every = table.all_flavours(x, q, errors="nan")
    picked = np.take_along_axis(every, (f + table.max_flavour)[:, None], axis=1)[:, 0]
    assert picked.tobytes() == expected.tobytes()
    one_q = table.values(1, x, 10.0, errors="nan")
    assert one_q.tobytes() == table.values(1, x, np.full(n, 10.0), errors="nan").tobytes()


def test_grid_values(data, reference, rng):
    path = os.path.join(data, "pelk-minus-03.grid")
    n = 2000
    x, q2 = points(rng, n, 1e-5, 1.0), points(rng, n, 1.0, 1e6)
    got = pdferr.GridMember(path).values(x, q2, errors="nan")
    assert got.shape == (n, 6)
    assert got.tobytes() == reference(np.float64, "grid", path, n, inputs=[x, q2]).tobytes()


def test_hessian(reference, rng):
    members, points_ = 9, 500
    values = rng.normal(10.0, 1.0, (members, points_))
    got = uncertainty.hessian(values)
    expected = reference(np.float64, "hessian", members, points_, inputs=[values]).reshape(-1, 3)
    assert np.stack(got, axis=1).tobytes() == expected.tobytes()


def test_legacy_routines_agree(data, monkeypatch):
    from pdferr import legacy

    monkeypatch.chdir(data)
    legacy.setzemo(101)
    legacy.pelkini(-2)
    table, grid = pdferr.TableSet(101), pdferr.GridMember(-2)
    for x, q in [(1e-4, 2.0), (0.3, 100.0)]:
        assert legacy.zemopdf(-3, x, q) == table.values(-3, x, q)
        assert legacy.pelkfit(x, q * q) == tuple(grid.values(x, q * q))
    legacy.rmarin(54217137, 20, 0)
    assert legacy.gaudev(50).tobytes() == pdferr.Generator(position=20).normal(50).tobytes()
    assert not legacy.mvndev(np.eye(101)).any()  # refused with a message: zeros


def test_monte_carlo_band_is_the_commands(data, tmp_path):
    """monte_carlo_band on the members' values gives the numbers of
    ``pdferr band --cov`` from the same inputs, seed and position."""
    program = os.environ.get("PDFERR_PROGRAM")
    if not program:
        pytest.skip("the pdferr command is not built")
    x, q2 = np.array([1e-4, 0.003, 0.3]), np.array([10.0, 100.0, 1e4])
    (tmp_path / "points.csv").write_text(
        "x,Q2\n" + "".join(f"{float(a)!r},{float(b)!r}\n" for a, b in zip(x, q2)))
    cov = [[1.0, 0.3, 0, 0], [0.3, 1.0, 0, 0], [0, 0, 2.0, 0], [0, 0, 0, 0.5]]
    (tmp_path / "cov.csv").write_text("".join(", ".join(map(str, r)) + "\n" for r in cov))
    members_file = os.path.join(data, "grids.members")
    subprocess.run([program, "band", members_file, "--points", "points.csv", "--column", "3",
                    "--cov", "cov.csv", "--draws", "700", "--seed", "99", "--position", "12",
                    "-o", "b"], cwd=tmp_path, check=True, capture_output=True)
    rows = [line.split(",") for line in (tmp_path / "b.csv").read_text().splitlines()
            if not line.startswith("#")]
    assert rows[0][6:] == ["mc_mean", "mc_sd", "mc_low", "mc_high"]
    command = np.array([[float(v) for v in r[6:]] for r in rows[1:]])

    members = uncertainty.load_members(uncertainty.MemberSet.read(members_file))
    values = np.array([m.values(x, q2)[..., 2] for m in members])  # column 3
    band = uncertainty.monte_carlo_band(values[0], values[1::2], cov,
                                        uncertainty.Confidence.sigmas(1), draws=700, seed=99,
                                        position=12)
    assert np.stack(band, axis=1).tobytes() == command.tobytes()

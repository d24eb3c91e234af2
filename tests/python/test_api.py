"""Broadcasting, dtypes, errors, pickling and threads of the package."""

import copy
import os
import pickle
import shutil
import subprocess
import sys
import threading

import numpy as np
import pytest

import pdferr
from pdferr import uncertainty


@pytest.fixture(scope="module")
def table(data):
    return pdferr.TableSet(100, directory=data)


@pytest.fixture(scope="module")
def grid(data):
    return pdferr.GridMember(1, directory=data)


def test_version():
    assert [int(p) for p in pdferr.__version__.split(".")] >= [0, 2, 0]


@pytest.mark.parametrize("flavour, x, q, shape", [
    (0, 0.01, 10.0, None),                       # scalars give a float
    (0, [0.01, 0.1], 10.0, (2,)),
    ([-1, 0, 1], 0.01, [[10.0], [20.0]], (2, 3)),
    (np.int64(2), np.zeros((0, 4)), 10.0, (0, 4)),
    ([[1], [2]], [0.01, 0.1, 0.5], np.float32(5.0), (2, 3)),
])
def test_values_broadcast(table, flavour, x, q, shape):
    got = table.values(flavour, x, q)
    if shape is None:
        assert isinstance(got, float)
        return
    assert got.shape == shape and got.dtype == np.float64
    f, xs, qs = np.broadcast_arrays(flavour, x, q)
    for i in np.ndindex(shape):
        assert got[i] == table.values(int(f[i]), float(xs[i]), float(qs[i]))


def test_all_flavours_and_grid_shapes(table, grid):
    assert table.all_flavours([[0.01], [0.1]], [10.0, 20.0, 30.0]).shape == (2, 3, 11)
    assert list(table.flavours) == list(range(-5, 6))
    assert grid.values(0.01, 100.0).shape == (6,)
    assert grid.values(np.array([1, 1]), [[1.0], [100], [1e4]]).shape == (3, 2, 6)
    assert table.all_flavours([], 10.0).shape == (0, 11)
    assert grid.values(np.zeros((2, 0)), 100.0).shape == (2, 0, 6)


@pytest.mark.parametrize("call, error", [
    (lambda t: t.values(0, [0.5, 0.1, np.nan], 10.0), "point 2: "),
    (lambda t: t.values([0, 0, 3, 3], [0.5, 0.1, 0.2, 2.0], 10.0), "point 3: "),
    (lambda t: t.values(0, 0.1, 0.2), None),                   # Q below 0.3
    (lambda t: t.values(6, 0.1, 10.0), None),                  # flavour beyond 5
    (lambda t: t.values(2**40, 0.1, 10.0), None),              # beyond int32 too
    (lambda t: t.all_flavours([0.1, -0.1], 10.0), "point 1: "),
])
def test_domain_errors(table, call, error):
    with pytest.raises(pdferr.DomainError) as raised:
        call(table)
    assert isinstance(raised.value, ValueError)
    if error is None:
        assert raised.value.index is None
    else:
        assert str(raised.value).startswith(error)
        assert raised.value.index == int(error.split()[1][:-1])


def test_nan_instead_of_errors(table, grid):
    v = table.values(0, [0.1, 1.5, np.nan], 10.0, errors="nan")
    assert np.isfinite(v[0]) and np.isnan(v[1:]).all()
    g = grid.values([0.1, 1e-7], 100.0, errors="nan")
    assert np.isfinite(g[0]).all() and np.isnan(g[1]).all()
    with pytest.raises(pdferr.DomainError):
        grid.values(0.1, np.nan)
    with pytest.raises(ValueError, match="errors"):
        table.values(0, 0.1, 10.0, errors="ignore")


@pytest.mark.parametrize("call, error", [
    (lambda t: t.values(0.0, 0.1, 10.0), TypeError),           # a float flavour
    (lambda t: t.values(0, True, 10.0), TypeError),
    (lambda t: t.values(0, 0.1 + 0j, 10.0), TypeError),
    (lambda t: t.values(0, "0.1", 10.0), TypeError),
    (lambda t: t.values(0, [0.1, 0.2], [10.0, 20.0, 30.0]), ValueError),   # shapes
])
def test_argument_errors(table, call, error):
    with pytest.raises(error):
        call(table)


def test_integer_and_float32_arguments(table):
    x32 = np.array([0.01, 0.25], dtype=np.float32)
    assert table.values(0, x32, 10).tolist() == table.values(0, x32.astype(float), 10.0).tolist()


def test_file_errors(data, tmp_path):
    with pytest.raises(pdferr.FileError) as missing:
        pdferr.TableSet(tmp_path / "none.pds")
    assert isinstance(missing.value, OSError) and missing.value.line == 0
    assert missing.value.file == str(tmp_path / "none.pds")
    lines = open(os.path.join(data, "zemo.00.pds")).read().splitlines(True)
    short = tmp_path / "short.pds"
    short.write_text("".join(lines[: len(lines) // 2]))
    with pytest.raises(OSError) as truncated:
        pdferr.TableSet(str(short))
    e = truncated.value
    assert e.file == str(short) and e.reason and str(e).startswith(str(short))
    grid_text = open(os.path.join(data, "PELK-GRID.NLO")).read().splitlines(True)
    bad = tmp_path / "bad.grid"
    bad.write_text("".join(grid_text[:5] + ["x y z\n"] + grid_text[6:]))
    with pytest.raises(pdferr.FileError) as unreadable:
        pdferr.GridMember(bad)
    assert unreadable.value.line == 6
    with pytest.raises(ValueError):
        pdferr.TableSet(99)  # names no set
    assert pickle.loads(pickle.dumps(e)).line == e.line


@pytest.mark.parametrize("cov, error", [
    ([[1.0, 0.0], [2.0, 1.0]], pdferr.DomainError),      # not positive definite
    ([[1.0, 0.0], [np.nan, 1.0]], pdferr.DomainError),
    ([[1.0, 0.0, 0.0]], ValueError),                      # not square
    ([1.0, 2.0], ValueError),
])
def test_covariance_errors(cov, error):
    g = pdferr.Generator()
    with pytest.raises(error):
        g.correlated(cov, 3)
    assert g.position == 0
    with pytest.raises(error):
        pdferr.cholesky(cov)


def test_generator_moves_and_pickles():
    g = pdferr.Generator(123, 10)
    g.jump(5)
    g.uniform(3)
    assert (g.seed, g.position) == (123, 18)
    clone, deep = pickle.loads(pickle.dumps(g)), copy.deepcopy(g)
    assert clone.normal(9).tobytes() == g.normal(9).tobytes() == deep.normal(9).tobytes()
    g.position = 0
    assert g.uniform(2).tobytes() == pdferr.Generator(123).uniform(2).tobytes()
    for bad in [lambda: pdferr.Generator(-1), lambda: pdferr.Generator(2**40),
                lambda: g.jump(-1), lambda: g.uniform(-1)]:
        with pytest.raises(ValueError):
            bad()


def test_sets_and_members_pickle_as_their_files(data, monkeypatch, tmp_path):
    for name in ["zemo.00.pds", "PELK-GRID.NLO"]:
        shutil.copy(os.path.join(data, name), tmp_path)
    monkeypatch.chdir(tmp_path)
    values = [(pdferr.TableSet(100), lambda s: s.all_flavours(0.02, 7.0)),
              (pdferr.GridMember(0), lambda s: s.values(0.02, 49.0))]
    monkeypatch.chdir(data)  # the absolute path is kept
    for value, call in values:
        again = pickle.loads(pickle.dumps(value))
        assert type(again) is type(value) and call(again).tobytes() == call(value).tobytes()
    for name in ["zemo.00.pds", "PELK-GRID.NLO"]:
        os.remove(tmp_path / name)
    for value, call in values:  # copies share the loaded file; unpickling reads it again
        assert call(copy.copy(value)).tobytes() == call(copy.deepcopy(value)).tobytes()
        with pytest.raises(pdferr.FileError):
            pickle.loads(pickle.dumps(value))


def test_batch_calls_release_the_interpreter(table):
    # Another thread is woken just before a batch call and records that it
    # ran.  The switch interval is made longer than any call, so that it
    # can run during the call only if the call releases the lock; with the
    # lock held it runs after the call (then the next attempt follows).
    go, seen, stop = threading.Event(), threading.Event(), []

    def other():
        while True:
            go.wait()
            go.clear()
            if stop:
                return
            seen.set()

    x = np.linspace(1e-3, 0.9, 200_000)
    q = np.full_like(x, 10.0)  # no copy before the call
    interval = sys.getswitchinterval()
    sys.setswitchinterval(30.0)
    thread = threading.Thread(target=other)
    thread.start()
    try:
        for _ in range(20):
            seen.clear()
            go.set()
            table.all_flavours(x, q)
            released = seen.is_set()
            if released:
                break
            seen.wait(10)
    finally:
        stop.append(True)
        go.set()
        thread.join()
        sys.setswitchinterval(interval)
    assert released


def test_uncertainty_on_axes(rng):
    v = rng.normal(1.0, 0.1, (4, 50, 3))
    assert uncertainty.mean(v, axis=1).shape == (4, 3)
    assert uncertainty.quantile(v, 0.16, axis=1).tolist() == np.quantile(v, 0.16, axis=1).tolist()
    low, high = uncertainty.central_interval(v[:, :, 0], uncertainty.Confidence.sigmas(1), axis=1)
    assert (low < uncertainty.mean(v[:, :, 0], axis=1)).all() and (high > low).all()
    m = uncertainty.Moments(3)
    m.add(v[0])
    assert [m.mean(j) for j in range(3)] == uncertainty.mean(v[0]).tolist()
    e = uncertainty.hessian([10.0, 13.0, 9.0])
    assert e == (2.0, 3.0, 1.0)
    cl90, one = uncertainty.Confidence.central(0.9), uncertainty.Confidence.sigmas(1)
    r = uncertainty.rescale(e, cl90, one)
    assert r.symmetric == 2.0 / uncertainty.rescale_factor(cl90, one)
    bad = v[:, :, 0].copy()
    bad[2, 7] = np.inf
    assert np.isnan(uncertainty.standard_deviation(bad, axis=1, errors="nan")[2])
    with pytest.raises(pdferr.DomainError, match="point 2"):
        uncertainty.standard_deviation(bad, axis=1)
    with pytest.raises(ValueError):
        uncertainty.hessian(np.ones((4, 2)))  # not 2 K + 1 members


LEGACY_STOP = """
import sys
from pdferr import legacy
print("before", flush=False)
try:
    legacy.setzemo(99)
finally:
    print("never")
"""


def test_legacy_stop_ends_the_process(tmp_path):
    run = subprocess.run([sys.executable, "-c", LEGACY_STOP], cwd=tmp_path, capture_output=True,
                         text=True)
    assert (run.returncode, run.stdout, run.stderr) == (
        1, "before\n Invalid Iset number in SetZEMO :          99\n", "")


def test_names_on_the_data_path(data, monkeypatch, tmp_path):
    # Numbers and description names are found on PDFERR_DATA_PATH before the
    # working folder; a description's numbered members come from its own folder.
    shelf, here = tmp_path / "shelf", tmp_path / "here"
    shelf.mkdir()
    here.mkdir()
    for name in ["zemo.00.pds", "PELK-GRID.NLO", "pelk-plus-01.grid", "pelk-minus-01.grid"]:
        shutil.copy(os.path.join(data, name), shelf)
    shutil.copy(os.path.join(data, "zemo.01.pds"), here / "zemo.00.pds")
    (shelf / "mysets.members").write_text(
        "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\npair 1 1 -1\n")
    monkeypatch.chdir(here)
    monkeypatch.setenv("PDFERR_DATA_PATH", f":{shelf}:")
    assert pdferr.TableSet(100).path == f"{shelf}/zemo.00.pds"
    assert pdferr.TableSet(100, ".").path == "zemo.00.pds"  # an explicit directory first
    assert pdferr.GridMember(1).path == f"{shelf}/pelk-plus-01.grid"
    assert pdferr.TableSet.file_name(100) == "zemo.00.pds"
    sets = uncertainty.MemberSet.load("mysets")
    assert sets.directory == str(shelf) and len(sets) == 3
    shutil.copy(shelf / "pelk-plus-01.grid", here)
    os.remove(shelf / "pelk-plus-01.grid")
    with pytest.raises(pdferr.FileError):  # never the working folder's pelk-plus-01.grid
        uncertainty.load_members(sets)
    monkeypatch.delenv("PDFERR_DATA_PATH")
    assert pdferr.TableSet(100).path == "zemo.00.pds"
    with pytest.raises(pdferr.FileError, match="no description mysets.members"):
        uncertainty.MemberSet.load("mysets")

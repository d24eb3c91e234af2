"""What numpy users expect: quantiles with numpy's bits on any axis and
layout, scalar functions on arrays, modules that list their own names,
readable reprs."""

import numpy as np
import pytest

import pdferr
from pdferr import legacy, uncertainty


def arrays(rng):
    """Values of every awkward kind: ties, signs, one member, views with strides."""
    base = rng.normal(0.0, 1e3, (37, 23))
    yield "normal", base
    # (+ 0.0: -0.0 and 0.0 are equal, and which of them numpy's partition
    # puts first is its own affair)
    yield "ties", np.round(base / 300.0) + 0.0
    yield "one member", base[:1]
    yield "strided view", base[::2, ::3]
    yield "float32", base.astype(np.float32)
    yield "integers", rng.integers(-5, 5, (20, 9))
    yield "3 axes", rng.normal(size=(4, 15, 6))


@pytest.mark.parametrize("p", [0.0, 0.16, 1 / 3, 0.5, 0.84, 1.0])
def test_quantiles_have_numpys_bits_on_every_axis(rng, p):
    for name, a in arrays(rng):
        a64 = a.astype(np.float64)  # the values are taken as float64
        for axis in range(-a.ndim, a.ndim):
            expected = np.quantile(a64, p, axis=axis)
            got = uncertainty.quantile(a, p, axis=axis)
            assert got.tobytes() == expected.tobytes(), (name, axis)
            c = uncertainty.Confidence.central(p) if 0 < p < 1 else uncertainty.Confidence.sigmas(1)
            q = c.probability
            low, high = uncertainty.central_interval(a, c, axis=axis)
            ends = np.quantile(a64, [(1 - q) / 2, (1 + q) / 2], axis=axis)
            assert (low.tobytes(), high.tobytes()) == (ends[0].tobytes(), ends[1].tobytes()), name
    assert uncertainty.quantile([3.0, 1.0, 2.0], 0.25) == 1.5


def test_quantiles_refuse_or_give_nan_at_bad_points(rng):
    a = rng.normal(size=(30, 5))
    a[7, 3] = np.nan
    with pytest.raises(pdferr.DomainError, match="point 3") as e:
        uncertainty.central_interval(a, uncertainty.Confidence.sigmas(1))
    assert e.value.index == 3
    q = uncertainty.quantile(a, 0.5, errors="nan")
    good = [0, 1, 2, 4]
    assert np.isnan(q[3]) and np.array_equal(q[good], np.quantile(a[:, good], 0.5, axis=0))
    with pytest.raises(ValueError):
        uncertainty.quantile(np.empty((0, 3)), 0.5)
    with pytest.raises(ValueError):
        uncertainty.quantile(a, 1.5)
    assert uncertainty.quantile(np.empty((4, 0)), 0.5).shape == (0,)


def test_normal_quantile_takes_arrays():
    p = np.array([[0.5, 0.975], [0.025, 1e-10]])
    z = uncertainty.normal_quantile(p)
    assert z.shape == (2, 2)
    assert z.tolist() == [[uncertainty.normal_quantile(float(v)) for v in row] for row in p]
    assert isinstance(uncertainty.normal_quantile(0.5), float)
    assert uncertainty.normal_quantile([0.0, 1.0]).tolist() == [-np.inf, np.inf]
    with pytest.raises(pdferr.DomainError, match="point 1") as e:
        uncertainty.normal_quantile([0.5, 1.5])
    assert e.value.index == 1
    assert np.isnan(uncertainty.normal_quantile([0.5, -1.0], errors="nan")[1])
    with pytest.raises(TypeError):
        uncertainty.normal_quantile(["a"])


def test_modules_list_their_own_names():
    for module in (pdferr, uncertainty, legacy):
        names = dir(module)
        assert set(module.__all__) <= set(names), module.__name__
        for foreign in ("np", "NamedTuple", "annotations", "functools", "sys", "_pdferr"):
            assert foreign not in names, (module.__name__, foreign)
    assert {"uncertainty", "legacy", "plot"} <= set(dir(pdferr))
    assert pdferr.uncertainty is uncertainty
    with pytest.raises(AttributeError):
        pdferr.no_such_name


def test_reprs_are_readable(data):
    s = uncertainty.MemberSet.parse(
        "pdferr-members 1\nsource grid\nhessian 90%\ncentral 0\npair 1 1 -1\n")
    assert repr(s) == ("<MemberSet: Hessian, 1 pairs and a central member, grid members, "
                       "Confidence.central(0.9)>")
    m = uncertainty.Moments(3, correlations=True, first=256)
    m.add(np.ones((10, 3)))
    assert repr(m) == "<Moments: width 3, draws 256..266, with correlations>"
    assert repr(uncertainty.Confidence.sigmas(1)) == "Confidence.sigmas(1.0)"
    assert repr(pdferr.TableSet(100, data)).startswith("TableSet('")
    assert repr(pdferr.Generator(1)) == "Generator(seed=1, position=0)"

"""Error-set formulas on numpy arrays: Hessian errors and confidence levels,
replica statistics and quantiles, sums in a fixed order, member sets.

The values of one quantity on every member of a set, or on every draw, lie
along one axis (``axis=0`` by default, members in member order: the central
member, then +1, -1, +2, -2, ... for a Hessian set); the other axes are
points, and each point's result has the bits of the C++ formula on that
point alone.  A value that is not finite raises :class:`pdferr.DomainError`
naming the first bad point (its flat index over the other axes), or with
``errors="nan"`` gives NaN at that point.
"""

from __future__ import annotations

from typing import NamedTuple

import numpy as np

from ._pdferr import uncertainty as _u

Confidence = _u.Confidence
Moments = _u.Moments
MemberSet = _u.MemberSet
normal_quantile = _u.normal_quantile
rescale_factor = _u.rescale_factor


class HessianErrors(NamedTuple):
    """The symmetric, plus and minus errors of a Hessian set."""

    symmetric: np.ndarray
    plus: np.ndarray
    minus: np.ndarray


class Interval(NamedTuple):
    """A central interval: its lower and upper ends."""

    low: np.ndarray
    high: np.ndarray


def _members_view(values, axis: int) -> tuple[np.ndarray, tuple[int, ...]]:
    """values as float64 (members, points), a view where it can be, and the
    shape of the points."""
    a = np.asarray(values)
    if a.dtype.kind not in "iuf":
        raise TypeError(f"values: expected real numbers, got dtype {a.dtype}")
    if a.ndim == 0:
        raise ValueError("values: expected at least one axis of members")
    a = np.moveaxis(a, axis, 0)
    shape = a.shape[1:]
    a = a.reshape(a.shape[0], -1).astype(np.float64, copy=False)
    if any(s % a.itemsize for s in a.strides):
        a = np.ascontiguousarray(a)
    return a, shape


def _members_first(values, axis: int) -> tuple[np.ndarray, tuple[int, ...]]:
    """values as C-contiguous float64 (members, points) and the shape of the points."""
    a, shape = _members_view(values, axis)
    return np.ascontiguousarray(a), shape


def _points_first(values, axis: int) -> tuple[np.ndarray, tuple[int, ...]]:
    """values as float64 (points, members) and the shape of the points."""
    a, shape = _members_first(values, axis)
    return np.ascontiguousarray(a.T), shape


def _shaped(result: np.ndarray, shape: tuple[int, ...]):
    return float(result[0]) if shape == () else result.reshape(shape)


def hessian(values, *, axis: int = 0, errors: str = "raise") -> HessianErrors:
    """The errors of a Hessian set at each point.

    ``values`` holds 2K + 1 members along ``axis``: F0, F+1, F-1, ..., F+K,
    F-K.  With each sum over k = 1..K in ascending order::

        symmetric = 0.5 * sqrt(sum (F+k - F-k)**2)
        plus      = sqrt(sum max(F+k - F0, F-k - F0, 0)**2)
        minus     = sqrt(sum max(F0 - F+k, F0 - F-k, 0)**2)

    Returns ``HessianErrors(symmetric, plus, minus)``, floats for one point,
    else arrays of the shape of the other axes.
    """
    a, shape = _members_first(values, axis)
    out = _u._hessian(a, errors)
    return HessianErrors(*(_shaped(out[:, i].copy(), shape) for i in range(3)))


def rescale(error, source: Confidence, target: Confidence):
    """An error stated at level ``source`` expressed at level ``target``:
    ``error / rescale_factor(source, target)`` (arrays and HessianErrors too)."""
    factor = rescale_factor(source, target)
    if isinstance(error, HessianErrors):
        return HessianErrors(*(rescale(e, source, target) for e in error))
    result = np.asarray(error, dtype=np.float64) / factor
    return float(result) if result.ndim == 0 else result


def hessian_correlation(x, y) -> float:
    """The correlation of two quantities over the same Hessian set (both
    2K + 1 values in member order); NaN when either has no spread."""
    return _u._hessian_correlation(np.asarray(x, dtype=np.float64), np.asarray(y, dtype=np.float64))


def mean(values, *, axis: int = 0, errors: str = "raise"):
    """The mean over ``axis`` (at least 1 value), summed in the fixed order of
    :class:`Moments`."""
    a, shape = _points_first(values, axis)
    return _shaped(_u._mean(a, errors), shape)


def standard_deviation(values, *, axis: int = 0, errors: str = "raise"):
    """The standard deviation over ``axis`` with divisor N - 1 (N >= 2)."""
    a, shape = _points_first(values, axis)
    return _shaped(_u._standard_deviation(a, errors), shape)


def quantile(values, p: float, *, axis: int = 0, errors: str = "raise"):
    """The p-quantile over ``axis`` by linear interpolation between order
    statistics: the bits of ``numpy.quantile(values, p, axis=axis)``."""
    a, shape = _members_view(values, axis)
    return _shaped(_u._quantile(a, float(p), errors), shape)


def central_interval(values, confidence: Confidence, *, axis: int = 0,
                     errors: str = "raise") -> Interval:
    """The central interval at ``confidence``: the quantiles at (1 - P) / 2
    and (1 + P) / 2, P = confidence.probability."""
    a, shape = _members_view(values, axis)
    out = _u._interval(a, confidence, errors)
    return Interval(_shaped(out[:, 0].copy(), shape), _shaped(out[:, 1].copy(), shape))


def correlation(x, y) -> float:
    """The correlation of two series of the same length (at least 2), as
    :class:`Moments` forms it; NaN when either has no spread."""
    return _u._correlation(np.asarray(x, dtype=np.float64), np.asarray(y, dtype=np.float64))


class McBand(NamedTuple):
    """The Monte Carlo band at each point: the draws' mean, standard
    deviation (N - 1) and central interval."""

    mean: np.ndarray
    sd: np.ndarray
    low: np.ndarray
    high: np.ndarray


def monte_carlo_band(central, variations, cov, confidence: Confidence, *, draws: int = 10000,
                     seed: int | None = None, position: int = 0) -> McBand:
    """The Monte Carlo band of ``pdferr band --cov``, bit for bit: with F0
    the central values (points,) and F1..Fn the variations (n, points),
    draws of F = F0 + c1 (F1 - F0) + ... + cn (Fn - F0), c drawn by
    :meth:`pdferr.Generator.correlated` from ``cov`` (float32) in blocks of
    256 draws, block b from the generator (seed, its default when None) at
    position + b * 16 * 256 * n.  The command's variations are the plus
    members of a Hessian set's pairs, or the replicas."""
    central = np.ascontiguousarray(central, dtype=np.float64)
    variations = np.ascontiguousarray(variations, dtype=np.float64)
    cov = np.ascontiguousarray(cov, dtype=np.float32)
    kwargs = {} if seed is None else {"seed": seed}
    out = _u._monte_carlo_band(central, variations, cov, position=position, draws=draws,
                               probability=confidence.probability, **kwargs)
    return McBand(*(out[:, i].reshape(central.shape) for i in range(4)))


def load_members(member_set: MemberSet) -> list:
    """The members of a set in member order, loaded: a list of
    :class:`pdferr.TableSet` or :class:`pdferr.GridMember`.  Numbered
    members come from the set's directory alone, never from elsewhere on
    the search path."""
    import os

    from . import GridMember, TableSet

    kind = TableSet if member_set.source == "table" else GridMember
    return [kind(os.path.join(member_set.directory, kind.file_name(m))) if isinstance(m, int)
            else kind(m) for m in member_set.members]


__all__ = [
    "Confidence",
    "HessianErrors",
    "Interval",
    "McBand",
    "MemberSet",
    "Moments",
    "central_interval",
    "correlation",
    "hessian",
    "hessian_correlation",
    "load_members",
    "mean",
    "monte_carlo_band",
    "normal_quantile",
    "quantile",
    "rescale",
    "rescale_factor",
    "standard_deviation",
]


def __dir__() -> list[str]:
    return list(__all__)

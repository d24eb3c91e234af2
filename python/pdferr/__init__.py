"""pdferr: error estimation for parton densities, on numpy arrays.

Correlated draws from a fit's covariance (:class:`Generator`), densities
from table sets (:class:`TableSet`) and grid members (:class:`GridMember`),
and the error-set formulas (:mod:`pdferr.uncertainty`).  Every array result
is the same bit for bit as the C++ library's; calls on arrays release the
interpreter lock, so that threads run side by side.  Nothing here ends the
process, except the routines of :mod:`pdferr.legacy`.

    >>> import pdferr
    >>> g = pdferr.TableSet(100, directory="data")
    >>> g.values(0, [0.01, 0.1], 10.0)
"""

from __future__ import annotations

import importlib as _importlib

from ._errors import DomainError, FileError
from . import _pdferr
from ._pdferr import Generator, GridMember, GridRanges, Ranges, TableSet, cholesky

__version__: str = _pdferr.version

__all__ = [
    "DomainError",
    "FileError",
    "Generator",
    "GridMember",
    "GridRanges",
    "Ranges",
    "TableSet",
    "__version__",
    "cholesky",
]

# The submodules, imported on first use (pdferr.plot needs matplotlib).
_SUBMODULES = ("legacy", "plot", "uncertainty")


def __getattr__(name: str):
    if name in _SUBMODULES:
        return _importlib.import_module("." + name, __name__)
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def __dir__() -> list[str]:
    return sorted(__all__ + list(_SUBMODULES))

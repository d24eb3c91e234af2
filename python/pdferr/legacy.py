"""The process-wide routines of the legacy interface.

They share one generator, one loaded table set and one loaded grid member
for the whole process, as the Fortran and C programs that call them do, and
they hold the interpreter lock while they run.  Files are looked up in the
current working directory.

**A call here may end the process**: what ends a legacy program ends the
Python process as well, with its message on standard output and exit status
1, without raising an exception and without running ``finally`` blocks or
``atexit`` handlers: an unknown table set or a missing or faulty file in
``setzemo`` or ``pelkini``, ``Q`` < 0.3 in ``zemopdf``, an evaluation before
any load, ``x`` or ``q2`` outside the grid in ``pelkfit``.  This is the only
part of pdferr that ends the process; everything else raises exceptions.
Python's own ``sys.stdout`` and ``sys.stderr`` are flushed before each call,
so that what the program printed comes before the routine's lines.

    setzemo(iset)              load table set iset (100: "zemo.00.pds")
    zemopdf(iparton, x, q)     a density of the loaded set
    pelkini(iset)              load grid member iset (0: "PELK-GRID.NLO")
    pelkfit(x, q2)             the six densities of the loaded member (a tuple)
    rmarin(seed, count=0, nblocks=0), rmarut(), ranmar(n), gaudev(n)
    corset(cov), mvndev(c)     factor (float32, np x np) and one vector
"""

from __future__ import annotations

import functools
import sys

from ._pdferr import legacy as _legacy


def _flushing(name: str, doc: str):
    routine = getattr(_legacy, name)

    @functools.wraps(routine)
    def call(*args, **kwargs):
        for stream in (sys.stdout, sys.stderr):
            if stream is not None:
                stream.flush()
        return routine(*args, **kwargs)

    call.__doc__ = doc + "\n\nMay end the process (see pdferr.legacy)."
    call.__name__ = name
    call.__qualname__ = name
    return call


setzemo = _flushing("setzemo", "setzemo(iset): loads table set iset from the current directory; "
                    "asking again for the loaded set does nothing.")
zemopdf = _flushing("zemopdf", "zemopdf(iparton, x, q) -> float: the density of the loaded "
                    "table set; 0 with a message for x outside [0, 1] or a flavour out of range.")
pelkini = _flushing("pelkini", "pelkini(iset): loads grid member iset from the current directory.")
pelkfit = _flushing("pelkfit", "pelkfit(x, q2) -> tuple of 6 floats: the densities of the loaded "
                    "grid member.")
rmarin = _flushing("rmarin", "rmarin(seed, count=0, nblocks=0): initialises the generator from "
                   "seed and skips nblocks * 10**9 + count numbers.")
rmarut = _flushing("rmarut", "rmarut() -> (seed, count, nblocks): the generator's position.")
ranmar = _flushing("ranmar", "ranmar(n) -> float32 array: the next n uniform numbers.")
gaudev = _flushing("gaudev", "gaudev(n) -> float32 array: n standard normal deviates.")
corset = _flushing("corset", "corset(cov) -> float32 array (np, np): the Cholesky factor of cov "
                   "(lower triangle cov[i, j], i >= j, read), zero above the diagonal.")
mvndev = _flushing("mvndev", "mvndev(c) -> float32 array (np,): one correlated vector from the "
                   "factor c (np at most 100).")

__all__ = ["corset", "gaudev", "mvndev", "pelkfit", "pelkini", "ranmar", "rmarin", "rmarut",
           "setzemo", "zemopdf"]


def __dir__() -> list[str]:
    return list(__all__)

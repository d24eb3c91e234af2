// The docstrings of the classes and functions of the package pdferr.
#pragma once

namespace pdferr::python::doc {

inline constexpr const char* generator = R"(Generator(seed=54217137, position=0)

The uniform generator of ``ranmar`` as a value: seed 0..900000000, moved
``position`` numbers ahead (0..2147483647999999999) at once.  Anything
else raises ``ValueError``.  The numbers are those of ``ranmar`` after
``rmarin(seed, position % 10**9, position // 10**9)``, bit for bit.  It
pickles (and copies) as ``(seed, position)``.  Calls on one generator
from several threads take turns; one generator per thread runs them
side by side.
)";
inline constexpr const char* uniform = R"(uniform(n) -> float32 array (n,)

The next n numbers, multiples of 2**-24 strictly between 0 and 1.
)";
inline constexpr const char* normal = R"(normal(n) -> float32 array (n,)

n standard normal deviates: those of ``gaudev`` from this position, bit
for bit; the generator moves two numbers per attempt, as ``gaudev``
moves ``ranmar``.
)";
inline constexpr const char* correlated = R"(correlated(cov, n) -> float32 array (n, np)

n correlated normal vectors with covariance ``cov`` (np x np, converted
to float32; only its lower triangle ``cov[i, j]``, i >= j, is read):
those of n calls of ``mvndev`` with the factor of ``corset``, bit for
bit.  A covariance that is not positive definite, or holds a value that
is not finite, raises :class:`DomainError` (a ``ValueError``) naming the
element, and the generator does not move.
)";
inline constexpr const char* jump = R"(jump(n)

Skips the next n >= 0 numbers, in O(log n).
)";
inline constexpr const char* position = R"(The numbers drawn or skipped since the seed.

Setting it moves the generator there (forward or back) at once.
)";
inline constexpr const char* cholesky = R"(cholesky(cov) -> float32 array (np, np)

The Cholesky factor of ``cov`` (lower triangle ``cov[i, j]``, i >= j,
read; converted to float32), zero above the diagonal: bit for bit the
factor of ``corset``.  A matrix that is not positive definite, or holds
a value that is not finite, raises :class:`DomainError` naming the
element.
)";
inline constexpr const char* table_set = R"(TableSet(path_or_number, directory="")

A ".pds" table set, loaded and checked: by path (str or os.PathLike,
used as given), or by set number (100 is "zemo.00.pds") looked up in
``directory`` (unless it is ""), then in the folders of
PDFERR_DATA_PATH, then in the working folder.  A number that names no set raises ``ValueError``; a file
that cannot be read or is refused raises :class:`FileError`.  Any number
of sets may be open; each is immutable.  It pickles as the absolute
path of its file, and unpickling loads the file again.
)";
inline constexpr const char* table_values = R"(values(flavour, x, q, *, errors="raise")

The density of ``flavour`` at momentum fraction ``x`` and scale ``Q``
(GeV): the bits of ``zemopdf``.  The arguments are scalars or arrays,
broadcast together as numpy does; flavours are integers, x and q any
integer or floating dtype (converted to float64).  Returns a float for
scalars, else a float64 array of the broadcast shape.  A point outside
the domain (x outside [0, 1], Q below 0.3 or not above alambda, NaN,
a flavour beyond ``max_flavour``) raises :class:`DomainError` naming
the first one; with ``errors="nan"`` a point outside the domain gives
NaN (a bad flavour still raises).
)";
inline constexpr const char* all_flavours = R"(all_flavours(x, q, *, errors="raise")

Every flavour at each point: a float64 array of shape
``broadcast(x, q).shape + (2 * max_flavour + 1,)``, flavours in
ascending order (``flavours``), the bits of ``values``.
)";
inline constexpr const char* table_ranges = R"(Ranges(x=(min, max), q=(min, max)): what the
nodes span; beyond it (within the domain) values are extrapolated.
)";
inline constexpr const char* grid_member = R"(GridMember(path_or_member, directory="")

A grid member, loaded and checked: by path, or by member number (0 the
central member "PELK-GRID.NLO", k and -k the plus and minus members
"pelk-plus-0k.grid", "pelk-minus-0k.grid") looked up as a table set
number is.
Errors and pickling as for :class:`TableSet`.
)";
inline constexpr const char* grid_values = R"(values(x, q2, *, errors="raise")

The six densities at ``x`` and ``q2`` (GeV^2), broadcast together: a
float64 array of shape ``broadcast(x, q2).shape + (6,)``, the bits of
``pelkfit``.  x outside [1e-5, 1], q2 outside [1, 1e6] or NaN raise
:class:`DomainError`; with ``errors="nan"`` those points give six NaN.
)";
inline constexpr const char* seed = R"(The seed the generator started from.
)";

}  // namespace pdferr::python::doc

"""Plots of the band CSV files that ``pdferr band`` writes, with matplotlib.

    python3 -m pdferr.plot band.csv [more.csv ...] -o band.pdf

draws each file's central value, Hessian band and Monte Carlo interval
against x on a logarithmic axis: the values themselves above, and the same
divided by each file's central value below (``--panels absolute`` or
``--panels ratio`` draws one of the two).  Several files are overlaid, one
colour each; the title names what they share (set, flavour or column,
scale, level) and the legend what tells them apart.  Where the central
value is 0 the ratio has a gap.  The output's suffix chooses the format:
.pdf, .png or .svg.

From Python: ``read_band(path)`` gives a :class:`Band`, and
``plot_bands(bands, output)`` draws a list of them.
"""

from __future__ import annotations

import argparse
import os
import re
import sys
import tempfile
from dataclasses import dataclass, field

import numpy as _np

FORMATS = (".pdf", ".png", ".svg")
PANELS = ("both", "absolute", "ratio")


class BandFileError(ValueError):
    """A band CSV that cannot be read: ``str()`` names the file and the line."""


@dataclass
class Band:
    """One band CSV: its columns by name (``x``, ``Q`` or ``Q2``,
    ``central``, ``hessian_plus``, ``mc_low``, ...) and what its comment
    lines say: the member set, the flavour or column, the level, the draws."""

    path: str
    columns: dict = field(default_factory=dict, repr=False)
    members: str = ""  # the member-set description as given
    selector: str = ""  # "flavour 0" or "column 3"
    level: str = ""  # "1 sigma", "90%", ...
    draws: str = ""  # "10000" for a Monte Carlo band

    @property
    def set_name(self) -> str:
        """The member set's file name without its folder and ".members"."""
        name = os.path.basename(self.members)
        return name[:-len(".members")] if name.endswith(".members") else name

    @property
    def scale(self) -> str:
        """``"Q² = 100 GeV²"``, ``"Q = 10 GeV"``, or ``"Q² from 10 to 100 GeV²"``."""
        name = "Q2" if "Q2" in self.columns else "Q"
        values = self.columns[name]
        shown, unit = ("Q²", " GeV²") if name == "Q2" else ("Q", " GeV")
        low, high = _number(values.min()), _number(values.max())
        if low == high:
            return f"{shown} = {low}{unit}"
        return f"{shown} from {low} to {high}{unit}"


def _number(v: float) -> str:
    return f"{v:.6g}"


_MEMBERS = re.compile(r"^# members (.*): .*?((?:flavour|column) -?\d+)\s*$")
_LEVEL = re.compile(r"^# level (.*?)(?: \(probability .*\))?\s*$")
_DRAWS = re.compile(r"^# monte carlo: (\d+) draws")


def read_band(path: str) -> Band:
    """Reads a band CSV of ``pdferr band`` (BandFileError if it is not one)."""
    band = Band(path)
    limit = 64 << 20
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read(limit + 1)
    except (OSError, UnicodeDecodeError) as e:
        raise BandFileError(f"{path}: cannot be read ({e})") from None
    if len(text) > limit:
        raise BandFileError(f"{path}: larger than {limit >> 20} MiB, no band CSV")
    lines = text.splitlines()
    header = None
    rows = []
    for number, line in enumerate(lines, 1):
        if not line.strip():
            continue
        if line.startswith("#"):
            for pattern, name in ((_MEMBERS, "members"), (_LEVEL, "level"), (_DRAWS, "draws")):
                m = pattern.match(line)
                if m:
                    setattr(band, name, m.group(1))
                    if name == "members":
                        band.selector = m.group(2)
            continue
        fields = line.split(",")
        if header is None:
            header = fields
            if header[:1] != ["x"] or header[1:2] not in (["Q"], ["Q2"]) or "central" not in header:
                raise BandFileError(f"{path}, line {number}: not a band CSV (its first line is "
                                    f"not x,Q,central,... nor x,Q2,central,...)")
            continue
        if len(fields) != len(header):
            raise BandFileError(f"{path}, line {number}: {len(fields)} fields, the header has "
                                f"{len(header)}")
        try:
            rows.append([float(v) for v in fields])
        except ValueError:
            raise BandFileError(f"{path}, line {number}: a field is not a number") from None
    if header is None or not rows:
        raise BandFileError(f"{path}: no points")
    values = _np.array(rows)
    if not _np.isfinite(values).all() or (values[:, 0] <= 0).any():
        raise BandFileError(f"{path}: every value must be finite and every x positive")
    band.columns = {name: values[:, i] for i, name in enumerate(header)}
    return band


def _describe(bands: list[Band]) -> tuple[str, list[str]]:
    """The title (what every band shares) and each band's legend name (what
    tells it apart)."""
    parts = [
        [b.set_name or os.path.basename(b.path) for b in bands],
        [b.selector for b in bands],
        [b.scale for b in bands],
        [f"bands at {b.level}" if b.level else "" for b in bands],
    ]
    shared = [p[0] for p in parts if len(set(p)) == 1 and p[0]]
    own = [p for p in parts if len(set(p)) > 1]
    names = [", ".join(p[i] for p in own if p[i]) for i in range(len(bands))]
    return ", ".join(shared), names


def _ratio_scale(central: _np.ndarray) -> _np.ndarray:
    """1 / central, NaN where the central value is 0: a ratio to 0 is no
    number, and the curves have a gap there, never a 1."""
    safe = _np.where(central != 0, central, 1.0)
    return _np.where(central != 0, 1.0 / safe, _np.nan)


def _draw(ax, band: Band, colour, ratio: bool) -> None:
    c = band.columns
    x = c["x"]
    central = c["central"]
    scale = _ratio_scale(central) if ratio else _np.ones_like(central)
    ax.plot(x, central * scale, color=colour, lw=1.2)
    for kind in ("mc", "replica"):
        if f"{kind}_low" in c:
            ax.fill_between(x, c[f"{kind}_low"] * scale, c[f"{kind}_high"] * scale, color=colour,
                            alpha=0.25, lw=0)
    if "hessian_plus" in c:
        # The edges only: no closing lines at the ends.
        for edge in (central + c["hessian_plus"], central - c["hessian_minus"]):
            ax.plot(x, edge * scale, color=colour, lw=1.2, ls="--")


def _legend(ax, bands: list[Band], names: list[str], colours: list) -> None:
    """The kinds of curve (in the file's colour for one file, grey for
    several), then one colour per file."""
    from matplotlib.lines import Line2D
    from matplotlib.patches import Patch

    kind_colour = colours[0] if len(bands) == 1 else "0.35"
    handles = [Line2D([], [], color=kind_colour, lw=1.2, label="central value")]
    draws = {b.draws for b in bands if "mc_low" in b.columns}
    if draws:
        count = draws.pop() if len(draws) == 1 else ""
        handles.append(Patch(color=kind_colour, alpha=0.25, lw=0,
                             label="Monte Carlo interval" + (f", {count} draws" if count else "")))
    if any("replica_low" in b.columns for b in bands):
        handles.append(Patch(color=kind_colour, alpha=0.25, lw=0, label="replica interval"))
    if any("hessian_plus" in b.columns for b in bands):
        handles.append(Line2D([], [], color=kind_colour, lw=1.2, ls="--",
                              label="Hessian band (plus, minus)"))
    if len(bands) > 1:
        handles += [Line2D([], [], color=colours[i], lw=4, label=names[i] or bands[i].path)
                    for i in range(len(bands))]
    ax.legend(handles=handles, fontsize="small", frameon=False)


def plot_bands(bands: list[Band], output: str, *, panels: str = "both", title: str | None = None,
               labels: list[str] | None = None, log_y: bool = False, dpi: float = 150) -> None:
    """Draws the bands into output (.pdf, .png or .svg), written whole or
    not at all."""
    # A Figure of its own, without pyplot: no window, and the backend of an
    # interactive session is left as it is.
    try:
        import matplotlib
        from matplotlib.figure import Figure
    except ImportError:
        raise ImportError("pdferr.plot needs matplotlib (Debian: python3-matplotlib)") from None
    from matplotlib.ticker import LogFormatterSciNotation, LogLocator, NullFormatter

    suffix = os.path.splitext(output)[1].lower()
    if suffix not in FORMATS:
        raise ValueError(f"{output}: the output must end in .pdf, .png or .svg")
    if panels not in PANELS:
        raise ValueError(f"panels: expected one of {', '.join(PANELS)}, got {panels!r}")
    shared, names = _describe(bands)
    if labels is not None:
        if len(labels) != len(bands):
            raise ValueError(f"{len(labels)} labels for {len(bands)} band files")
        names = labels
    kinds = {"both": (False, True), "absolute": (False,), "ratio": (True,)}[panels]
    heights = [3, 2] if len(kinds) == 2 else [1]
    height = 5.6 if len(kinds) == 2 else 4.2
    fig = Figure(figsize=(7.2, height))
    axes = fig.subplots(len(kinds), 1, sharex=True,
                        gridspec_kw={"height_ratios": heights, "hspace": 0.06})
    axes = list(_np.atleast_1d(axes))
    colours = matplotlib.rcParams["axes.prop_cycle"].by_key()["color"]
    colours = [colours[i % len(colours)] for i in range(len(bands))]
    for ax, ratio in zip(axes, kinds):
        for band, colour in zip(bands, colours):
            _draw(ax, band, colour, ratio)
        ax.set_xscale("log")
        ax.xaxis.set_major_locator(LogLocator(base=10))
        ax.xaxis.set_major_formatter(LogFormatterSciNotation(base=10))
        ax.xaxis.set_minor_locator(LogLocator(base=10, subs=_np.arange(2, 10)))
        ax.xaxis.set_minor_formatter(NullFormatter())
        if ratio:
            ax.axhline(1.0, color="0.5", lw=0.6)
            ax.set_ylabel("ratio to central value")
        else:
            if log_y:
                ax.set_yscale("log")
            selectors = {b.selector for b in bands}
            ax.set_ylabel(selectors.pop() if len(selectors) == 1 and bands[0].selector else "value")
        ax.grid(True, which="major", color="0.9", lw=0.6)
    axes[-1].set_xlabel("x")
    xs = _np.concatenate([b.columns["x"] for b in bands])
    axes[-1].set_xlim(xs.min(), xs.max())
    _legend(axes[0], bands, names, colours)
    if title is None:
        title = shared
    if title:
        axes[0].set_title(title, fontsize="medium")
    fig.align_ylabels(axes)
    _save(fig, output, suffix, dpi)


def _save(fig, output: str, suffix: str, dpi: float) -> None:
    folder = os.path.dirname(os.path.abspath(output))
    fd, temporary = tempfile.mkstemp(prefix=".plot-", suffix=suffix, dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            fig.savefig(f, format=suffix[1:], dpi=dpi, bbox_inches="tight",
                        metadata={"Software": None} if suffix == ".png" else None)
        os.chmod(temporary, 0o666 & ~_umask())
        os.replace(temporary, output)
    except BaseException:
        os.unlink(temporary)
        raise


def _umask() -> int:
    mask = os.umask(0)
    os.umask(mask)
    return mask


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(
        prog="python3 -m pdferr.plot",
        description="Plot band CSV files of `pdferr band` to PDF, PNG or SVG.")
    parser.add_argument("csv", nargs="+", help="band CSV files, overlaid")
    parser.add_argument("-o", "--output", required=True, help="the plot: NAME.pdf, .png or .svg")
    parser.add_argument("--panels", choices=PANELS, default="both",
                        help="values and ratio to the central value (both, the default), or one")
    parser.add_argument("--title", help="instead of what the files share")
    parser.add_argument("--label", action="append",
                        help="legend name of each file, in order (instead of what tells them "
                        "apart)")
    parser.add_argument("--log-y", action="store_true", help="logarithmic axis of the values")
    parser.add_argument("--dpi", type=float, default=150, help="dots per inch of a PNG (150)")
    args = parser.parse_args(argv)
    try:
        if os.path.splitext(args.output)[1].lower() not in FORMATS:
            raise ValueError(f"{args.output}: the output must end in .pdf, .png or .svg")
        for path in args.csv:
            if os.path.exists(args.output) and os.path.exists(path) and \
                    os.path.samefile(path, args.output):
                raise ValueError(f"{args.output}: the output is one of the inputs")
        bands = [read_band(path) for path in args.csv]
        plot_bands(bands, args.output, panels=args.panels, title=args.title, labels=args.label,
                   log_y=args.log_y, dpi=args.dpi)
    except (ValueError, OSError, ImportError) as e:
        print(f"pdferr.plot: {e}", file=sys.stderr)
        return 1
    print(f"written: {args.output}")
    return 0


__all__ = ["Band", "BandFileError", "main", "plot_bands", "read_band"]


def __dir__() -> list[str]:
    return list(__all__)


if __name__ == "__main__":
    sys.exit(main())

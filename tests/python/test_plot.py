"""python3 -m pdferr.plot on band CSV files of the form pdferr band writes."""

import subprocess
import sys

import numpy as np
import pytest

from pdferr import plot

HEADER = """# pdferr 0.2.0 band
# members sets/my.members: Hessian set of 1 pairs, grid members, column {column}
# level 1 sigma (probability 0.6826894921370859)
# monte carlo: 500 draws of 1 coefficients, covariance cov.csv
x,Q2,central,hessian,hessian_plus,hessian_minus,mc_mean,mc_sd,mc_low,mc_high
"""


def band_csv(path, column=1, q2=100.0, zero_at=()):
    x = np.geomspace(1e-4, 0.9, 12)
    central = np.sqrt(x) * (1 - x) ** 3 * column
    central[list(zero_at)] = 0.0
    rows = [HEADER.format(column=column)]
    for xi, c in zip(x.tolist(), central.tolist()):  # Python floats: numpy 2 reprs its own
        e = 0.05 * c
        rows.append(f"{xi!r},{q2!r},{c!r},{e!r},{e!r},{e!r},{c!r},{e!r},{c - e!r},{c + e!r}\n")
    path.write_text("".join(rows))
    return str(path)


@pytest.fixture()
def run(capsys, monkeypatch):
    """run(*args, cwd=folder) -> (status, stdout, stderr) of the command, in
    this process (matplotlib imports once)."""

    def call(*args, cwd):
        monkeypatch.chdir(cwd)
        status = plot.main(list(args))
        out, err = capsys.readouterr()
        return subprocess.CompletedProcess(args, status, out, err)

    return call


MAGIC = {".pdf": b"%PDF", ".png": b"\x89PNG", ".svg": b"<?xml"}


def test_every_format_and_overlay(tmp_path, run):
    a = band_csv(tmp_path / "a.csv", zero_at=[3])
    b = band_csv(tmp_path / "b.csv", column=2)
    for suffix, magic in MAGIC.items():
        r = run(a, b, "-o", "out" + suffix, cwd=tmp_path)
        assert (r.returncode, r.stdout, r.stderr) == (0, f"written: out{suffix}\n", "")
        assert (tmp_path / ("out" + suffix)).read_bytes().startswith(magic)
    for panels in ("absolute", "ratio"):
        assert run(a, "--panels", panels, "-o", "one.png", cwd=tmp_path).returncode == 0
    assert sorted(p.name for p in tmp_path.iterdir()) == [
        "a.csv", "b.csv", "one.png", "out.pdf", "out.png", "out.svg"]  # no temporary left


def test_titles_name_what_is_shared_and_legends_what_differs(tmp_path):
    a = plot.read_band(band_csv(tmp_path / "a.csv"))
    b = plot.read_band(band_csv(tmp_path / "b.csv", column=2))
    c = plot.read_band(band_csv(tmp_path / "c.csv", q2=1e4))
    assert (a.set_name, a.selector, a.level, a.draws) == ("my", "column 1", "1 sigma", "500")
    assert plot._describe([a]) == ("my, column 1, Q² = 100 GeV², bands at 1 sigma", [""])
    assert plot._describe([a, b, c]) == ("my, bands at 1 sigma", [
        "column 1, Q² = 100 GeV²", "column 2, Q² = 100 GeV²", "column 1, Q² = 10000 GeV²"])


def test_zero_central_values_are_gaps_in_the_ratio():
    r = plot._ratio_scale(np.array([2.0, 0.0, -4.0]))
    assert r[0] == 0.5 and np.isnan(r[1]) and r[2] == -0.25


@pytest.mark.parametrize("content, args, message", [
    ("x,Q2,central\n0.1,10,oops\n", [], "in.csv, line 2: a field is not a number"),
    ("x,central\n0.1,1\n", [], "in.csv, line 1: not a band CSV"),
    ("x,Q2,central\n", [], "in.csv: no points"),
    ("x,Q2,central\n0.1,10\n", [], "in.csv, line 2: 2 fields, the header has 3"),
    ("x,Q2,central\n0.1,10,1\n", ["-o", "in.csv"], "the output must end in .pdf, .png or .svg"),
    ("x,Q2,central\n0.1,10,1\n", ["-o", "out.jpg"], "the output must end in .pdf, .png or .svg"),
])
def test_faults_are_named_and_write_nothing(tmp_path, run, content, args, message):
    (tmp_path / "in.csv").write_text(content)
    r = run("in.csv", *(args or ["-o", "out.png"]), cwd=tmp_path)
    assert r.returncode == 1 and r.stdout == ""
    assert r.stderr.startswith("pdferr.plot: ") and message in r.stderr, r.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["in.csv"]


def test_output_is_never_an_input_and_runs_as_a_module(tmp_path):
    a = band_csv(tmp_path / "a.svg")  # a CSV under another name
    r = subprocess.run([sys.executable, "-m", "pdferr.plot", a, "-o", a], cwd=tmp_path,
                       capture_output=True, text=True)
    assert r.returncode == 1 and "the output is one of the inputs" in r.stderr
    assert (tmp_path / "a.svg").read_text().startswith("# pdferr")

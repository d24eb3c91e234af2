"""Shared fixtures: the synthetic data and the C++ reference program."""

import os
import subprocess

import numpy as np
import pytest


@pytest.fixture(scope="session")
def data():
    """The folder of table sets 100..104, grid members 0, +-1..+-4 and grids.members."""
    return os.environ["PDFERR_TEST_DATA"]


@pytest.fixture(scope="session")
def reference():
    """reference(dtype, *args, inputs=[arrays]) -> the C++ results as an array."""

    def run(dtype, *args, inputs=()):
        stdin = b"".join(np.ascontiguousarray(a).tobytes() for a in inputs)
        out = subprocess.run([os.environ["PDFERR_REFERENCE"], *map(str, args)], input=stdin,
                             capture_output=True, check=True).stdout
        return np.frombuffer(out, dtype=dtype)

    return run


@pytest.fixture()
def rng():
    return np.random.default_rng(20261208)

"""Building and discarding many values leaves the resident size flat."""
import gc
import os

import pytest

import forvela as fv


def resident_bytes():
    with open(f"/proc/{os.getpid()}/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def expressions():
    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[N])
    i = fv.Element("i", belong_to=N)
    s = 0
    for k in range(20):
        s = s + w[k] * x[k]
    branch = s - x[0]
    branch.set_latex("b")
    _ = (s <= 1) & (branch >= 0)
    _ = fv.sum(i, w[i] * x[i]) + fv.abs(N) ** 2 % 3
    str(s), repr(branch), s._repr_latex_()
    return s


def problems():
    N = fv.Placeholder("N")
    x = fv.BinaryVar("x", shape=[N])
    i = fv.Element("i", belong_to=N)
    p = fv.Problem("p")
    p += fv.sum(i, x[i])
    p += fv.Constraint("c", x[i] <= 1, forall=[i])
    p._repr_latex_()
    return p


def failures():
    N = fv.Placeholder("N")
    for bad in (lambda: N + "a", lambda: fv.Constraint("c", N <= 1), lambda: N[0], lambda: bool(N == 1)):
        try:
            bad()
        except (TypeError, fv.ModelingError):
            pass


def sample_sets():
    ss = fv.SampleSet.from_dict(
        {
            "record": {"solution": {"x": [(([0, 1],), [1.0, 1.0], (3,))]}, "num_occurrences": [1]},
            "evaluation": {
                "energy": [1.0], "objective": [1.0],
                "constraint_violations": {"c": [0.0]}, "constraint_forall": {"c": []},
                "constraint_values": [], "penalty": {},
            },
            "measuring_time": {"solve": {"solve": None}, "system": {"system": None}, "total": None},
        }
    )
    ss.to_json(), ss.to_dict(), ss.feasible()


@pytest.mark.skipif(
    bool(os.environ.get("FORVELA_SANITIZED")),
    reason="the sanitizer's allocator keeps freed memory in quarantine",
)
@pytest.mark.parametrize("build", [expressions, problems, failures, sample_sets])
def test_resident_size_stays_flat(build):
    for _ in range(200):  # warm up caches and allocator pools
        build()
    gc.collect()
    before = resident_bytes()
    for _ in range(10_000):
        build()
    gc.collect()
    grown = resident_bytes() - before
    assert grown < 2 * 1024 * 1024, f"resident size grew by {grown} bytes"

"""Inputs that once crashed the interpreter or built silently wrong models."""
import subprocess
import sys
import textwrap
import time

import numpy as np
import pytest

import forvela as fv


def run_isolated(code, shell_prefix=""):
    """Runs `code` in its own interpreter; returns (returncode, output)."""
    script = textwrap.dedent(code)
    if shell_prefix:
        cmd = ["bash", "-c", f'{shell_prefix} && exec "$0" -c "$1"', sys.executable, script]
    else:
        cmd = [sys.executable, "-c", script]
    done = subprocess.run(cmd, capture_output=True, text=True, timeout=300)
    return done.returncode, done.stdout + done.stderr


DEEP_CHAIN = """
import forvela as fv
N = fv.Placeholder("N")
e = N
try:
    for _ in range(2999):
        e = -(e + 1)
except RecursionError:
    pass
a = fv.Placeholder("a", ndim=1)
i = fv.Element("i", belong_to=N)
reduced = fv.sum([i] * 5000, a[i])
"""

WALKS = """
def walk():
    for value in (e, reduced):
        for render in (str, repr, lambda x: x._repr_latex_(), lambda x: x + 1, lambda x: x == x):
            try:
                render(value)
            except RecursionError:
                pass
    print("survived")
"""


@pytest.mark.parametrize("stack_size", [256 * 1024, 1 << 20])
def test_deep_walks_on_small_thread_stacks(stack_size):
    rc, out = run_isolated(DEEP_CHAIN + WALKS + f"""
import threading
threading.stack_size({stack_size})
t = threading.Thread(target=walk)
t.start()
t.join()
""")
    assert rc == 0, out
    assert "survived" in out


def test_deep_walks_on_a_small_main_stack():
    rc, out = run_isolated(DEEP_CHAIN + WALKS + "walk()\n", shell_prefix="ulimit -s 1024")
    assert rc == 0, out
    assert "survived" in out


@pytest.mark.parametrize("ndim", [2**28, 2**31])
def test_shape_of_huge_placeholder_is_refused_at_once(ndim):
    p = fv.Placeholder("p", ndim=ndim)
    start = time.monotonic()
    with pytest.raises(MemoryError):
        p.shape
    assert time.monotonic() - start < 1.0


class Interrupting:
    """Raises a non-Exception from every number protocol the conversions try."""

    def __init__(self, exc):
        self.exc = exc

    def __index__(self):
        raise self.exc

    def __float__(self):
        raise self.exc


@pytest.mark.parametrize("exc", [KeyboardInterrupt, SystemExit, GeneratorExit])
@pytest.mark.parametrize(
    "convert",
    [
        lambda v: fv.Placeholder("N") + v,
        lambda v: v * fv.Placeholder("N"),
        lambda v: fv.abs(v),
        lambda v: fv.NumberLit(v),
        lambda v: fv.BinaryVar("x", shape=[v]),
        lambda v: fv.Placeholder("a", ndim=1)[v],
        lambda v: fv.Element("i", belong_to=v),
        lambda v: fv.Element("i", belong_to=(0, v)),
        lambda v: fv.IntegerVar("y", lower_bound=v, upper_bound=3),
        lambda v: fv.DataType.FLOAT == v,
        lambda v: fv.max(fv.Placeholder("N"), v),
    ],
    ids=["add", "rmul", "abs", "NumberLit", "shape", "getitem", "belong_to", "range",
         "bound", "DataType-eq", "max"],
)
def test_interrupts_propagate_out_of_conversions(convert, exc):
    with pytest.raises(exc):
        convert(Interrupting(exc))


@pytest.mark.parametrize(
    "use",
    [
        lambda c, d: bool(c),
        lambda c, d: not c,
        lambda c, d: c and d,
        lambda c, d: c or d,
        lambda c, d: 1 if c else 0,
        lambda c, d: 1 < fv.Placeholder("N") < 3,
        lambda c, d: max(fv.Placeholder("N"), 3),
        lambda c, d: bool(c & d),
        lambda c, d: bool(c ^ d),
    ],
    ids=["bool", "not", "and", "or", "if", "chained", "builtin-max", "AndOp", "XorOp"],
)
def test_conditions_have_no_truth_value(use):
    N = fv.Placeholder("N")
    with pytest.raises(TypeError, match=r"combine conditions with '&', '\|' and '\^'.*fv\.min"):
        use(N == 1, N <= 2)


def test_expressions_keep_their_truth_value():
    assert bool(fv.Placeholder("N") + 1)


@pytest.mark.parametrize(
    "number", [1 + 2j, complex(3, 0), np.complex128(1 + 2j), np.complex64(1 + 2j)],
    ids=["complex", "complex-real", "complex128", "complex64"],
)
@pytest.mark.parametrize(
    "convert",
    [lambda v: fv.Placeholder("N") + v, lambda v: v * fv.Placeholder("N"), lambda v: fv.abs(v)],
    ids=["add", "rmul", "abs"],
)
def test_complex_numbers_are_refused(convert, number):
    with pytest.raises(TypeError, match="failed to convert into expression."):
        convert(number)


@pytest.mark.parametrize("number", [1 + 2j, np.complex128(1 + 2j)])
def test_complex_subscripts_are_refused(number):
    with pytest.raises(TypeError):
        fv.Placeholder("a", ndim=1)[number]


@pytest.mark.parametrize("number", [1 + 2j, np.complex128(1 + 2j), np.complex64(1 + 2j)])
def test_number_lit_refuses_complex(number):
    with pytest.raises(TypeError):
        fv.NumberLit(number)


@pytest.mark.parametrize(
    "make, latex",
    [
        (lambda i: fv.Placeholder("x_1", ndim=1)[i], r"{x_1}_{i}"),
        (lambda i: fv.Placeholder("y^2", ndim=1)[i], r"{y^2}_{i}"),
        (lambda i: fv.BinaryVar("z_a", shape=[3])[i], r"{z_a}_{i}"),
        (lambda i: fv.Placeholder("v", ndim=1)[i], r"v_{i}"),
    ],
    ids=["underscore", "caret", "variable", "plain"],
)
def test_subscripted_names_with_scripts_are_braced(make, latex):
    i = fv.Element("i", belong_to=3)
    assert make(i)._repr_latex_() == f"$$\\displaystyle {latex}$$"

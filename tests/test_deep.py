"""Very deep trees must either work or raise RecursionError, never crash."""
import gc

import pytest

import forvela as fv

DEPTH = 100_000


def atom():
    return fv.NumberLit(2) ** 3


@pytest.mark.parametrize(
    "step",
    [
        lambda e: -(e + 1),
        lambda e: e % 2,
        lambda e: e ** 2,
        lambda e: 2 ** e,
        lambda e: (e * atom()) + 1,
    ],
    ids=["neg-add", "mod", "pow", "rpow", "mul-add"],
)
def test_deep_expression_chains(step):
    e = atom()
    try:
        for _ in range(DEPTH):
            e = step(e)
    except RecursionError:
        pass
    # Whatever depth was reached prints, compares, copies and frees.
    for render in (str, repr, lambda x: x._repr_latex_()):
        try:
            render(e)
        except RecursionError:
            pass
    try:
        e == e
        e + 1
    except RecursionError:
        pass
    del e
    gc.collect()


def test_deep_logical_chain():
    base = fv.NumberLit(1) == 1
    c = base
    try:
        for _ in range(DEPTH):
            c = c & base
    except RecursionError:
        pass
    try:
        str(c)
        c.terms
    except RecursionError:
        pass
    del c
    gc.collect()


def test_recursion_error_is_raised_and_interpreter_survives():
    e = atom()
    with pytest.raises(RecursionError):
        for _ in range(DEPTH):
            e = e % 2
    assert str(fv.NumberLit(1) + 1) == "2"

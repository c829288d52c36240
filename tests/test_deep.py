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
    # The builders' checks read facts kept in the nodes, so building never
    # walks; a walk over the whole chain meets the guard.
    e = atom()
    for _ in range(DEPTH):
        e = e % 2
    with pytest.raises(RecursionError):
        fv.is_linear(e)
    assert str(fv.NumberLit(1) + 1) == "2"


def deep_trees():
    x = fv.BinaryVar("x")
    e = x
    for _ in range(DEPTH):
        e = -(e + 1)
    c = fv.NumberLit(1) == 1
    base = c
    for _ in range(DEPTH):
        c = c & base
    return {"expression": e, "condition": c}


@pytest.mark.parametrize(
    "tool",
    [
        fv.is_linear,
        fv.is_dynamic_degree,
        lambda t: fv.extract_nodes(t, fv.BinaryVar),
        fv.extract_variables,
        lambda t: fv.replace(t, lambda n: n),
        None,
    ],
    ids=["is_linear", "is_dynamic_degree", "extract_nodes", "extract_variables", "replace", "is_same"],
)
def test_tree_tools_on_deep_trees(tool):
    # Two trees built alike share no cells: is_same has to walk them.
    twins = deep_trees()
    for key, tree in deep_trees().items():
        try:
            if tool is None:
                assert fv.is_same(tree, twins[key])
            else:
                tool(tree)
        except (RecursionError, TypeError):
            pass
    gc.collect()
    assert fv.is_linear(fv.BinaryVar("y") + 1)


def test_deep_replace_stopped_by_keyboard_interrupt():
    x = fv.BinaryVar("x")
    e = x
    for _ in range(3000):
        e = e * x + 1
    calls = []

    def interrupt(n):
        calls.append(1)
        if len(calls) == 500:
            raise KeyboardInterrupt
        return n

    with pytest.raises(KeyboardInterrupt):
        fv.replace(e, interrupt)
    assert len(calls) == 500

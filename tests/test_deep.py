"""Very deep trees must either work or raise RecursionError, never crash."""
import gc

import pytest

import forvela as fv

DEPTH = 100_000


def atom():
    return fv.NumberLit(2) ** 3


STEPS = {
    "neg-add": lambda e: -(e + 1),
    "mod": lambda e: e % 2,
    "pow": lambda e: e ** 2,
    "rpow": lambda e: 2 ** e,
    "mul-add": lambda e: (e * atom()) + 1,
}
RENDERS = [str, repr, lambda x: x._repr_latex_()]


def chain(step, depth):
    e = atom()
    for _ in range(depth):
        e = step(e)
    return e


@pytest.mark.parametrize("step", STEPS.values(), ids=STEPS.keys())
def test_deep_expression_chains(step):
    # Building reads the facts kept in the nodes, so it reaches any depth;
    # a walk past the guard raises RecursionError, and the tree still builds
    # on, compares and frees.
    e = chain(step, DEPTH)
    for render in RENDERS:
        with pytest.raises(RecursionError):
            render(e)
    assert isinstance(e == e, fv.EqualOp)
    assert isinstance(e + 1, fv.AddOp)
    del e
    gc.collect()


@pytest.mark.parametrize("step", STEPS.values(), ids=STEPS.keys())
def test_walks_within_the_guard_succeed(step):
    e = chain(step, 1000)
    for render in RENDERS:
        assert render(e)
    assert fv.is_same(e, chain(step, 1000))


def test_deep_logical_chain():
    base = fv.NumberLit(1) == 1
    c = base
    for _ in range(DEPTH):
        c = c & base
    assert len(c.terms) == 2
    with pytest.raises(RecursionError):
        str(c)
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
    "tool, on_condition",
    [
        (fv.is_linear, TypeError),
        (fv.is_dynamic_degree, TypeError),
        (lambda t: fv.extract_nodes(t, fv.BinaryVar), RecursionError),
        (fv.extract_variables, RecursionError),
        (lambda t: fv.replace(t, lambda n: n), TypeError),
        (None, RecursionError),
    ],
    ids=["is_linear", "is_dynamic_degree", "extract_nodes", "extract_variables", "replace", "is_same"],
)
def test_tree_tools_on_deep_trees(tool, on_condition):
    # Every tool that walks meets the guard; those that take no condition
    # refuse one first. Two trees built alike share no cells: is_same has to
    # walk them.
    twins = deep_trees()
    for key, tree in deep_trees().items():
        with pytest.raises(RecursionError if key == "expression" else on_condition):
            if tool is None:
                fv.is_same(tree, twins[key])
            else:
                tool(tree)
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

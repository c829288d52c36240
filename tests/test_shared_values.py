"""Values share their nodes: a change to one object never shows in another."""
import gc

import pytest

import forvela as fv


@pytest.fixture
def model():
    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[N])
    return N, w, x


def test_set_latex_changes_one_object_only(model):
    N, w, x = model
    term = w[0] * x[0]
    s = term + N
    bigger = s + 1
    s.set_latex("S")
    assert s._repr_latex_() == "$$\\displaystyle S$$"
    assert "S" not in bigger._repr_latex_()
    assert "S" not in (s.terms[0] + 0)._repr_latex_()
    N.set_latex(r"\nu")
    assert str(s) == "w[0] * x[0] + N"
    assert r"\nu" not in s._repr_latex_() and r"\nu" not in bigger._repr_latex_()
    assert N._repr_latex_() == "$$\\displaystyle \\nu$$"


def test_getter_results_are_independent(model):
    N, w, x = model
    s = w[0] * x[0] + N + 2
    first = s.terms[1]
    first.set_latex("M")
    assert "M" not in s._repr_latex_()
    assert "M" not in s.terms[1]._repr_latex_()


@pytest.mark.parametrize(
    "step",
    [lambda s, t: s + t, lambda s, t: t + s, lambda s, t: s - t],
    ids=["append", "prepend", "subtract"],
)
@pytest.mark.parametrize("start", [0, 5], ids=["zero", "constant"])
def test_earlier_sums_keep_their_terms(model, step, start):
    _, w, x = model
    sums = [start]
    for k in range(6):
        sums.append(step(sums[-1], w[k] * x[k]))
    texts = [str(s) for s in sums]
    # Extending any earlier sum again (a branch) leaves every other sum as it
    # was, short sums (whose terms are held inline) and long ones alike.
    branches = [step(s, x[9]) for s in sums]
    assert [str(s) for s in sums] == texts
    assert all(str(b).count("x[9]") == 1 and str(b).count("x[") == k + 1 for k, b in enumerate(branches))
    assert texts[-1].count("x[") == 6
    if start == 5:
        assert texts[-1].endswith("+ 5")


def test_products_built_step_by_step(model):
    _, w, x = model
    p = 2
    products = []
    for k in range(4):
        p = p * x[k]
        products.append(p)
    assert str(products[1]) == "2 * x[0] * x[1]"
    assert str(products[3]) == "2 * x[0] * x[1] * x[2] * x[3]"
    branches = [q * x[9] for q in products]
    assert [str(q).count("x[") for q in products] == [1, 2, 3, 4]
    assert [str(b).count("x[") for b in branches] == [2, 3, 4, 5]


def test_deep_shared_tree_frees_without_recursion():
    # Sums of a shared node: building walks nothing, printing raises.
    e = fv.Placeholder("N")
    for _ in range(200_000):
        e = fv.abs(e + 1)
    with pytest.raises(RecursionError):
        str(e)
    copies = [e.operand, e]
    del e, copies
    gc.collect()


def test_a_sum_or_product_with_itself(model):
    _, _, x = model
    s = 0
    for k in range(40):  # past a few buffer growths
        s = s + x[k]
    s = s + 3
    doubled = s + s
    assert str(doubled).count("x[") == 80 and str(doubled).endswith("+ 6")
    assert str(s).count("x[") == 40
    p = 2
    for k in range(40):
        p = p * x[k]
    squared = p * p
    assert str(squared).startswith("4 * ") and str(squared).count("x[") == 80

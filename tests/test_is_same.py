"""is_same: the order of steps, what each step compares, the error."""
import pytest

import forvela as fv

P1 = fv.Placeholder("P", ndim=1)


def problem(order, names=("a", "b")):
    x = fv.BinaryVar("x")
    p = fv.Problem("p")
    parts = {names[0]: x <= 1, names[1]: x >= 0}
    for name in order:
        p += fv.Constraint(name, parts[name])
    return p


@pytest.mark.parametrize(
    "src, dst, same",
    [
        (fv.Placeholder("name"), fv.Placeholder("name"), True),
        (fv.Placeholder("name"), fv.Placeholder("name", ndim=2), False),
        (fv.Placeholder("p", latex="src"), fv.Placeholder("p", latex="dst", description="d"), True),
        (fv.Element("e", belong_to=P1, latex="a"), fv.Element("e", belong_to=P1), True),
        (fv.BinaryVar("v", shape=[2], latex="a"), fv.BinaryVar("v", shape=[2], description="b"), True),
        (1, 1.0, True),
        (1, fv.NumberLit(1), True),
        (1, 2, False),
        (fv.Placeholder("n"), fv.Element("n", belong_to=(0, 3)), False),
        (fv.BinaryVar("v"), fv.IntegerVar("v", lower_bound=0, upper_bound=1), False),
        (fv.Element("i", belong_to=(0, 3)).belong_to, fv.Element("j", belong_to=(0, 3)).belong_to, True),
        (P1[0] == 1, P1[0] == 1, True),
        (P1[0] == 1, P1[0] <= 1, False),
    ],
    ids=["placeholders", "ndim", "latex", "elements", "variables", "int-float", "int-lit", "int-int",
         "placeholder-element", "binary-integer", "ranges", "conditions", "condition-kinds"],
)
def test_sameness(src, dst, same):
    assert fv.is_same(src, dst) is same


def test_operator_kinds_differ():
    i = fv.Element("i", belong_to=(0, 3))
    p, q = fv.Placeholder("p"), fv.Placeholder("q")
    assert not fv.is_same(fv.sum((i, i != p), p), fv.prod((i, i != p), p))
    assert not fv.is_same(p + q, p * q)


def test_constraints_compare_forall_conditions():
    n = fv.Placeholder("n")
    i = fv.Element("i", belong_to=n)
    x = fv.BinaryVar("x", shape=(n,))
    plain = fv.Constraint("c", x[i] == 1, forall=[i])
    conditioned = fv.Constraint("c", x[i] == 1, forall=[(i, i != 0)])
    assert fv.is_same(plain, fv.Constraint("c", x[i] == 1, forall=[(i, None)]))
    assert not fv.is_same(plain, conditioned)
    assert not fv.is_same(plain, fv.Constraint("d", x[i] == 1, forall=[i]))


def test_problems_compare_by_names_not_insertion_order():
    assert fv.is_same(problem("ab"), problem("ba"))
    assert not fv.is_same(problem("ab"), problem("cd", names=("c", "d")))


@pytest.mark.parametrize(
    "src, dst, names",
    [
        (P1, fv.Element("e", belong_to=P1), ("Placeholder", "Element")),
        (fv.BinaryVar("v", shape=[2]), fv.IntegerVar("v", shape=[2], lower_bound=0, upper_bound=1),
         ("BinaryVar", "IntegerVar")),
        ("a", "a", ("str", "str")),
        (fv.ProblemSense.MINIMIZE, fv.ProblemSense.MINIMIZE, ("ProblemSense", "ProblemSense")),
    ],
)
def test_unsupported_or_different_types(src, dst, names):
    message = (rf"^the type of src \(= {names[0]}\) is different from the type of dst \(= {names[1]}\), "
               r"or one of them is unsupported type$")
    with pytest.raises(TypeError, match=message):
        fv.is_same(src, dst)

"""extract_nodes and extract_variables: walk order, copies, reading of obj."""
import pytest

import forvela as fv


def names(objs):
    return [o.name for o in objs]


@pytest.fixture
def model():
    """A problem whose constraints were added out of name order."""
    n = fv.Placeholder("n")
    i = fv.Element("i", belong_to=n)
    x = fv.BinaryVar("x", shape=[10])
    y = fv.IntegerVar("y", shape=[10], lower_bound=0, upper_bound=1)
    z = fv.ContinuousVar("z", shape=[10], lower_bound=0, upper_bound=1)
    w = fv.BinaryVar("w")
    p = fv.Problem("p")
    p += fv.sum(i, x[i])
    p += fv.Constraint("c", y[i] == 1, forall=i)
    p += fv.Constraint("b", w <= 1)
    p += fv.CustomPenaltyTerm("t", z[i], forall=i)
    return p


def test_nodes_are_distinct_copies_in_order_with_their_texts():
    a = fv.Placeholder("a", latex=r"\alpha", description="first")
    b = fv.Placeholder("b")
    found = fv.extract_nodes(a + b + a, fv.Placeholder)
    assert names(found) == ["a", "b", "a"]
    assert fv.is_same(found[0], a) and found[0] is not a
    assert found[0].description == "first"
    assert found[0]._repr_latex_() == a._repr_latex_()
    found[0].set_latex("changed")
    assert a._repr_latex_() == fv.extract_nodes(a, fv.Placeholder)[0]._repr_latex_() != found[0]._repr_latex_()


def test_operator_nodes_pre_order_with_custom_latex():
    a, b, c = (fv.Placeholder(s) for s in "abc")
    inner = a + b
    inner.set_latex("S")
    outer = fv.abs(inner) + c
    found = fv.extract_nodes(outer, fv.AddOp)
    assert len(found) == 2
    assert fv.is_same(found[0], outer) and fv.is_same(found[1], a + b)
    assert found[1]._repr_latex_() == "$$\\displaystyle S$$"


def test_element_set_and_variable_shape_are_walked_bounds_are_not():
    n = fv.Placeholder("n")
    lb = fv.Placeholder("lb", ndim=1)
    i = fv.Element("i", belong_to=n)
    x = fv.BinaryVar("x", shape=(n,))
    v = fv.IntegerVar("v", shape=(n,), lower_bound=lb, upper_bound=3)
    assert names(fv.extract_nodes(i, fv.Placeholder)) == ["n"]
    assert [f.value for f in fv.extract_nodes(i, fv.NumberLit)] == [0]
    assert names(fv.extract_nodes(x[i], fv.BinaryVar)) == ["x"]
    assert names(fv.extract_nodes(x[i], fv.Placeholder)) == ["n", "n"]
    assert len(fv.extract_nodes(x[i], fv.Subscript)) == 1
    assert names(fv.extract_nodes(v[i], fv.Placeholder)) == ["n", "n"]
    assert fv.extract_nodes(i, fv.Range) == []


def test_constraint_is_a_container_and_its_forall_comes_last():
    n = fv.Placeholder("n")
    i = fv.Element("i", belong_to=n)
    x = fv.BinaryVar("x", shape=(n,))
    c = fv.Constraint("c", x[i] == 1, forall=[i])
    assert fv.extract_nodes(c, fv.EqualOp) == []
    # x's shape, the set of i on the left, then the set of the forall entry.
    assert names(fv.extract_nodes(c, fv.Placeholder)) == ["n", "n", "n"]
    assert len(fv.extract_nodes(c, fv.Element)) == 2


def test_conditions_are_nodes_inside_reductions():
    i = fv.Element("i", belong_to=(0, 5))
    p = fv.Placeholder("p")
    s = fv.sum((i, (i != p) & (i >= 1)), i)
    assert [type(n).__name__ for n in fv.extract_nodes(s, fv.AndOp)] == ["AndOp"]
    assert len(fv.extract_nodes(s, fv.NotEqualOp)) == 1
    assert len(fv.extract_nodes(s == 1, fv.EqualOp)) == 1


def test_problem_walks_objective_then_constraints_and_terms_by_name(model):
    found = fv.extract_nodes(model, fv.Subscript)
    assert [f.variable.name for f in found] == ["x", "y", "z"]
    assert names(fv.extract_nodes(model, fv.BinaryVar)) == ["x", "w"]
    assert [f.value for f in fv.extract_nodes(fv.Problem("q"), fv.NumberLit)] == [0]


def test_variables_distinct_in_first_visit_order(model):
    assert names(fv.extract_variables(model)) == ["i", "n", "x", "w", "y", "z"]


def test_variable_equality_ignores_texts_but_not_kind_bounds_or_ndim():
    a1 = fv.Placeholder("a", latex="first")
    a2 = fv.Placeholder("a", latex="second")
    a3 = fv.Placeholder("a", ndim=1)
    found = fv.extract_variables(a1 + a2 + a3[0])
    assert [(v.name, v.ndim) for v in found] == [("a", 0), ("a", 1)]
    assert found[0]._repr_latex_() == a1._repr_latex_()
    u1 = fv.IntegerVar("u", lower_bound=0, upper_bound=1)
    u2 = fv.IntegerVar("u", lower_bound=0, upper_bound=2)
    u3 = fv.ContinuousVar("u", lower_bound=0, upper_bound=1)
    assert [type(v).__name__ for v in fv.extract_variables(u1 + u2 + u3 + u1)] == [
        "IntegerVar", "IntegerVar", "ContinuousVar"]


def test_variables_array_length_before_its_array_and_no_subscripts():
    a = fv.Placeholder("a", ndim=1)
    i = fv.Element("i", belong_to=a)
    x = fv.BinaryVar("x", shape=(a.len_at(0),))
    assert [type(v).__name__ for v in fv.extract_variables(a.len_at(0))] == ["ArrayLength", "Placeholder"]
    assert [type(v).__name__ for v in fv.extract_variables(x[i])] == [
        "BinaryVar", "ArrayLength", "Placeholder", "Element"]
    assert fv.extract_variables(fv.NumberLit(2) + 3) == []


def test_element_of_an_array_is_read_as_a_forall_list():
    E = fv.Placeholder("E", ndim=1)
    e = fv.Element("e", belong_to=E)
    assert names(fv.extract_nodes(e, fv.Element)) == ["e"]
    assert names(fv.extract_nodes(e, fv.Placeholder)) == ["E"]
    assert names(fv.extract_variables(e)) == ["e", "E"]
    assert names(fv.extract_variables([(e, None)])) == ["e", "E"]


@pytest.mark.parametrize(
    "obj, qualname",
    [
        (fv.Placeholder("p", ndim=1), "Placeholder"),
        (fv.BinaryVar("x", shape=[2]), "BinaryVar"),
        ("s", "str"),
        ([fv.Placeholder("p") + 1], "list"),
        (fv.ProblemSense.MINIMIZE, "ProblemSense"),
    ],
)
@pytest.mark.parametrize("extract", [lambda o: fv.extract_nodes(o, fv.Placeholder), fv.extract_variables],
                         ids=["nodes", "variables"])
def test_unsupported_obj(extract, obj, qualname):
    with pytest.raises(TypeError, match=rf"^the type of obj \(= {qualname}\) is unsupported$"):
        extract(obj)


def test_type_is_checked_first_and_foreign_classes_match_nothing():
    with pytest.raises(TypeError, match=r"^argument 'type': 'int' object cannot be converted to 'PyType'$"):
        fv.extract_nodes("not read", 1)
    p = fv.Placeholder("p")
    assert fv.extract_nodes(p, int) == []
    assert fv.extract_nodes(p, fv.Problem) == []
    assert fv.extract_nodes(p, object) == []


def test_a_failed_reading_leaves_no_exception_behind():
    with pytest.raises(TypeError):
        fv.extract_variables(fv.Placeholder("p", ndim=1))
    assert fv.extract_variables(1) == []

import pytest

import forvela as fv


@pytest.fixture
def m():
    class Model:
        N = fv.Placeholder("N")
        a = fv.Placeholder("a", ndim=1)
        A = fv.Placeholder("A", ndim=2)
        E = fv.Placeholder("E", ndim=1)
        i = fv.Element("i", belong_to=N)
        j = fv.Element("j", belong_to=N)
        x = fv.BinaryVar("x", shape=[N])
        X = fv.BinaryVar("X", shape=[N, N])
    return Model


def test_sum_and_prod_nodes(m):
    s = fv.sum(m.i, m.a[m.i])
    assert isinstance(s, fv.SumOp)
    assert isinstance(s.index, fv.Element) and s.index is not m.i
    assert s.condition is None
    assert isinstance(s.operand, fv.Subscript)
    assert isinstance(fv.prod(m.i, m.a[m.i]), fv.ProdOp)
    assert isinstance(fv.sum(index=m.i, operand=m.a[m.i]), fv.SumOp)


def test_conditional_index(m):
    s = fv.sum((m.i, m.i != 2), m.a[m.i])
    assert isinstance(s.condition, fv.NotEqualOp)
    assert str(s) == "sum(i in [0..N) s.t. i != 2, a[i])"


@pytest.mark.parametrize(
    "index",
    [lambda m: [m.i, m.j], lambda m: (m.i, m.j), lambda m: None],
)
def test_several_indices_nest_first_outermost(m, index):
    idx = index(m)
    s = fv.sum(m.i, fv.sum(m.j, m.X[m.i, m.j])) if idx is None else fv.sum(idx, m.X[m.i, m.j])
    assert s.index.name == "i"
    assert isinstance(s.operand, fv.SumOp) and s.operand.index.name == "j"
    assert str(s) == "sum(i in [0..N), sum(j in [0..N), X[i, j]))"


def test_condition_with_decision_variable_is_refused(m):
    with pytest.raises(fv.ModelingError, match="^the condition expression contains a decision variable$"):
        fv.sum([(m.i, m.x[m.i] == 1)], m.a[m.i])
    assert isinstance(fv.sum(m.i, m.x[m.i]), fv.SumOp)
    assert isinstance(fv.sum(m.i, 1), fv.SumOp)


def test_empty_index_is_refused(m):
    with pytest.raises(fv.ModelingError, match="^the index of a reduction is empty$"):
        fv.sum([], m.a[m.i])
    with pytest.raises(fv.ModelingError):
        fv.prod((), 1)


def test_index_failure_message(m):
    with pytest.raises(TypeError) as info:
        fv.sum(5, m.a[m.i])
    assert str(info.value).split("\n") == [
        "argument 'index': failed to extract enum Index ('Single | Sequence')",
        "- variant Single (Single): TypeError: failed to extract field Index::Single.0, caused by "
        "TypeError: failed to extract enum IndexItem ('Element | ConditionalElement')",
        "- variant Element (Element): TypeError: failed to extract field IndexItem::Element.0, "
        "caused by TypeError: 'int' object cannot be converted to 'Element'",
        "- variant ConditionalElement (ConditionalElement): TypeError: 'int' object cannot be "
        "converted to 'PyTuple'",
        "- variant Sequence (Sequence): TypeError: failed to extract field Index::Sequence.0, "
        "caused by TypeError: 'int' object cannot be converted to 'Sequence'",
    ]


@pytest.mark.parametrize(
    "index, tail",
    [
        (lambda m: "ij", "caused by TypeError: Can't extract `str` to `Vec`"),
        (lambda m: (x for x in [m.i]), "'generator' object cannot be converted to 'Sequence'"),
        (lambda m: [m.i, m.i != 2], "cannot be converted to 'PyTuple'"),
        (lambda m: (m.i, m.i != 2, m.j), "cannot be converted to 'PyTuple'"),
        (lambda m: m.a, "'Placeholder' object cannot be converted to 'Sequence'"),
    ],
)
def test_refused_index_forms(m, index, tail):
    with pytest.raises(TypeError) as info:
        fv.sum(index(m), m.a[m.i])
    assert str(info.value).endswith(tail)


def test_three_tuple_reports_its_length(m):
    with pytest.raises(TypeError) as info:
        fv.sum((m.i, m.i != 2, m.j), m.a[m.i])
    assert "ValueError: expected tuple of length 2, but got tuple of length 3" in str(info.value)


def test_operand_failure(m):
    with pytest.raises(TypeError, match="^argument 'operand': failed to convert into expression.$"):
        fv.sum(m.i, "a")


@pytest.mark.parametrize(
    "build, text, rep_start, latex",
    [
        (lambda m: fv.sum(m.i, m.a[m.i]), "sum(i in [0..N), a[i])",
         "sum(Element(name='i', belong_to=(NumberLit(value=0), Placeholder(name='N', ndim=0))), ",
         "\\sum_{i = 0}^{N - 1} a_{i}"),
        (lambda m: fv.sum((m.i, m.i != 2), m.a[m.i]), "sum(i in [0..N) s.t. i != 2, a[i])",
         "sum(Element(name='i', belong_to=(NumberLit(value=0), Placeholder(name='N', ndim=0))), "
         "Element(name='i', belong_to=(NumberLit(value=0), Placeholder(name='N', ndim=0))) != "
         "NumberLit(value=2), ",
         "\\sum_{\\substack{i = 0\\\\i \\neq 2}}^{N - 1} a_{i}"),
        (lambda m: fv.prod(fv.Element("e", belong_to=m.E), m.a[fv.Element("e", belong_to=m.E)]),
         "prod(e in E, a[e])", "prod(Element(name='e', belong_to=Placeholder(name='E', ndim=1)), ",
         "\\prod_{e \\in E} a_{e}"),
        (lambda m: fv.sum(fv.Element("k", belong_to=10), m.a[fv.Element("k", belong_to=10)] + 1),
         "sum(k in [0..10), (a[k] + 1))", "sum(Element(name='k', belong_to=(NumberLit(value=0), "
         "NumberLit(value=10))), ", "\\sum_{k = 0}^{9} \\left(a_{k} + 1\\right)"),
    ],
)
def test_reduction_forms(m, build, text, rep_start, latex):
    s = build(m)
    assert str(s) == text
    assert repr(s).startswith(rep_start)
    assert s._repr_latex_() == f"$$\\displaystyle {latex}$$"


def test_element_set_with_condition_closes_twice(m):
    e = fv.Element("e", belong_to=m.E)
    s = fv.sum((e, e != 2), m.a[e])
    assert s._repr_latex_() == "$$\\displaystyle \\sum_{\\substack{e \\in E\\\\e \\neq 2}} a_{e}$$"


def test_reduction_arithmetic_and_errors(m):
    s = fv.sum(m.i, m.a[m.i])
    assert isinstance(s + 1, fv.AddOp)
    assert isinstance(1 < s, fv.GreaterThanOp)
    with pytest.raises(TypeError):
        hash(s)
    b = fv.BinaryVar("b")
    with pytest.raises(fv.ModelingError, match="the exponent contains a decision variable"):
        s ** b
    with pytest.raises(ZeroDivisionError, match="modulo by zero"):
        s % 0
    with pytest.raises(TypeError, match="failed to convert into a conditional expression."):
        s & (m.N == 1)
    s.set_latex("S")
    assert s._repr_latex_() == "$$\\displaystyle S$$"

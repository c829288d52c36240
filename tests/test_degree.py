"""Degree analysis: is_linear, is_quadratic, is_higher_order, is_dynamic_degree."""
import pytest

import forvela as fv

x = fv.BinaryVar("x")
y = fv.BinaryVar("y")
z = fv.BinaryVar("z")
N = fv.Placeholder("N")
a = fv.Placeholder("a", ndim=1)
i3 = fv.Element("i", belong_to=(0, 3))
iN = fv.Element("i", belong_to=N)
ia = fv.Element("i", belong_to=a)
xs = fv.BinaryVar("xs", shape=[10])
xa = fv.BinaryVar("xa", shape=(a.len_at(0),))

# (expression, linear, quadratic, higher order, dynamic)
CASES = [
    (1, False, False, False, False),
    (N, False, False, False, False),
    (i3, False, False, False, False),
    (fv.Placeholder("q", ndim=1)[0], False, False, False, False),
    (xs[0], True, False, False, False),
    (2 * x + 3, True, False, False, False),
    (x * y, False, True, False, False),
    (x ** 2, False, True, False, False),
    (x * y * z, False, False, True, False),
    (x ** 3, False, False, True, False),
    (fv.sum(i3, xs[i3]), True, False, False, False),
    (fv.sum(iN, xs[iN]), True, False, False, False),
    (fv.prod(i3, xs[i3]), False, False, True, False),
    (fv.prod(iN, xs[iN]), False, False, False, True),
    (N ** fv.Placeholder("M"), False, False, False, True),
    (fv.prod(ia, xa[ia]), False, False, False, True),
    (fv.prod(ia, xa[ia]) + 1, False, False, False, True),
    (fv.prod(ia, xa[ia]) * 2, False, False, False, True),
    (x ** 1.5, False, False, False, False),
    # A unary node has degree 0 whatever its operand.
    (fv.abs(N) + x, True, False, False, False),
]


@pytest.mark.parametrize("expr, linear, quadratic, higher, dynamic", CASES)
def test_degree_table(expr, linear, quadratic, higher, dynamic):
    assert (
        fv.is_linear(expr),
        fv.is_quadratic(expr),
        fv.is_higher_order(expr),
        fv.is_dynamic_degree(expr),
    ) == (linear, quadratic, higher, dynamic)


def with_x_for_n(expr):
    """The builders refuse negative powers of variables; replace does not check."""
    return fv.replace(expr, lambda n: x if fv.is_same(n, N) else n)


@pytest.mark.parametrize(
    "expr",
    [
        x ** 0.5,
        2 * x ** 0.5,
        x ** 0.5 + x,
        (x * y) ** 0.5,
        (x ** 0.5) ** 2,
        with_x_for_n(N ** -1),
        with_x_for_n(3 * N ** -2),
    ],
    ids=["root", "scaled-root", "root-plus-x", "root-of-product", "squared-root", "inverse", "scaled-inverse"],
)
def test_power_of_variable_that_is_no_polynomial_has_no_degree_class(expr):
    assert not fv.is_linear(expr)
    assert not fv.is_quadratic(expr)
    assert not fv.is_higher_order(expr)
    assert not fv.is_dynamic_degree(expr)


def test_non_integer_power_without_variable_leaves_degree_alone():
    assert fv.is_linear(N ** 0.5 * x)
    assert fv.is_quadratic(x * y + N ** -1)


def test_max_of_linear_and_quadratic_terms_is_quadratic():
    # Python's max refuses variables; the degree table still covers the node,
    # reached here through the addition, whose rule is the same.
    assert fv.is_quadratic(x + y * z)


@pytest.mark.parametrize("fn", [fv.is_linear, fv.is_quadratic, fv.is_higher_order, fv.is_dynamic_degree])
@pytest.mark.parametrize("bad", [x == 1, "x", [x], fv.BinaryVar("v", shape=[2])], ids=["cond", "str", "list", "1d"])
def test_non_expression_is_refused(fn, bad):
    with pytest.raises(TypeError, match=r"^argument 'expr': failed to convert into expression\.$"):
        fn(bad)


def test_argument_by_keyword_and_count():
    assert fv.is_linear(expr=x)
    with pytest.raises(TypeError):
        fv.is_linear()
    with pytest.raises(TypeError):
        fv.is_linear(x, y)

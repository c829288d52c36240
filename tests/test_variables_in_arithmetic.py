"""Builder checks that involve decision variables and placeholders."""
import pytest

import forvela as fv


@pytest.fixture
def v():
    class V:
        x = fv.Placeholder("x")
        y = fv.Placeholder("y")
        b = fv.BinaryVar("b")
        N = fv.Placeholder("N")
        i = fv.Element("i", belong_to=N)
        bb = fv.BinaryVar("bb", shape=[N])
    return V


@pytest.mark.parametrize(
    "build, message",
    [
        (lambda v: v.b ** 0, "a decision variable can be raised to only a positive power"),
        (lambda v: v.b ** -1, "a decision variable can be raised to only a positive power"),
        (lambda v: v.b ** 0.0, "a decision variable can be raised to only a positive power"),
        (lambda v: v.b ** v.y, "a decision variable can be raised to only a positive power"),
        (lambda v: 2 ** v.b, "the exponent contains a decision variable"),
        (lambda v: v.x / v.b, "a decision variable can be raised to only a positive power"),
        (lambda v: v.x % v.b, "the modulo op contains a decision variable"),
        (lambda v: v.b % v.x, "the modulo op contains a decision variable"),
        (lambda v: 1 / (v.b + v.x), "a decision variable can be raised to only a positive power"),
        (lambda v: pow(v.x, v.b, 3), "the exponent contains a decision variable"),
        (lambda v: fv.abs(v.bb[v.i]), "the operand of the unary op contains a decision variable"),
        (lambda v: fv.min(v.x, v.b), "the 1-th term contains a decision variable"),
        (lambda v: fv.max(v.b, v.b), "the 0-th term contains a decision variable"),
    ],
)
def test_modeling_errors(v, build, message):
    with pytest.raises(fv.ModelingError) as info:
        build(v)
    assert str(info.value) == message


def test_allowed_powers(v):
    assert isinstance(v.b ** 2, fv.PowOp)
    assert isinstance(v.b ** 0.5, fv.PowOp)
    assert isinstance(v.b ** float("inf"), fv.PowOp)


def test_variable_classes_lack_division_and_modulo(v):
    with pytest.raises(TypeError):
        v.b / 2
    with pytest.raises(TypeError):
        2 / v.b
    with pytest.raises(TypeError):
        v.b % 2
    q = v.b / v.x  # through the placeholder's reflected slot
    assert isinstance(q, fv.MulOp)
    assert str(q) == "b * x ** -1"


def test_receiver_scalar_check_comes_first(v):
    a = fv.Placeholder("a", ndim=1)
    with pytest.raises(fv.ModelingError, match=r"^the dimensionality of the Placeholder \{ name: a \} must be zero, but is actually 1$"):
        a + "s"
    with pytest.raises(TypeError, match="^failed to convert into expression.$"):
        "s" + a


@pytest.mark.parametrize(
    "build, text",
    [
        (lambda v: v.x + 1, "x + 1"),
        (lambda v: 1 + v.x, "x + 1"),
        (lambda v: (v.x + 1) + v.y, "x + y + 1"),
        (lambda v: (v.x + 1) + 2, "x + 3"),
        (lambda v: (v.x + 1) + (v.y + 2), "x + y + 3"),
        (lambda v: v.x - v.y, "x - y"),
        (lambda v: 0 - v.x, "- x"),
        (lambda v: 2 * v.x, "2 * x"),
        (lambda v: v.x * 2, "2 * x"),
        (lambda v: v.x ** 2 * v.x ** 3, "x ** 5"),
        (lambda v: v.x - 3 * v.y, "x - 3 * y"),
        (lambda v: -(v.x + v.y), "- (x + y)"),
    ],
)
def test_builder_results_print(v, build, text):
    assert str(build(v)) == text


def test_road_of_one_request(v):
    c = v.bb[v.i] <= 1
    assert isinstance(c, fv.LessThanEqualOp)
    assert str(c) == "bb[i] <= 1"
    assert c._repr_latex_() == "$$\\displaystyle bb_{i} \\leq 1$$"

"""The arithmetic builders, seen through the operator classes."""
import pytest

import forvela as fv

N = fv.NumberLit


def lit_of(obj):
    assert isinstance(obj, fv.NumberLit)
    return obj.value, obj.dtype


@pytest.mark.parametrize(
    "build, value, dtype",
    [
        (lambda: N(2) + 3, 5, fv.DataType.INTEGER),
        (lambda: N(2) + 3.5, 5.5, fv.DataType.FLOAT),
        (lambda: N(0) + 0.0, 0.0, fv.DataType.FLOAT),
        (lambda: N(2) * 3, 6, fv.DataType.INTEGER),
        (lambda: N(3) * 0.5, 1.5, fv.DataType.FLOAT),
        (lambda: N(0) - 0.0, 0, fv.DataType.INTEGER),
        (lambda: N(0.0) - 5, -5, fv.DataType.INTEGER),
        (lambda: N(2) - 3.5, -1.5, fv.DataType.FLOAT),
        (lambda: N(3.5) - 2, 1.5, fv.DataType.FLOAT),
        (lambda: -N(2), -2, fv.DataType.INTEGER),
        (lambda: -N(0.0), -0.0, fv.DataType.FLOAT),
        # folding never wraps: an integer result beyond 64 bits is the float of the exact value
        (lambda: N(9223372036854775807) + 1, 9223372036854775808.0, fv.DataType.FLOAT),
        (lambda: N(-9223372036854775808) - 1, -9223372036854775809.0, fv.DataType.FLOAT),
        (lambda: N(4294967296) * 4294967296, 18446744073709551616.0, fv.DataType.FLOAT),
        (lambda: -N(-9223372036854775808), 9223372036854775808.0, fv.DataType.FLOAT),
        (lambda: N(-9223372036854775807) - 1, -9223372036854775808, fv.DataType.INTEGER),
    ],
)
def test_literal_folding(build, value, dtype):
    assert lit_of(build()) == (value, dtype)


def test_negative_zero_result_keeps_its_sign():
    import math
    assert math.copysign(1, (-N(0.0)).value) == -1


def test_powers_and_modulo_are_never_folded():
    p = N(2) ** 3
    assert isinstance(p, fv.PowOp)
    assert (p.base.value, p.exponent.value) == (2, 3)
    m = N(7) % 2
    assert isinstance(m, fv.ModOp)
    assert (m.left.value, m.right.value) == (7, 2)
    z = N(0) ** 0
    assert isinstance(z, fv.PowOp)


@pytest.mark.parametrize(
    "build, exc, message",
    [
        (lambda: N(1) / 0, ZeroDivisionError, "division by zero"),
        (lambda: N(1) / 0.0, ZeroDivisionError, "division by zero"),
        (lambda: N(1) % 0, ZeroDivisionError, "modulo by zero"),
        (lambda: N(0) ** -1, ZeroDivisionError, "zero cannot be raised to a negative power"),
        (lambda: N(0) ** -0.0, ZeroDivisionError, "zero cannot be raised to a negative power"),
        (lambda: N(0) / 0, ZeroDivisionError, "division by zero"),
    ],
)
def test_builder_errors(build, exc, message):
    with pytest.raises(exc) as info:
        build()
    assert str(info.value) == message


def test_division_builds_a_product_with_an_inverse_power():
    q = N(6) / 3
    assert isinstance(q, fv.MulOp)
    first, second = q.terms
    assert first.value == 6
    assert isinstance(second, fv.PowOp)
    assert (second.base.value, second.exponent.value) == (3, -1)
    r = 1 / (N(2) ** 2)
    assert isinstance(r, fv.PowOp)


def test_power_merging_and_products():
    x = N(2) % 5  # an opaque scalar operand
    p = (x ** 2) * (x ** 3)
    assert isinstance(p, fv.PowOp)
    assert str(p) == "(2 % 5) ** 5"
    y = N(3) % 5
    q = (x ** 2) * (y ** 2)
    assert isinstance(q, fv.MulOp) and len(q.terms) == 2


def test_pow_with_modulo():
    m = pow(N(2) % 7, 2, 3)
    assert isinstance(m, fv.ModOp)
    assert isinstance(m.left, fv.PowOp)
    r = pow(2, N(3) % 7, 5)
    assert isinstance(r, fv.ModOp) and r.left.base.value == 2
    with pytest.raises(TypeError):
        pow(2, 3, N(5))
    with pytest.raises(TypeError, match="failed to convert into expression."):
        pow(N(2) % 7, 2, "m")


def test_reflected_forms_keep_source_order():
    x = N(2) % 7
    s = 1 - x
    assert isinstance(s, fv.AddOp)
    prod = s.terms[0]
    assert [t.value for t in prod.terms[:1]] == [-1]
    assert isinstance(2 ** x, fv.PowOp) and (2 ** x).base.value == 2
    assert str(10 % x) == "10 % (2 % 7)"


def test_operands_are_copied():
    x = N(2) % 7
    s = x + 1
    x.set_latex("X")
    assert str(s) == "2 % 7 + 1"
    s2 = x + 1
    x.set_latex(None)
    assert str(s2) == "X + 1"

"""str, repr and LaTeX of sums, products, powers, modulo and conditions."""
import pytest

import forvela as fv

N = fv.NumberLit


def atom(k=2):
    """An opaque scalar expression: 'k % 7'."""
    return N(k) % 7


@pytest.mark.parametrize(
    "build, text",
    [
        (lambda: atom() + 2, "2 % 7 + 2"),
        (lambda: atom() - 2, "2 % 7 - 2"),
        (lambda: atom() - 1.5, "2 % 7 - 1.5"),
        (lambda: atom() + (-0.0), "2 % 7"),
        (lambda: atom() - 3 * atom(3), "2 % 7 - 3 * (3 % 7)"),
        (lambda: atom() - atom(3), "2 % 7 - (3 % 7)"),
        (lambda: -atom(), "- (2 % 7)"),
        (lambda: -atom() + atom(3), "- (2 % 7) + 3 % 7"),
        (lambda: atom() + float("-nan"), "2 % 7 + NaN"),
        (lambda: atom() + float("nan"), "2 % 7 + NaN"),
        (lambda: 2 * atom() * atom(3), "2 * (2 % 7) * (3 % 7)"),
        (lambda: (atom() + 1) * atom(3), "(2 % 7 + 1) * (3 % 7)"),
        (lambda: (atom() * atom(3)) + 1, "(2 % 7) * (3 % 7) + 1"),
        (lambda: (atom() + 1) ** 2, "(2 % 7 + 1) ** 2"),
        (lambda: atom() ** (N(2) ** 3), "(2 % 7) ** (2 ** 3)"),
        (lambda: (atom() ** 2) % 3, "(2 % 7) ** 2 % 3"),
        (lambda: (atom() * atom(3)) ** 2, "((2 % 7) * (3 % 7)) ** 2"),
        (lambda: atom() <= atom(3) + 1, "2 % 7 <= 3 % 7 + 1"),
        (lambda: atom() == -atom(3), "2 % 7 == - (3 % 7)"),
    ],
)
def test_str_forms(build, text):
    assert str(build()) == text


def test_nan_with_sign_bit_in_a_sum_prints_as_added_term():
    s = atom() + N(float("-nan"))
    assert str(s) == "2 % 7 + NaN"
    assert s._repr_latex_() == "$$\\displaystyle 2 \\bmod 7 + (NaN)$$"


@pytest.mark.parametrize(
    "build, text",
    [
        (lambda: atom() - 2, "NumberLit(value=2) % NumberLit(value=7) + NumberLit(value=-2)"),
        (lambda: atom() - 3 * atom(3),
         "NumberLit(value=2) % NumberLit(value=7) + NumberLit(value=-3) * "
         "(NumberLit(value=3) % NumberLit(value=7))"),
        (lambda: atom() - atom(3),
         "NumberLit(value=2) % NumberLit(value=7) - (NumberLit(value=3) % NumberLit(value=7))"),
        (lambda: -atom(), "- (NumberLit(value=2) % NumberLit(value=7))"),
        (lambda: (atom() == 1) & (atom() != 2) | (atom() < 3),
         "NumberLit(value=2) % NumberLit(value=7) == NumberLit(value=1) & "
         "NumberLit(value=2) % NumberLit(value=7) != NumberLit(value=2) | "
         "NumberLit(value=2) % NumberLit(value=7) < NumberLit(value=3)"),
    ],
)
def test_repr_forms(build, text):
    assert repr(build()) == text


@pytest.mark.parametrize(
    "build, latex",
    [
        (lambda: atom() - 2, "2 \\bmod 7 - 2"),
        (lambda: atom() - 3 * atom(3), "2 \\bmod 7 - 3 \\cdot \\left(3 \\bmod 7\\right)"),
        (lambda: -atom(), "- \\left(2 \\bmod 7\\right)"),
        (lambda: -3 * atom(), "(-3) \\cdot \\left(2 \\bmod 7\\right)"),
        (lambda: (atom() + 1) ** 2, "\\left(2 \\bmod 7 + 1\\right)^{2}"),
        (lambda: atom() ** (atom(3) + 1), "\\left(2 \\bmod 7\\right)^{3 \\bmod 7 + 1}"),
        (lambda: atom() ** -1, "\\left(2 \\bmod 7\\right)^{(-1)}"),
        (lambda: fv.min(atom() + 1, 2), "\\min\\left(2 \\bmod 7 + 1, 2\\right)"),
        (lambda: atom() != 1, "2 \\bmod 7 \\neq 1"),
        (lambda: (atom() <= 1) ^ (atom() >= 2), "2 \\bmod 7 \\leq 1 \\oplus 2 \\bmod 7 \\geq 2"),
        (lambda: (atom() > 1) | (atom() < 2), "2 \\bmod 7 > 1 \\lor 2 \\bmod 7 < 2"),
        (lambda: (atom() == 1) & (atom() == 2), "2 \\bmod 7 = 1 \\land 2 \\bmod 7 = 2"),
    ],
)
def test_latex_forms(build, latex):
    assert build()._repr_latex_() == f"$$\\displaystyle {latex}$$"


P = fv.Placeholder("n")
PR = "Placeholder(name='n', ndim=0)"


@pytest.mark.parametrize(
    "build, text, rep, latex, value",
    [
        (lambda: N(-5) ** P, "(-5) ** n", f"NumberLit(value=-5) ** {PR}", "(-5)^{n}", 25),
        (lambda: N(-2.5) ** P, "(-2.5) ** n", f"NumberLit(value=-2.5) ** {PR}", "(-2.5)^{n}", 6.25),
        (lambda: N(-0.0) ** P, "(-0) ** n", f"NumberLit(value=-0) ** {PR}", "(-0)^{n}", 0),
        (lambda: N(5) ** P, "5 ** n", f"NumberLit(value=5) ** {PR}", "5^{n}", 25),
        (lambda: N(float("-nan")) ** P, "NaN ** n", f"NumberLit(value=NaN) ** {PR}", "(NaN)^{n}", None),
        (lambda: atom() + N(-5) ** P, "2 % 7 + (-5) ** n",
         f"NumberLit(value=2) % NumberLit(value=7) + NumberLit(value=-5) ** {PR}",
         "2 \\bmod 7 + (-5)^{n}", 27),
        (lambda: atom() - N(-5) ** P, "2 % 7 - (-5) ** n",
         f"NumberLit(value=2) % NumberLit(value=7) - NumberLit(value=-5) ** {PR}",
         "2 \\bmod 7 - (-5)^{n}", -23),
        (lambda: 3 * N(-5) ** P, "3 * (-5) ** n", f"NumberLit(value=3) * NumberLit(value=-5) ** {PR}",
         "3 \\cdot (-5)^{n}", 75),
        (lambda: (N(-5) ** P) ** 3, "((-5) ** n) ** 3",
         f"(NumberLit(value=-5) ** {PR}) ** NumberLit(value=3)", "\\left((-5)^{n}\\right)^{3}", 15625),
        (lambda: N(-5) ** (N(-2) ** P), "(-5) ** ((-2) ** n)",
         f"NumberLit(value=-5) ** (NumberLit(value=-2) ** {PR})", "(-5)^{(-2)^{n}}", 625),
        # only a power's base reads differently: -5 % n is (-5) % n in Python
        (lambda: N(-5) % P, "-5 % n", f"NumberLit(value=-5) % {PR}", "(-5) \\bmod n", 1),
        (lambda: P ** -2, "n ** -2", f"{PR} ** NumberLit(value=-2)", "n^{(-2)}", 0.25),
    ],
)
def test_negative_literal_base(build, text, rep, latex, value):
    e = build()
    assert str(e) == text
    assert repr(e) == rep
    assert e._repr_latex_() == f"$$\\displaystyle {latex}$$"
    if value is not None:
        # the str form reads back, with n = 2, as the expression's value
        assert eval(text.replace("n", "2")) == value


def test_root_power_and_modulo_are_not_wrapped_by_their_own_printers():
    assert str(atom() ** 2) == "(2 % 7) ** 2"
    assert str(N(2) ** 3) == "2 ** 3"
    assert str(N(2) % 3) == "2 % 3"


def test_custom_latex_of_children_shows_in_every_mode():
    x = atom()
    x.set_latex("\\alpha")
    s = atom(3) + x
    assert str(s) == "3 % 7 + \\alpha"
    assert repr(s) == "NumberLit(value=3) % NumberLit(value=7) + \\alpha"
    assert str(x) == "2 % 7"
    assert x._repr_latex_() == "$$\\displaystyle \\alpha$$"
    x.set_latex("")
    assert x._repr_latex_() == "$$\\displaystyle $$"
    x.set_latex()
    assert x._repr_latex_() == "$$\\displaystyle 2 \\bmod 7$$"


def test_negated_product_with_custom_latex():
    m = 3 * atom()
    m.set_latex("M")
    s = atom(3) - m  # [3 % 7, [-1, M]]
    assert str(s) == "3 % 7 - M"
    assert s._repr_latex_() == "$$\\displaystyle 3 \\bmod 7 - M$$"

import pytest

import forvela as fv

N = fv.NumberLit


@pytest.mark.parametrize(
    "fn, cls, text, rep, latex",
    [
        (fv.abs, fv.AbsOp, "|-3|", "abs(NumberLit(value=-3))", "\\left| (-3) \\right|"),
        (fv.ceil, fv.CeilOp, "ceil(-3)", "ceil(NumberLit(value=-3))", "\\left\\lceil (-3) \\right\\rceil"),
        (fv.floor, fv.FloorOp, "floor(-3)", "floor(NumberLit(value=-3))",
         "\\left\\lfloor (-3) \\right\\rfloor"),
        (fv.ln, fv.LnOp, "ln(-3)", "ln(NumberLit(value=-3))", "\\ln (-3)"),
        (fv.log10, fv.Log10Op, "log10(-3)", "log10(NumberLit(value=-3))", "\\log_{10} (-3)"),
        (fv.log2, fv.Log2Op, "log2(-3)", "log2(NumberLit(value=-3))", "\\log_{2} (-3)"),
    ],
)
def test_unary_functions(fn, cls, text, rep, latex):
    node = fn(-3)
    assert type(node) is cls
    assert node.operand.value == -3
    assert (str(node), repr(node), node._repr_latex_()) == (text, rep, f"$$\\displaystyle {latex}$$")
    assert fn.__module__ == "forvela"
    assert fn.__text_signature__ == "(operand)"


def test_unary_nodes_are_not_folded_and_nest():
    inner = fv.floor(2.5)
    outer = fv.floor(operand=inner)
    assert isinstance(outer.operand, fv.FloorOp)
    assert str(outer) == "floor(floor(2.5))"


@pytest.mark.parametrize(
    "node, text, latex",
    [
        (lambda: fv.ln(N(2) % 3 + 1), "ln(2 % 3 + 1)", "\\ln \\left(2 \\bmod 3 + 1\\right)"),
        (lambda: fv.abs(N(2) % 3 + 1), "|2 % 3 + 1|", "\\left| 2 \\bmod 3 + 1 \\right|"),
        (lambda: fv.log2((N(2) % 3) ** 2), "log2((2 % 3) ** 2)", "\\log_{2} \\left(\\left(2 \\bmod 3\\right)^{2}\\right)"),
    ],
)
def test_unary_operand_parentheses(node, text, latex):
    n = node()
    assert str(n) == text
    assert n._repr_latex_() == f"$$\\displaystyle {latex}$$"


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: fv.abs(), "abs() missing 1 required positional argument: 'operand'"),
        (lambda: fv.abs(1, 2), "abs() takes 1 positional argument but 2 were given"),
        (lambda: fv.abs("a"), "argument 'operand': failed to convert into expression."),
        (lambda: fv.ceil(N(1) == 1), "argument 'operand': failed to convert into expression."),
        (lambda: fv.min(1, key=2), "min() got an unexpected keyword argument 'key'"),
        (lambda: fv.max(1, "s"), "argument 'operands': failed to convert into expression."),
    ],
)
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_min_and_max_keep_their_operands():
    assert fv.min().terms == []
    one = fv.max(N(2) % 3)
    assert isinstance(one, fv.MaxOp) and len(one.terms) == 1
    nested = fv.min(fv.min(1, 2), 3)
    assert isinstance(nested.terms[0], fv.MinOp)
    assert [t.value for t in fv.max(1, 2).terms] == [1, 2]
    assert str(nested) == "min(min(1, 2), 3)"
    assert fv.max(1, N(2) % 3)._repr_latex_() == "$$\\displaystyle \\max\\left(1, 2 \\bmod 3\\right)$$"


def test_min_and_max_take_part_in_arithmetic():
    m = fv.min(1, 2)
    assert isinstance(-m, fv.MulOp)
    assert str(-m) == "- min(1, 2)"
    assert isinstance(m + 1, fv.AddOp)

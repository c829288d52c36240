import pytest

import forvela as fv

N = fv.NumberLit


def atom(k=2):
    return N(k) % 7


class TestCommutative:
    def test_sum_merging_and_literal_placement(self):
        x, y = atom(2), atom(3)
        s = x + 1
        assert [str(t) for t in (s + y).terms] == ["2 % 7", "3 % 7", "1"]
        assert [str(t) for t in (s + 2).terms] == ["2 % 7", "3"]
        assert isinstance(s + (-1), fv.ModOp)
        assert [str(t) for t in (s + (y + 2)).terms] == ["2 % 7", "3 % 7", "3"]
        assert [str(t) for t in (1 + x).terms] == ["2 % 7", "1"]

    def test_sum_with_custom_latex_stays_whole(self):
        s = atom(2) + atom(3)
        s.set_latex("S")
        t = s + atom(4)
        assert len(t.terms) == 2 and t.terms[0]._repr_latex_() == "$$\\displaystyle S$$"
        u = atom(4) + s
        assert str(u) == "4 % 7 + S"
        fresh = atom(2) + atom(3)
        z = atom(4)
        z.set_latex("Z")
        assert str(fresh + z) == "2 % 7 + 3 % 7 + Z"

    def test_product_rules(self):
        x, y, z, w = (atom(k) for k in (2, 3, 4, 5))
        assert isinstance(x * 0.0, fv.NumberLit) and (x * 0.0).value == 0
        assert (x * 0.0).dtype == fv.DataType.INTEGER
        assert isinstance(x * 1.0, fv.ModOp)
        assert [str(t) for t in (2 * (3 * x)).terms] == ["6", "2 % 7"]
        assert [str(t) for t in (0.5 * (2 * x)).terms] == ["1", "2 % 7"]
        assert (0.5 * (2 * x)).terms[0].dtype == fv.DataType.FLOAT
        assert [str(t) for t in (-(-x)).terms] == ["1", "2 % 7"]
        big = (2 * x * y) * (3 * z * w)
        assert [str(t) for t in big.terms] == ["6", "2 % 7", "3 % 7", "5 % 7", "4 % 7"]

    def test_negation(self):
        x, y = atom(2), atom(3)
        assert [str(t) for t in (-(2 * x)).terms] == ["-2", "2 % 7"]
        assert [str(t) for t in (-(x * y)).terms] == ["-1", "2 % 7", "3 % 7"]
        m = x * y
        m.set_latex("m")
        assert len((-m).terms) == 2

    def test_terms_are_copies(self):
        s = atom(2) + atom(3)
        terms = s.terms
        terms[0].set_latex("T")
        terms.append(1)
        assert str(s) == "2 % 7 + 3 % 7"
        assert s.terms is not s.terms

    def test_s_plus_zero_is_a_new_object(self):
        s = atom(2) + atom(3)
        t = s + 0
        assert t is not s and isinstance(t, fv.AddOp)

    def test_unsupported(self):
        s = atom(2) + atom(3)
        for op in (lambda: hash(s), lambda: +s, lambda: s // 2, lambda: abs(s)):
            with pytest.raises(TypeError):
                op()
        with pytest.raises(TypeError, match="failed to convert into expression."):
            s == None  # noqa: E711


class TestComparisonAndLogical:
    @pytest.mark.parametrize(
        "build, cls",
        [
            (lambda x: x == 1, fv.EqualOp),
            (lambda x: x != 1, fv.NotEqualOp),
            (lambda x: x < 1, fv.LessThanOp),
            (lambda x: x <= 1, fv.LessThanEqualOp),
            (lambda x: x > 1, fv.GreaterThanOp),
            (lambda x: x >= 1, fv.GreaterThanEqualOp),
        ],
    )
    def test_comparison_classes(self, build, cls):
        c = build(atom())
        assert type(c) is cls
        assert isinstance(c.left, fv.ModOp) and c.right.value == 1
        assert c.left is not c.left

    def test_reflected_comparison_puts_the_expression_left(self):
        c = 5 < atom()
        assert isinstance(c, fv.GreaterThanOp) and isinstance(c.left, fv.ModOp)
        e = 1 == atom()
        assert isinstance(e, fv.EqualOp) and isinstance(e.left, fv.ModOp)

    def test_logical_terms_never_flatten(self):
        a, b, c = atom() == 1, atom() == 2, atom() == 3
        chain = a & b & c
        assert isinstance(chain, fv.AndOp) and len(chain.terms) == 2
        assert isinstance(chain.terms[0], fv.AndOp)
        right = a & (b | c)
        assert isinstance(right.terms[1], fv.OrOp)
        x = a ^ b ^ c
        assert isinstance(x, fv.XorOp) and isinstance(x.terms[0], fv.XorOp)
        assert str((a & b) | c) == str(a & (b | c))

    @pytest.mark.parametrize(
        "op",
        [lambda c: c & True, lambda c: True & c, lambda c: c | 1, lambda c: c ^ atom(),
         lambda c: (c & c) & atom()],
    )
    def test_logical_operand_must_be_a_condition(self, op):
        with pytest.raises(TypeError) as info:
            op(atom() == 1)
        assert str(info.value) == "failed to convert into a conditional expression."

    def test_identity_semantics(self):
        c = atom() == 1
        d = atom() == 1
        assert c == c and not (c == d) and c != d
        assert hash(c) == hash(c)
        assert {c, d} == {c, d} and len({c, d}) == 2
        with pytest.raises(TypeError):
            c < d
        with pytest.raises(TypeError):
            c + 1
        with pytest.raises(TypeError, match="failed to convert into expression."):
            c + atom()
        with pytest.raises(TypeError, match="failed to convert into expression."):
            atom() == c

    def test_set_latex_on_conditions(self):
        c = (atom() == 1) & (atom() == 2)
        built = c | (atom() == 3)
        c.set_latex("C")
        assert c._repr_latex_() == "$$\\displaystyle C$$"
        assert "C" not in built._repr_latex_()
        c.set_latex(None)
        assert c._repr_latex_().startswith("$$\\displaystyle 2 \\bmod 7 = 1")
        with pytest.raises(TypeError):
            c.set_latex(3)

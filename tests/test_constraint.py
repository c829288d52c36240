"""Constraint, ConstraintSense and CustomPenaltyTerm."""
import pytest

import forvela as fv

RELATION = "Invalid constraint -- conditional must be a valid equality or non-strict inequality (==, >=, or <= only)"
NO_VARIABLE = "expression does not contain a decision variable"
TERM_NO_VARIABLE = "the custom penalty term does not contain a decision variable"


@pytest.fixture
def m():
    class Model:
        N = fv.Placeholder("N")
        n = fv.Placeholder("n")
        a = fv.Placeholder("a", ndim=1)
        i = fv.Element("i", belong_to=N)
        j = fv.Element("j", belong_to=N)
        x = fv.BinaryVar("x", shape=[N])
        z = fv.BinaryVar("z")
        X = fv.BinaryVar("X", shape=[N, N])

    return Model


class TestConstraint:
    @pytest.mark.parametrize(
        "build, sense, cls, equality",
        [
            (lambda m: m.x[m.i] == 1, fv.ConstraintSense.EQUAL, fv.EqualOp, True),
            (lambda m: m.x[m.i] <= 2, fv.ConstraintSense.LESS_THAN_EQUAL, fv.LessThanEqualOp, False),
            (lambda m: m.x[m.i] >= 0, fv.ConstraintSense.GREATER_THAN_EQUAL, fv.GreaterThanEqualOp, False),
        ],
    )
    def test_senses(self, m, build, sense, cls, equality):
        c = fv.Constraint("c", build(m), forall=[m.i])
        assert c.sense == sense and int(c.sense) == int(sense)
        assert isinstance(c.expression, cls)
        assert c.is_equality() is equality and c.is_inequality() is not equality
        assert isinstance(c.left, fv.Subscript) and isinstance(c.right, fv.NumberLit)

    def test_getters(self, m):
        c = fv.Constraint("", 1 <= m.x[m.i], forall=m.i)
        assert c.name == ""
        # Python turns `1 <= x` into `x >= 1`
        assert str(c.expression) == "x[i] >= 1" and c.sense == fv.ConstraintSense.GREATER_THAN_EQUAL
        assert c.sense is not fv.ConstraintSense.GREATER_THAN_EQUAL
        assert repr(fv.Constraint("c", m.x[m.i] <= 2, forall=[m.i]).sense) == "ConstraintSense.LESS_THAN_EQUAL"

    def test_text(self, m):
        c = fv.Constraint("c", m.X[m.i, m.j] <= 2, forall=[m.i, (m.j, m.j != m.i)])
        assert str(c) == repr(c) == "{'expression': X[i, j] <= 2, 'forall': [i, (j, j != i)]}"

    def test_custom_latex_of_the_comparison_is_dropped_of_the_sides_kept(self, m):
        left = m.x[m.i] + m.n
        left.set_latex("L")
        cond = left <= 1
        cond.set_latex("\\text{mine}")
        c = fv.Constraint("c", cond, forall=m.i)
        assert c.expression._repr_latex_() == "$$\\displaystyle L \\leq 1$$"
        assert c.left._repr_latex_() == "$$\\displaystyle L$$"

    @pytest.mark.parametrize(
        "build, forall, message",
        [
            # the relation is checked after the forall fit
            (lambda m: m.x[m.i] != 1, [True], RELATION),
            (lambda m: m.x[m.i] < 1, [True], RELATION),
            (lambda m: m.x[m.i] > 1, [True], RELATION),
            (lambda m: (m.x[m.i] <= 1) & (m.x[m.i] >= 0), [True], RELATION),
            (lambda m: m.x[m.i] != 1, [], "Invalid forall:\nExpression contained elements not used in the forall list or any operator: i"),
            # the decision variable last
            (lambda m: m.n >= 1, [], NO_VARIABLE),
            (lambda m: fv.sum((m.i, m.a[m.i] == 1), m.a[m.i]) >= 1, [], NO_VARIABLE),
            (lambda m: fv.sum(m.i, m.a[m.i]) != 1, [], RELATION),
        ],
    )
    def test_check_order(self, m, build, forall, message):
        with pytest.raises(fv.ModelingError) as info:
            fv.Constraint("c", build(m), forall=[m.i] if forall else None)
        assert str(info.value) == message

    def test_variable_on_either_side(self, m):
        assert fv.Constraint("c", m.n <= m.z).right.name == "z"
        assert fv.Constraint("c", fv.sum(m.i, m.x[m.i]) <= m.n).name == "c"

    @pytest.mark.parametrize(
        "args, kwargs, message",
        [
            ((1, None), {}, "argument 'name': 'int' object cannot be converted to 'PyString'"),
            (("c", None), {}, "argument 'expression': failed to convert into a conditional expression."),
            (("c", 1), {}, "argument 'expression': failed to convert into a conditional expression."),
        ],
    )
    def test_argument_errors(self, args, kwargs, message):
        with pytest.raises(TypeError) as info:
            fv.Constraint(*args, **kwargs)
        assert str(info.value) == message

    def test_expression_object_is_not_a_condition(self, m):
        with pytest.raises(TypeError, match="^argument 'expression': failed to convert into a conditional expression.$"):
            fv.Constraint("c", m.z)

    def test_forall_is_keyword_only(self, m):
        with pytest.raises(TypeError):
            fv.Constraint("c", m.x[m.i] <= 1, m.i)


class TestConstraintSense:
    def test_members(self):
        S = fv.ConstraintSense
        assert [int(S.EQUAL), int(S.LESS_THAN_EQUAL), int(S.GREATER_THAN_EQUAL)] == [0, 1, 2]
        assert [repr(s) for s in (S.EQUAL, S.LESS_THAN_EQUAL, S.GREATER_THAN_EQUAL)] == [
            "ConstraintSense.EQUAL",
            "ConstraintSense.LESS_THAN_EQUAL",
            "ConstraintSense.GREATER_THAN_EQUAL",
        ]
        assert S.EQUAL is S.EQUAL

    def test_comparison(self):
        S = fv.ConstraintSense
        assert S.EQUAL == 0 and S.GREATER_THAN_EQUAL == 2 and S.EQUAL != 1
        assert S.EQUAL == S.EQUAL and S.EQUAL != S.LESS_THAN_EQUAL
        assert (S.EQUAL == "EQUAL") is False and (S.EQUAL == 2**80) is False
        assert S.EQUAL != fv.ProblemSense.MINIMIZE
        with pytest.raises(TypeError):
            S.EQUAL < 1
        with pytest.raises(TypeError):
            hash(S.EQUAL)
        with pytest.raises(TypeError):
            S()


class TestCustomPenaltyTerm:
    def test_accepted(self, m):
        t = fv.CustomPenaltyTerm("p", (fv.sum(m.i, m.x[m.i]) - 1) ** 2)
        assert t.name == "p" and isinstance(t.expression, fv.PowOp) and t.forall == []
        t = fv.CustomPenaltyTerm("p", (m.X[m.i, m.j] - 2) ** 2, forall=[m.i, (m.j, m.j != m.i)])
        assert [e.name for e, _ in t.forall] == ["i", "j"]
        assert fv.CustomPenaltyTerm("p", m.x[m.j], forall=m.j).forall[0][1] is None

    def test_expression_keeps_its_custom_latex(self, m):
        e = m.z * 2
        e.set_latex("P")
        assert fv.CustomPenaltyTerm("p", e).expression._repr_latex_() == "$$\\displaystyle P$$"

    def test_forall_fit_then_decision_variable(self, m):
        with pytest.raises(fv.ModelingError) as info:
            fv.CustomPenaltyTerm("p", (m.X[m.i, m.j] - 2) ** 2, forall=[m.i])
        assert str(info.value) == "Invalid forall:\nExpression contained elements not used in the forall list or any operator: j"
        for expression in (3, m.n * 2, fv.abs(m.n)):
            with pytest.raises(fv.ModelingError, match=f"^{TERM_NO_VARIABLE}$"):
                fv.CustomPenaltyTerm("p", expression)
        with pytest.raises(fv.ModelingError, match="^Invalid forall:"):
            fv.CustomPenaltyTerm("p", m.a[m.i])

    @pytest.mark.parametrize("expression", [lambda m: m.z <= 1, lambda m: "x", lambda m: m.a, lambda m: None])
    def test_not_an_expression(self, m, expression):
        with pytest.raises(TypeError) as info:
            fv.CustomPenaltyTerm("p", expression(m))
        assert str(info.value) == "argument 'expression': failed to convert into expression."

    def test_default_text_forms(self, m):
        t = fv.CustomPenaltyTerm("p", m.z)
        assert repr(t).startswith("<forvela.CustomPenaltyTerm object at ")
        assert str(t) == repr(t)

"""Problem, ProblemSense, `+=` and the check that different variables never
share a name."""
import pytest

import forvela as fv

DUPLICATED = "Duplicated name -- different variables share the same name(s): "


@pytest.fixture
def m():
    class Model:
        N = fv.Placeholder("N")
        i = fv.Element("i", belong_to=N)
        x = fv.BinaryVar("x", shape=[N])
        y = fv.BinaryVar("y", shape=[N])
        z = fv.BinaryVar("z")

    return Model


def duplicated(build):
    with pytest.raises(fv.ModelingError) as info:
        build()
    message = str(info.value)
    assert message.startswith(DUPLICATED)
    return sorted(message[len(DUPLICATED):].split(", "))


class TestProblem:
    def test_new(self):
        p = fv.Problem("p")
        assert p.name == "p" and p.sense == fv.ProblemSense.MINIMIZE
        assert isinstance(p.objective, fv.NumberLit) and p.objective.value == 0
        assert p.objective.dtype == fv.DataType.INTEGER
        assert p.constraints == {} and p.custom_penalty_terms == {}
        assert fv.Problem("p", sense=fv.ProblemSense.MAXIMIZE).sense == fv.ProblemSense.MAXIMIZE
        assert fv.Problem(name="q").name == "q"

    @pytest.mark.parametrize(
        "args, kwargs, message",
        [
            ((1,), {}, "argument 'name': 'int' object cannot be converted to 'PyString'"),
            (("p",), {"sense": 1}, "argument 'sense': 'int' object cannot be converted to 'ProblemSense'"),
            (("p",), {"sense": None}, "argument 'sense': 'NoneType' object cannot be converted to 'ProblemSense'"),
            (("p",), {"sense": fv.ConstraintSense.EQUAL}, "argument 'sense': 'ConstraintSense' object cannot be converted to 'ProblemSense'"),
        ],
    )
    def test_new_errors(self, args, kwargs, message):
        with pytest.raises(TypeError) as info:
            fv.Problem(*args, **kwargs)
        assert str(info.value) == message

    def test_sense_setter(self):
        p = fv.Problem("p")
        p.sense = fv.ProblemSense.MAXIMIZE
        assert p.sense == fv.ProblemSense.MAXIMIZE and p.sense is not fv.ProblemSense.MAXIMIZE
        with pytest.raises(TypeError) as info:
            p.sense = 0
        assert str(info.value) == "'int' object cannot be converted to 'ProblemSense'"
        with pytest.raises(AttributeError, match="^can't delete attribute$"):
            del p.sense
        assert p.sense == fv.ProblemSense.MAXIMIZE

    def test_objective_is_replaced(self, m):
        p = fv.Problem("p")
        q = p
        p += 5
        assert p is q and p.objective.value == 5
        p += m.z
        assert isinstance(p.objective, fv.BinaryVar)
        p += 2.5
        assert p.objective.value == 2.5
        p += fv.sum(m.i, m.x[m.i])
        assert str(p.objective) == "sum(i in [0..N), x[i])"

    def test_constraints_by_byte_wise_name_and_replaced_in_place(self, m):
        p = fv.Problem("p")
        for name in ["c2", "c10", "a", "B", "é", "z"]:
            p += fv.Constraint(name, m.x[m.i] <= 1, forall=m.i)
        assert list(p.constraints) == ["B", "a", "c10", "c2", "z", "é"]
        p += fv.Constraint("c10", m.z == 1)
        assert list(p.constraints) == ["B", "a", "c10", "c2", "z", "é"]
        assert str(p.constraints["c10"]) == "{'expression': z == 1}"

    def test_penalty_terms_apart_from_constraints(self, m):
        p = fv.Problem("p")
        p += fv.CustomPenaltyTerm("b", m.z)
        p += fv.CustomPenaltyTerm("a", m.z * 2)
        p += fv.Constraint("a", m.z == 1)
        assert list(p.custom_penalty_terms) == ["a", "b"] and list(p.constraints) == ["a"]
        assert isinstance(p.custom_penalty_terms["a"], fv.CustomPenaltyTerm)

    def test_getters_return_copies(self, m):
        p = fv.Problem("p")
        p += fv.Constraint("c", m.z == 1)
        got = p.constraints
        got["d"] = got["c"]
        del got["c"]
        assert list(p.constraints) == ["c"]
        assert p.constraints["c"] is not p.constraints["c"]

    @pytest.mark.parametrize(
        "other",
        [
            lambda m: m.z <= 1,
            lambda m: [m.z],
            lambda m: None,
            lambda m: "x",
            lambda m: m.x,  # not a scalar
            lambda m: fv.Placeholder("A", ndim=1),
            lambda m: fv.Problem("q"),
        ],
    )
    def test_unsupported(self, m, other):
        p = fv.Problem("p")
        with pytest.raises(TypeError) as info:
            p += other(m)
        assert str(info.value) == "unsupported operand type(s) for +="

    def test_problem_is_borrowed_during_add(self, m):
        p = fv.Problem("p")

        seen = []

        class Sneaky:
            def __index__(self):
                try:
                    p.sense = fv.ProblemSense.MAXIMIZE
                except RuntimeError as e:
                    seen.append(str(e))
                return 7

        p += Sneaky()
        assert seen == ["Already borrowed"]
        assert p.sense == fv.ProblemSense.MINIMIZE and p.objective.value == 7
        p.sense = fv.ProblemSense.MAXIMIZE  # the borrow was released
        assert p.sense == fv.ProblemSense.MAXIMIZE

    def test_no_plain_add(self):
        with pytest.raises(TypeError):
            fv.Problem("p") + 1


class TestProblemSense:
    def test_members(self):
        S = fv.ProblemSense
        assert (int(S.MINIMIZE), int(S.MAXIMIZE)) == (0, 1)
        assert (repr(S.MINIMIZE), repr(S.MAXIMIZE)) == ("ProblemSense.MINIMIZE", "ProblemSense.MAXIMIZE")
        assert S.MINIMIZE == 0 and S.MAXIMIZE == 1 and S.MINIMIZE != S.MAXIMIZE
        assert (S.MINIMIZE == "MINIMIZE") is False
        with pytest.raises(TypeError):
            S.MINIMIZE <= S.MAXIMIZE
        with pytest.raises(TypeError):
            hash(S.MAXIMIZE)


class TestNameCheck:
    def test_same_symbols_share_names(self, m):
        p = fv.Problem("p")
        p += fv.Constraint("c", m.x[m.i] <= 1, forall=[m.i])
        p += fv.Constraint("d", m.y[m.i] >= 0, forall=[m.i])
        p += fv.CustomPenaltyTerm("t", m.x[0] * fv.Placeholder("N", latex="n", description="size"))
        assert list(p.constraints) == ["c", "d"]

    def test_element_of_another_set_clashes(self, m):
        p = fv.Problem("p")
        p += fv.Constraint("c", m.x[m.i] <= 1, forall=[m.i])
        other_i = fv.Element("i", belong_to=10)
        assert duplicated(lambda: p.__iadd__(fv.Constraint("d", m.y[other_i] >= 0, forall=other_i))) == ["i"]
        assert list(p.constraints) == ["c"]

    def test_literal_never_matches_a_placeholder_by_its_bytes(self):
        # A literal's tag and padding once passed for a cell pointer, so the
        # set 0..N could compare equal to 0..10 when the bytes happened to match.
        for _ in range(2000):
            n = fv.Placeholder("N")
            i = fv.Element("i", belong_to=n)
            p = fv.Problem("p")
            p += fv.Constraint("c", fv.BinaryVar("x", shape=[n])[i] <= 1, forall=[i])
            other_i = fv.Element("i", belong_to=10)
            with pytest.raises(fv.ModelingError):
                p += fv.Constraint("d", fv.BinaryVar("y", shape=[n])[other_i] >= 0, forall=other_i)

    @pytest.mark.parametrize(
        "objective, added",
        [
            (lambda m: fv.BinaryVar("x"), lambda m: fv.Constraint("c", fv.Placeholder("x") <= m.z)),
            (lambda m: fv.BinaryVar("x"), lambda m: fv.CustomPenaltyTerm("t", fv.IntegerVar("x", lower_bound=0, upper_bound=1))),
            (lambda m: fv.BinaryVar("x", shape=[2])[0], lambda m: fv.Constraint("c", fv.BinaryVar("x", shape=[3])[0] <= 1)),
        ],
    )
    def test_clash_with_objective(self, m, objective, added):
        p = fv.Problem("p")
        p += objective(m)
        assert duplicated(lambda: p.__iadd__(added(m))) == ["x"]
        assert p.constraints == {} and p.custom_penalty_terms == {}

    def test_clash_inside_one_new_constraint(self, m):
        p = fv.Problem("p")
        assert duplicated(lambda: p.__iadd__(fv.Constraint("c", m.z + fv.Placeholder("z") <= 1))) == ["z"]

    def test_right_side_only_when_left_is_clean(self, m):
        p = fv.Problem("p")
        p += m.z + fv.Placeholder("a") + fv.Placeholder("b")
        a2, b2 = fv.BinaryVar("a"), fv.BinaryVar("b")
        assert duplicated(lambda: p.__iadd__(fv.Constraint("c", m.z <= a2))) == ["a"]
        assert duplicated(lambda: p.__iadd__(fv.Constraint("c", b2 + a2 <= a2 + b2))) == ["a", "b"]
        assert duplicated(lambda: p.__iadd__(fv.Constraint("c", a2 <= b2))) == ["a"]

    def test_replaced_parts_are_not_compared(self, m):
        p = fv.Problem("p")
        p += fv.Constraint("c", fv.BinaryVar("w") <= 1)
        p += fv.Constraint("c", fv.IntegerVar("w", lower_bound=0, upper_bound=3) <= 1)
        p += fv.CustomPenaltyTerm("t", fv.BinaryVar("v"))
        p += fv.CustomPenaltyTerm("t", fv.ContinuousVar("v", lower_bound=0, upper_bound=1))
        p += fv.BinaryVar("u")
        p += fv.IntegerVar("u", lower_bound=0, upper_bound=1)
        assert isinstance(p.objective, fv.IntegerVar)
        # but a part that stays is compared
        assert duplicated(lambda: p.__iadd__(fv.Constraint("d", fv.BinaryVar("w") <= 1))) == ["w"]
        assert duplicated(lambda: p.__iadd__(fv.BinaryVar("v"))) == ["v"]

    def test_a_refused_part_leaves_no_names(self, m):
        p = fv.Problem("p")
        p += fv.Constraint("c", m.z <= 1)
        clash = fv.Constraint("d", fv.BinaryVar("fresh") + fv.IntegerVar("z", lower_bound=0, upper_bound=1) <= 1)
        assert duplicated(lambda: p.__iadd__(clash)) == ["z"]
        p += fv.Constraint("d", fv.IntegerVar("fresh", lower_bound=0, upper_bound=1) <= 1)
        assert list(p.constraints) == ["c", "d"]

    def test_a_read_problem_checks_against_its_parts(self, m):
        p = fv.Problem("p")
        p += fv.Constraint("c", m.z <= 1)
        q = fv.from_protobuf(fv.to_protobuf(p))
        assert duplicated(lambda: q.__iadd__(fv.Constraint("d", fv.Placeholder("z") + m.y[0] <= 1))) == ["z"]
        q += fv.Constraint("d", m.z >= 0)
        assert list(q.constraints) == ["c", "d"]

    def test_forall_conditions_take_no_part(self, m):
        a = fv.Placeholder("a", ndim=1)
        k = fv.Element("k", belong_to=m.N)
        k_other = fv.Element("k", belong_to=3)
        p = fv.Problem("p")
        p += fv.Constraint("c", m.x[k] <= 1, forall=k)
        # k_other is used only inside the forall condition
        p += fv.Constraint("d", m.x[m.i] <= 1, forall=[(m.i, fv.sum(k_other, a[k_other]) >= m.i)])
        assert list(p.constraints) == ["c", "d"]

    def test_element_sets_are_walked(self, m):
        p = fv.Problem("p")
        p += fv.sum(m.i, m.x[m.i])
        k = fv.Element("k", belong_to=fv.Placeholder("N", ndim=1))
        assert duplicated(lambda: p.__iadd__(fv.Constraint("c", m.x[k] <= 1, forall=k))) == ["N"]

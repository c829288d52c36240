"""Forall lists of constraints and penalty terms, and the fit of a list to the
elements an expression uses."""
import pytest

import forvela as fv

FORALL_FAILURE = "argument 'forall': failed to create a forall list object"
FREE = "Invalid forall:\nExpression contained elements not used in the forall list or any operator: "
SURPLUS = "Invalid forall:\nForall list contained elements not in expression or already associated with operators: "
BOUND = "Invalid forall -- Elements in forall list are already associated with operators in the expression: "


@pytest.fixture
def m():
    class Model:
        N = fv.Placeholder("N")
        a = fv.Placeholder("a", ndim=1)
        i = fv.Element("i", belong_to=N)
        j = fv.Element("j", belong_to=N)
        k = fv.Element("k", belong_to=N)
        x = fv.BinaryVar("x", shape=[N])
        y = fv.BinaryVar("y", shape=[N])
        X = fv.BinaryVar("X", shape=[N, N])

    return Model


def modeling_message(build):
    with pytest.raises(fv.ModelingError) as info:
        build()
    return str(info.value)


class TestConversion:
    @pytest.mark.parametrize("forall", [None, [], ()])
    def test_empty_forms(self, m, forall):
        c = fv.Constraint("c", m.x[0] <= 1, forall=forall)
        assert c.forall == []
        assert str(c) == "{'expression': x[0] <= 1}"

    @pytest.mark.parametrize("form", [lambda m: m.i, lambda m: [m.i], lambda m: (m.i, None), lambda m: [(m.i, None)]])
    def test_single_entry_forms(self, m, form):
        c = fv.Constraint("c", m.x[m.i] <= 1, forall=form(m))
        ((element, condition),) = c.forall
        assert isinstance(element, fv.Element) and element.name == "i" and condition is None

    def test_pair_of_elements_is_two_entries_in_order(self, m):
        c = fv.Constraint("c", m.X[m.j, m.i] <= 1, forall=(m.j, m.i))
        assert [e.name for e, _ in c.forall] == ["j", "i"]

    def test_conditions_come_back_as_their_class(self, m):
        t = fv.CustomPenaltyTerm("p", (m.X[m.i, m.j] - 2) ** 2, forall=[m.i, (m.j, m.j != m.i)])
        (i, none), (j, cond) = t.forall
        assert none is None and isinstance(cond, fv.NotEqualOp) and str(cond) == "j != i"

    @pytest.mark.parametrize(
        "forall",
        [
            "ij",
            5,
            lambda m: [m.i, m.i],  # duplicated
            lambda m: [(m.j, m.j != m.i), m.i],  # i not declared yet
            lambda m: (m.j, m.j != m.i),  # scope error as one entry, no entry as a pair
            lambda m: [m.i, m.i != 1],  # a condition is no entry
            lambda m: (m.i, 1),
            lambda m: (m.a, None),
            lambda m: m.a,  # answers [] without end; refused, never iterated
            lambda m: m.x,
            lambda m: (e for e in [m.i]),
            lambda m: {0: m.i},
            lambda m: b"i",
        ],
    )
    def test_failures_surface_as_one_type_error(self, m, forall):
        value = forall(m) if callable(forall) else forall
        for build in (
            lambda: fv.Constraint("c", m.X[m.i, m.j] <= 1, forall=value),
            lambda: fv.CustomPenaltyTerm("p", m.X[m.i, m.j], forall=value),
        ):
            with pytest.raises(TypeError) as info:
                build()
            assert str(info.value) == FORALL_FAILURE

    def test_scope_accepts_declared_elements_and_bound_indices(self, m):
        c = fv.Constraint("c", m.X[m.i, m.j] <= 1, forall=[m.i, (m.j, (m.j != m.i) & (fv.sum(m.k, m.a[m.k]) >= 1))])
        assert [e.name for e, _ in c.forall] == ["i", "j"]

    def test_sequence_that_fails_midway_is_refused(self, m):
        class Broken:
            def __len__(self):
                return 2

            def __getitem__(self, k):
                if k == 0:
                    return m.i
                raise ValueError("boom")

        with pytest.raises(TypeError, match=f"^{FORALL_FAILURE}$"):
            fv.Constraint("c", m.x[m.i] <= 1, forall=Broken())


class TestFit:
    def test_missing_element(self, m):
        assert modeling_message(lambda: fv.Constraint("c", m.x[m.i] <= 1)) == FREE + "i"
        assert modeling_message(lambda: fv.Constraint("c", m.x[m.i] <= 1, forall=[])) == FREE + "i"

    def test_surplus_element(self, m):
        assert modeling_message(lambda: fv.Constraint("c", m.x[m.i] <= 1, forall=[m.i, m.j])) == SURPLUS + "j"

    def test_both_parts_expression_first(self, m):
        message = modeling_message(lambda: fv.Constraint("c", m.X[m.i, m.j] <= 1, forall=m.k))
        head, free, surplus = message.split("\n")
        assert head == "Invalid forall:"
        assert free.startswith("Expression contained elements not used in the forall list or any operator: ")
        assert sorted(free.split(": ")[1].split(", ")) == ["i", "j"]
        assert surplus == "Forall list contained elements not in expression or already associated with operators: k"

    def test_reduction_index_is_bound(self, m):
        assert isinstance(fv.CustomPenaltyTerm("p", (fv.sum(m.i, m.x[m.i]) - 1) ** 2), fv.CustomPenaltyTerm)
        message = modeling_message(lambda: fv.Constraint("c", fv.sum(m.i, m.x[m.i]) <= 1, forall=m.i))
        assert message == BOUND + "i"

    # An element is bound only inside the reduction over it: an occurrence
    # outside is free, whichever side of the reduction it stands on.
    @pytest.mark.parametrize(
        "build",
        [
            lambda m: fv.sum(m.i, m.y[m.i]) + m.x[m.i] <= 1,
            lambda m: m.x[m.i] + fv.sum(m.i, m.y[m.i]) <= 1,
            lambda m: fv.sum(m.i, m.y[m.i]) <= m.x[m.i],
            lambda m: fv.sum(m.j, fv.sum(m.i, m.X[m.i, m.j])) + m.x[m.i] <= 1,
        ],
    )
    def test_binding_is_scoped(self, m, build):
        assert modeling_message(lambda: fv.Constraint("c", build(m))) == FREE + "i"
        assert modeling_message(lambda: fv.Constraint("c", build(m), forall=[m.i])) == BOUND + "i"

    def test_index_is_bound_in_its_condition_and_nested_reductions(self, m):
        inner = fv.sum((m.j, m.j != m.i), m.X[m.i, m.j])
        c = fv.Constraint("c", fv.sum(m.i, inner) <= 1)
        assert c.forall == []

    def test_parent_of_a_free_element_is_free(self, m):
        a2 = fv.Placeholder("A", ndim=2)
        row = fv.Element("row", belong_to=a2)
        col = fv.Element("col", belong_to=row)
        assert modeling_message(lambda: fv.Constraint("c", m.x[col] <= 1, forall=col)) == FREE + "row"
        assert fv.Constraint("c", m.x[col] <= 1, forall=[row, col]).forall[1][0].name == "col"
        # the set of a reduction index is used outside the reduction
        assert modeling_message(lambda: fv.Constraint("c", fv.sum(col, m.x[col]) <= 1)) == FREE + "row"

    def test_element_in_a_range_set(self, m):
        n = fv.Element("n", belong_to=m.N)
        upto = fv.Element("upto", belong_to=(0, n))
        assert fv.Constraint("c", fv.sum(upto, m.x[upto]) <= 1, forall=n).name == "c"
        assert modeling_message(lambda: fv.Constraint("c", fv.sum(upto, m.x[upto]) <= 1)) == FREE + "n"
        # inside the reduction over n the set of upto is bound
        assert fv.Constraint("c", fv.sum(n, fv.sum(upto, m.x[upto])) <= 1).forall == []

    def test_elements_equal_by_value_not_identity(self, m):
        other_i = fv.Element("i", belong_to=m.N, latex="\\iota", description="same")
        assert fv.Constraint("c", m.x[m.i] <= 1, forall=other_i).name == "c"
        different = fv.Element("i", belong_to=10)
        message = modeling_message(lambda: fv.Constraint("c", m.x[m.i] <= 1, forall=different))
        assert message == FREE + "i\n" + SURPLUS.split("\n")[1] + "i"

    def test_array_length_and_subscripted_element_use_elements(self, m):
        A = fv.Placeholder("A", ndim=2)
        r = fv.Element("r", belong_to=A)  # ndim 1
        assert fv.Constraint("c", m.x[0] <= r.len_at(0), forall=r).name == "c"
        assert fv.Constraint("c", m.x[r[0]] <= 1, forall=r).name == "c"

    def test_deep_expressions_raise_recursion_error(self, m):
        e = m.x[m.i]
        for _ in range(20000):
            e = e * m.a[m.i] + 1
        with pytest.raises(RecursionError):
            fv.Constraint("c", e <= 1, forall=m.i)

"""Values share their subtrees, so a few dozen cells can stand for a tree of
2**50 nodes. Every builder check and every tool that answers per node works
on the distinct cells: each case below would take hours if it walked the
expanded tree."""
import pytest

import forvela as fv

STEPS = 50


@pytest.fixture
def names():
    return fv.Placeholder("N"), fv.BinaryVar("x")


def doubling(base, N, steps=STEPS):
    """`e = e * N + e` from `base`: the tree doubles with every step."""
    e = base
    for _ in range(steps):
        e = e * N + e
    return e


def data_tower(N, steps=STEPS):
    """`e = e ** e` from `N + 1`: instance data only, doubling too."""
    e = N + 1
    for _ in range(steps):
        e = e ** e
    return e


@pytest.mark.parametrize(
    "step",
    [lambda e: e ** e, lambda e: e % e, lambda e: e * e + e],
    ids=["pow", "mod", "mul-add"],
)
def test_builders_check_each_cell_once(step):
    N = fv.Placeholder("N")
    e = N + 1
    for _ in range(STEPS):
        e = step(e)
    # Every builder that refuses decision variables accepts the data tower.
    P = fv.Placeholder("P", ndim=1)
    assert isinstance(fv.abs(e), fv.AbsOp)
    assert isinstance(P[e], fv.Subscript)
    assert isinstance(fv.Element("i", belong_to=(0, e)), fv.Element)
    i = fv.Element("i", belong_to=N)
    assert isinstance(fv.sum((i, i < e), P[i]), fv.SumOp)


@pytest.mark.parametrize(
    "build, message",
    [
        (lambda t, x: t ** (t + x), "the exponent contains a decision variable"),
        (lambda t, x: (t + x) % t, "the modulo op contains a decision variable"),
        (lambda t, x: fv.abs(t * x), "the operand of the unary op contains a decision variable"),
        (lambda t, x: fv.Placeholder("P", ndim=1)[t + x], "a subscript contains a decision variable"),
    ],
    ids=["pow", "mod", "abs", "subscript"],
)
def test_builders_find_a_decision_variable_beside_a_shared_tower(names, build, message):
    N, x = names
    with pytest.raises(fv.ModelingError, match=message):
        build(data_tower(N), x)


def test_decision_variable_deep_in_a_shared_tree_is_found(names):
    N, x = names
    # The variable sits at the bottom, under 2**50 paths.
    e = doubling(x, N)
    with pytest.raises(fv.ModelingError, match="the exponent contains a decision variable"):
        N ** e
    with pytest.raises(fv.ModelingError, match="the operand of the unary op contains a decision variable"):
        fv.abs(e)
    assert isinstance(e ** 2, fv.PowOp)


def test_a_node_changed_after_its_check_is_checked_again(names):
    N, x = names
    # A sum whose term list grows in place after a check saw only data.
    s = N + 1
    fv.abs(s)
    t = s + x
    with pytest.raises(fv.ModelingError, match="the operand of the unary op contains a decision variable"):
        fv.abs(t)
    assert isinstance(fv.abs(s), fv.AbsOp)
    t.set_latex("T")
    with pytest.raises(fv.ModelingError, match="the operand of the unary op contains a decision variable"):
        fv.abs(t)


@pytest.mark.parametrize(
    "base, answers",
    [
        (lambda N, x: x, (True, False, False, False)),
        (lambda N, x: x * x, (False, True, False, False)),
        (lambda N, x: x * x * x, (False, False, True, False)),
        (lambda N, x: fv.prod(fv.Element("i", belong_to=N), x), (False, False, False, True)),
        (lambda N, x: x ** 0.5, (False, False, False, False)),
        (lambda N, x: N + 1, (False, False, False, False)),
    ],
    ids=["linear", "quadratic", "higher", "dynamic", "non-polynomial", "no-variable"],
)
def test_degree_of_shared_trees(names, base, answers):
    N, x = names
    e = doubling(base(N, x), N)
    got = (fv.is_linear(e), fv.is_quadratic(e), fv.is_higher_order(e), fv.is_dynamic_degree(e))
    assert got == answers
    # The same answers as for a small tree built alike.
    small = doubling(base(N, x), N, steps=3)
    assert got == (fv.is_linear(small), fv.is_quadratic(small), fv.is_higher_order(small),
                   fv.is_dynamic_degree(small))


def test_degree_where_only_one_shared_branch_is_quadratic(names):
    N, x = names
    e = doubling(x, N) + doubling(x, N) * x
    assert not fv.is_linear(e) and fv.is_quadratic(e)


def test_extract_variables_of_shared_trees(names):
    N, x = names
    y = fv.IntegerVar("y", lower_bound=0, upper_bound=N)
    e = doubling(x, N) + y
    assert [v.name for v in fv.extract_variables(e)] == ["x", "N", "y"]
    # First visit order, as in a small tree.
    small = doubling(x, N, steps=2) + y
    assert [v.name for v in fv.extract_variables(small)] == ["x", "N", "y"]
    c = fv.Constraint("c", e <= 1)
    p = fv.Problem("p")
    p += c
    assert [v.name for v in fv.extract_variables(p)] == ["x", "N", "y"]


def test_extract_variables_compares_equal_shapes_once(names):
    N, _ = names
    # Two variables with equal but separately built shapes are one variable.
    a = fv.BinaryVar("z", shape=[data_tower(N)])
    b = fv.BinaryVar("z", shape=[data_tower(N)])
    found = fv.extract_variables(a[0] + b[0])
    assert [v.name for v in found] == ["z", "N"]


@pytest.mark.parametrize(
    "cls, count",
    [(fv.ContinuousVar, 0), (fv.IntegerVar, 1), (fv.NumberLit, 1), (fv.SumOp, 0)],
)
def test_extract_nodes_skips_shared_subtrees_without_a_match(names, cls, count):
    N, x = names
    y = fv.IntegerVar("y", lower_bound=0, upper_bound=3)
    e = doubling(x, N) + y + 7
    found = fv.extract_nodes(e, cls)
    assert len(found) == count
    assert all(type(n) is cls for n in found)


def test_extract_nodes_keeps_every_repetition(names):
    N, x = names
    e = doubling(x, N, steps=10)
    # N joins once per step and every earlier tree occurs twice.
    assert len(fv.extract_nodes(e, fv.Placeholder)) == 2 ** 10 - 1
    assert len(fv.extract_nodes(e, fv.BinaryVar)) == 2 ** 10
    small = doubling(x, N, steps=1)
    found = fv.extract_nodes(small, fv.BinaryVar) + fv.extract_nodes(small, fv.Placeholder)
    assert [n.name for n in found] == ["x", "x", "N"]
    nested = fv.extract_nodes(doubling(x, N, steps=2), fv.AddOp)
    assert [str(n) for n in nested] == ["x * N + x + (x * N + x) * N", "x * N + x"]


@pytest.mark.parametrize(
    "other, same",
    [
        (lambda N, x: doubling(x, N), True),
        (lambda N, x: doubling(fv.BinaryVar("z"), N), False),
        (lambda N, x: doubling(x, fv.Placeholder("M")), False),
        (lambda N, x: doubling(x, N) + 1, False),
        (lambda N, x: doubling(x * 1.5, N), False),
    ],
    ids=["equal", "leaf-differs", "other-placeholder", "top-differs", "coefficient"],
)
def test_is_same_on_separately_built_trees(names, other, same):
    N, x = names
    e = doubling(x, N)
    assert fv.is_same(e, other(N, x)) is same
    assert fv.is_same(other(N, x), e) is same


def test_is_same_where_one_side_shares_what_the_other_builds_twice(names):
    # One shared abs against two separate ones over the same operand: each
    # pair below a level is met along two paths though one of its cells is
    # held once.
    N, x = names
    shared, separate = N + 1, N + 1
    for _ in range(STEPS):
        u = fv.abs(shared)
        shared = u + u
        separate = fv.abs(separate) + fv.abs(separate)
    assert fv.is_same(shared + x, separate + x) and fv.is_same(separate, shared)
    assert fv.is_same(shared <= x, separate <= x)
    assert not fv.is_same(shared, separate + 1)


def test_is_same_on_conditions_and_constraints(names):
    N, x = names
    a, b = doubling(x, N), doubling(x, N)
    assert fv.is_same(a == data_tower(N), b == data_tower(N))
    assert not fv.is_same(a == data_tower(N), b == data_tower(fv.Placeholder("M")))
    assert fv.is_same(fv.Constraint("c", a <= 1), fv.Constraint("c", b <= 1))
    assert not fv.is_same(fv.Constraint("c", a <= 1), fv.Constraint("c", b <= 2))


def test_replace_offers_every_occurrence(names):
    N, x = names
    e = doubling(x, N, steps=12)
    offers = []

    def identity(node):
        offers.append(type(node).__name__)
        return node

    r = fv.replace(e, identity)
    assert fv.is_same(r, e)
    # One offer per node of the expanded tree.
    assert offers.count("BinaryVar") == 2 ** 12
    assert offers.count("Placeholder") == 2 ** 12 - 1
    assert fv.is_linear(r)


def test_replace_changing_a_shared_leaf(names):
    N, x = names
    z = fv.BinaryVar("z")
    e = doubling(x, N, steps=10)
    r = fv.replace(e, lambda n: z if type(n) is fv.BinaryVar else n)
    assert fv.is_same(r, doubling(z, N, steps=10))


@pytest.mark.parametrize("with_forall", [False, True], ids=["plain", "forall"])
def test_constraint_and_penalty_on_shared_trees(with_forall):
    N = fv.Placeholder("N")
    if with_forall:
        i = fv.Element("i", belong_to=N)
        x = fv.BinaryVar("x", shape=[N])
        e = doubling(x[i], N)
        extra = {"forall": i}
    else:
        x = fv.BinaryVar("x")
        e = doubling(x, N)
        extra = {}
    c = fv.Constraint("c", e <= 1, **extra)
    t = fv.CustomPenaltyTerm("t", e, **extra)
    p = fv.Problem("p")
    p += c
    p += t
    p += e
    assert sorted(p.constraints) == ["c"] and sorted(p.custom_penalty_terms) == ["t"]
    if with_forall:
        with pytest.raises(fv.ModelingError, match="Invalid forall"):
            fv.Constraint("d", e <= 1)
        j = fv.Element("j", belong_to=N)
        with pytest.raises(fv.ModelingError, match="Invalid forall"):
            fv.CustomPenaltyTerm("u", e, forall=[i, j])


def test_reduction_over_a_shared_tree_binds_its_index():
    N = fv.Placeholder("N")
    i = fv.Element("i", belong_to=N)
    x = fv.BinaryVar("x", shape=[N])
    inner = doubling(x[i], N)
    # The same cells under the sum (i bound) and outside it (i free).
    e = fv.sum(i, inner) + inner
    with pytest.raises(fv.ModelingError, match="already associated"):
        fv.Constraint("c", e <= 1, forall=i)
    with pytest.raises(fv.ModelingError, match="Invalid forall"):
        fv.Constraint("c", e <= 1)
    assert fv.Constraint("c", fv.sum(i, inner) <= 1)


def test_name_conflict_deep_in_a_shared_tree(names):
    N, x = names
    other = fv.IntegerVar("x", lower_bound=0, upper_bound=1)
    p = fv.Problem("p")
    p += fv.Constraint("c", doubling(x, N) <= 1)
    with pytest.raises(fv.ModelingError, match="Duplicated name"):
        p += fv.Constraint("d", doubling(other, N) <= 1)
    with pytest.raises(fv.ModelingError, match="Duplicated name"):
        fv.Problem("q").__iadd__(fv.Constraint("c", doubling(x, N) + doubling(other, N) <= 1))
    p += fv.Constraint("d", doubling(x, N) >= 0)
    assert sorted(p.constraints) == ["c", "d"]


def list_doubling(base, N, steps=STEPS):
    """Sums that extend one sum share its term buffer: `s` and `s + N` hold
    the same terms, and so does their product's every earlier tree, with no
    other handle to any of those cells."""
    e = base
    for _ in range(steps):
        s = e + N
        e = s * (s + N)
        del s
    return e


def test_trees_shared_through_term_lists(names):
    N, x = names
    e = list_doubling(x, N)
    assert (fv.is_linear(e), fv.is_higher_order(e), fv.is_dynamic_degree(e)) == (False, True, False)
    assert [v.name for v in fv.extract_variables(e)] == ["x", "N"]
    assert fv.extract_nodes(e, fv.ContinuousVar) == []
    assert fv.is_same(e, list_doubling(x, N))
    assert not fv.is_same(e, list_doubling(fv.BinaryVar("z"), N))
    p = fv.Problem("p")
    p += fv.Constraint("c", e <= 1)
    p += fv.CustomPenaltyTerm("t", e)
    with pytest.raises(fv.ModelingError, match="Duplicated name"):
        p += fv.Constraint("d", list_doubling(fv.IntegerVar("x", lower_bound=0, upper_bound=1), N) <= 1)
    assert len(fv.extract_nodes(list_doubling(x, N, steps=6), fv.BinaryVar)) == 2 ** 6


def test_shape_entries_of_shared_trees_are_checked_once(names):
    N, x = names
    assert fv.BinaryVar("z", shape=[data_tower(N)]).ndim == 1
    tower = data_tower(N)
    with pytest.raises(fv.ModelingError, match="contains the decision variable x"):
        fv.IntegerVar("z", shape=[tower + x * tower], lower_bound=0, upper_bound=1)


@pytest.mark.parametrize("build", [doubling, lambda x, N: data_tower(N) * x], ids=["doubling", "tower"])
def test_writer_walks_shared_cells_once(names, build):
    N, x = names
    # Equal nodes are stored once, so the bytes stay small however far the
    # tree expands.
    assert len(fv.to_protobuf(build(x, N))) < 10_000


def test_equal_values_are_one_however_their_cells_are_shared(names):
    N, _ = names
    s = N + 1
    shared = fv.BinaryVar("z", shape=[s ** s])
    unshared = fv.BinaryVar("z", shape=[(N + 1) ** (N + 1)])
    assert fv.is_same(shared, unshared)
    assert [v.name for v in fv.extract_variables(shared[0] + unshared[0])] == ["z", "N"]


def test_matches_past_any_memory_fail_at_once(names):
    N, x = names
    # 2^50 repeats of x: the list could never be held.
    with pytest.raises(MemoryError):
        fv.extract_nodes(doubling(x, N, 50), fv.BinaryVar)

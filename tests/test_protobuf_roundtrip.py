"""from_protobuf(to_protobuf(x)) rebuilds x."""
import threading

import pytest

import forvela as fv
from protobuf_models import build

M = build()


def roundtrip(obj):
    return fv.from_protobuf(fv.to_protobuf(obj))


@pytest.mark.parametrize("name", list(M["exprs"]) + list(M["conditions"]))
def test_expressions_and_conditions(name):
    obj = {**M["exprs"], **M["conditions"]}[name]
    back = roundtrip(obj)
    assert type(back) is type(obj)
    assert repr(back) == repr(obj)
    assert str(back) == str(obj)


@pytest.mark.parametrize("name", list(M["constraints"]))
def test_constraints(name):
    c = M["constraints"][name]
    back = roundtrip(c)
    assert isinstance(back, fv.Constraint)
    assert (back.name, int(back.sense)) == (c.name, int(c.sense))
    assert repr(back.left) == repr(c.left) and repr(back.right) == repr(c.right)
    assert repr(back.forall) == repr(c.forall)


@pytest.mark.parametrize("name", list(M["terms"]))
def test_penalty_terms(name):
    t = M["terms"][name]
    back = roundtrip(t)
    assert isinstance(back, fv.CustomPenaltyTerm)
    assert back.name == t.name
    assert repr(back.expression) == repr(t.expression)
    assert repr(back.forall) == repr(t.forall)


def test_problem():
    p = M["problem"]
    back = roundtrip(p)
    assert isinstance(back, fv.Problem)
    assert back.name == p.name and back.sense == fv.ProblemSense.MAXIMIZE
    assert repr(back.objective) == repr(p.objective)
    assert list(back.constraints) == ["", "c10", "c2", "forall"]
    assert {k: str(v) for k, v in back.constraints.items()} == {
        k: str(v) for k, v in p.constraints.items()
    }
    assert list(back.custom_penalty_terms) == list(p.custom_penalty_terms)
    assert back._repr_latex_() == p._repr_latex_()
    # The rebuilt problem is a problem like any other.
    back += fv.Constraint("more", M["y"] <= 3)
    assert "more" in back.constraints


def test_empty_problem_and_minimize():
    back = roundtrip(fv.Problem("empty"))
    assert back.sense == fv.ProblemSense.MINIMIZE
    assert repr(back.objective) == "NumberLit(value=0)"
    assert back.constraints == {} and back.custom_penalty_terms == {}


def test_latex_and_descriptions_are_not_kept():
    N = fv.Placeholder("N", latex=r"\mathcal{N}", description="size")
    i = fv.Element("i", belong_to=(0, N), description="row")
    x = fv.BinaryVar("x", shape=[N], latex="X")
    s = fv.sum(i, x[i])
    s.set_latex("S")
    back = roundtrip(s)
    plain_N = fv.Placeholder("N")
    plain = fv.sum(fv.Element("i", belong_to=(0, plain_N)), fv.BinaryVar("x", shape=[plain_N])[fv.Element("i", belong_to=(0, plain_N))])
    assert repr(back) == repr(plain)
    assert back._repr_latex_() == plain._repr_latex_()


def test_numbers_keep_their_type_and_bits():
    for value in (0, -1, 2**63 - 1, -(2**63), 0.0, -0.0, 1.0, float("inf"), 5e-324):
        back = roundtrip(value)
        assert type(back.value) is type(value)
        assert repr(back.value) == repr(value)
    nan = roundtrip(float("nan")).value
    assert nan != nan


def test_custom_latex_terms_are_written_normalised():
    d = fv.Placeholder("d", latex="D")
    plain_d = fv.Placeholder("d")
    e = fv.Placeholder("e")
    x = fv.IntegerVar("x", lower_bound=0, upper_bound=3)
    s = fv.abs(e) + 2 + d + 3
    assert repr(roundtrip(s)) == repr(fv.abs(e) + plain_d + 5)
    product = d * x ** 2
    assert repr(roundtrip(product)) == repr(plain_d * x ** 2)


def test_shared_subtrees_are_written_once():
    N = M["N"]
    def doubled(levels):
        e = N
        for _ in range(levels):
            u = fv.abs(e)
            e = u + u
        return e

    # 2**60 leaves when printed, two nodes per level in the table, and one
    # shared value per node when read back.
    big = doubled(60)
    data = fv.to_protobuf(big)
    assert len(data) < 2000
    back = fv.from_protobuf(data)
    assert fv.is_same(back, big)
    assert len(fv.to_protobuf(back)) == len(data)
    e = doubled(10)
    assert str(roundtrip(e)) == str(e)


def on_stack(size, fn):
    result = {}

    def run():
        try:
            result["value"] = fn()
        except BaseException as e:  # noqa: BLE001 - handed to the caller
            result["error"] = e

    threading.stack_size(size)
    try:
        worker = threading.Thread(target=run)
        worker.start()
        worker.join()
    finally:
        threading.stack_size(0)
    if "error" in result:
        raise result["error"]
    return result["value"]


def on_big_stack(fn):
    # On a thread with room for thousands of levels whatever the frame sizes
    # of the build (sanitizer builds use several times more stack per level).
    return on_stack(256 * 1024 * 1024, fn)


def test_deep_expression_roundtrips():
    e = M["y"]
    for k in range(2000):
        e = (e + k) * 2 if k % 2 else e ** 2
    assert on_big_stack(lambda: str(roundtrip(e))) == str(e)


@pytest.mark.parametrize(
    "leaf",
    [
        lambda: fv.BinaryVar("x"),
        lambda: fv.IntegerVar("y", lower_bound=0, upper_bound=fv.Placeholder("u") + 1),
    ],
)
@pytest.mark.parametrize("whole_problem", [False, True])
def test_deepest_written_tree_reads_back(leaf, whole_problem):
    # The reader's walk spends a few more levels than the writer's; whatever
    # the writer accepts must still read back.
    def chain(n):
        e = leaf()
        for _ in range(n):
            e = e ** 2
        if not whole_problem:
            return e
        p = fv.Problem("p")
        p += fv.Constraint("c", e <= 1)
        return p

    def deepest_written():
        for n in range(6000, 5900, -1):
            try:
                return fv.to_protobuf(chain(n))
            except RecursionError:
                continue
        raise AssertionError("no chain near the depth limit was written")

    def read_and_write_again():
        data = deepest_written()
        fv.to_protobuf(fv.from_protobuf(data))

    on_big_stack(read_and_write_again)


N0 = fv.Placeholder("N")
X0 = fv.BinaryVar("x")


def abs_chain(n):
    e = N0
    for _ in range(n):
        e = fv.abs(e)
    return e + X0


def and_chain(n):
    c = X0 <= 0
    for k in range(n):
        c = (X0 <= k) & c
    return c


def subscript_chain(n):
    a = fv.Placeholder("a", ndim=1)
    e = N0
    for _ in range(n):
        e = a[e]
    return e + X0


def pow_chain(n):
    e = X0
    for _ in range(n):
        e = e ** 2
    return e


def problem_chain(n):
    p = fv.Problem("p")
    p += fv.Constraint("c", abs_chain(n) <= 1)
    return p


@pytest.mark.parametrize("stack_size", [256 * 1024, 1 << 20])
@pytest.mark.parametrize("make", [abs_chain, and_chain, subscript_chain, pow_chain, problem_chain])
def test_what_is_written_on_a_small_stack_reads_back_there(stack_size, make):
    # The writer stops where the thread's stack runs out; up to there, the
    # reader must read on the same thread whatever the writer wrote.
    def deepen():
        written = 0
        for n in [10, 25, 50, 100, 200, 300, 400, 500, 800, 1200, 1600, 2400, 3200, 4800, 6400]:
            value = make(n)
            try:
                data = fv.to_protobuf(value)
            except RecursionError:
                break
            assert len(fv.to_protobuf(fv.from_protobuf(data))) == len(data)
            written = n
        return written

    assert on_stack(stack_size, deepen) >= 10


@pytest.mark.parametrize(
    "step",
    [lambda e, N: e ** e, lambda e, N: e * N + e, lambda e, N: fv.abs(e) + fv.abs(e)],
    ids=["pow", "mul-add", "abs-add"],
)
def test_shared_values_round_trip_in_linear_time(step):
    # 2**40 nodes as a tree: read in the time of its forty-odd distinct ones.
    N = N0
    e = N + 1
    for _ in range(40):
        e = step(e, N)
    e = e + X0
    data = fv.to_protobuf(e)
    back = fv.from_protobuf(data)
    assert fv.is_same(back, e)
    assert len(fv.to_protobuf(back)) == len(data)


def test_bytes_subclass_is_read():
    class B(bytes):
        pass

    assert repr(fv.from_protobuf(B(fv.to_protobuf(M["y"])))) == repr(M["y"])

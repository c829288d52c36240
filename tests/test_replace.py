"""replace: order of offers, typed offers, discarded and propagated errors."""
import sys

import pytest

import forvela as fv


def identity(n):
    return n


class Recorder:
    """A replacer that records each offer and answers through `answer`."""

    def __init__(self, answer=identity):
        self.offers = []
        self.answer = answer

    def __call__(self, *args, **kwargs):
        assert len(args) == 1 and not kwargs
        self.offers.append(args[0])
        return self.answer(args[0])


def latex(obj):
    return obj._repr_latex_()


def test_leaf_is_replaced():
    ph = fv.Placeholder("ph")
    var = fv.BinaryVar("var")
    r = fv.replace(ph, lambda n: var if isinstance(n, fv.Placeholder) else n)
    assert isinstance(r, fv.BinaryVar) and fv.is_same(r, var)


def test_replaced_node_hides_its_parts_and_order_is_pre_order():
    ph = fv.Placeholder("ph", ndim=2)
    elt = fv.Element("elt", belong_to=ph)
    x = fv.BinaryVar("x", shape=[200, 500])

    def answer(n):
        if isinstance(n, fv.Subscript) and isinstance(n.variable, fv.Placeholder):
            return x[n.subscripts]
        return n

    rec = Recorder(answer)
    r = fv.replace(ph[123, 456] + elt[123], rec)
    assert fv.is_same(r, x[123, 456] + elt[123])
    expected = [ph[123, 456] + elt[123], ph[123, 456], elt[123], elt, fv.NumberLit(123)]
    assert [type(o).__name__ for o in rec.offers] == [type(e).__name__ for e in expected]
    assert all(fv.is_same(o, e) for o, e in zip(rec.offers, expected))


def test_typed_offers_of_array_length_reduction_and_condition():
    a = fv.Placeholder("a", ndim=1)
    p = fv.Placeholder("p")
    i = fv.Element("i", belong_to=a)
    rec = Recorder()
    e = fv.sum((i, i != p), a.len_at(0) + i)
    assert fv.is_same(fv.replace(e, rec), e)
    kinds = [type(o).__name__ for o in rec.offers]
    assert kinds == [
        "SumOp", "Element", "NotEqualOp", "Element", "Placeholder", "AddOp", "ArrayLength", "Placeholder",
        "Element",
    ]


def test_copies_lose_operator_latex_but_leaves_and_unchanged_array_length_keep_theirs():
    p = fv.Placeholder("p", latex="P")
    a = fv.Placeholder("a", ndim=1)
    length = a.len_at(0, latex="L")
    i = fv.Element("i", belong_to=(0, 3))
    inner = fv.abs(p)
    inner.set_latex("A")
    s = fv.sum(i, p)
    s.set_latex("S")
    c = (i != p)
    c.set_latex("C")
    cond_sum = fv.sum((i, c), p)
    for node in (inner, s):
        assert latex(fv.replace(node, identity)) != latex(node)
    (cond,) = fv.extract_nodes(fv.replace(cond_sum, identity), fv.NotEqualOp)
    assert fv.is_same(cond, c) and latex(cond) != latex(c)
    assert latex(fv.replace(p, identity)) == "$$\\displaystyle P$$"
    assert latex(fv.replace(length, identity)) == "$$\\displaystyle L$$"
    assert latex(fv.replace(length + 1, identity)) == "$$\\displaystyle L + 1$$"
    b = fv.Placeholder("b", ndim=1)
    swapped = fv.replace(length, lambda n: b if fv.is_same(n, a) else n)
    assert fv.is_same(swapped, b.len_at(0)) and latex(swapped) != "$$\\displaystyle L$$"


def test_commutative_node_is_reassembled_without_folding():
    x = fv.BinaryVar("x")
    r = fv.replace(x + 1, lambda n: 0 if isinstance(n, fv.BinaryVar) else n)
    assert isinstance(r, fv.AddOp)
    assert [t.value for t in r.terms] == [0, 1]


def test_exception_at_operator_node_is_discarded_but_not_at_leaf():
    p = fv.Placeholder("p")

    def refuse_add(n):
        if isinstance(n, fv.AddOp):
            raise ValueError("no")
        return n

    assert fv.is_same(fv.replace(p + 1, refuse_add), p + 1)

    def refuse_leaf(n):
        if isinstance(n, fv.Placeholder):
            raise ValueError("leaf")
        return n

    with pytest.raises(ValueError, match="^leaf$"):
        fv.replace(p + 1, refuse_leaf)


@pytest.mark.parametrize("exc", [KeyboardInterrupt, SystemExit])
@pytest.mark.parametrize("at", [fv.AddOp, fv.NotEqualOp, fv.Subscript])
def test_base_exceptions_stop_replace_at_once(exc, at):
    i = fv.Element("i", belong_to=(0, 3))
    q = fv.Placeholder("q", ndim=1)
    p = fv.Placeholder("p")
    e = fv.sum((i, i != p), q[i]) + p
    rec = Recorder(lambda n: (_ for _ in ()).throw(exc()) if isinstance(n, at) else n)
    with pytest.raises(exc):
        fv.replace(e, rec)
    assert isinstance(rec.offers[-1], at)


def test_conversion_that_raises_keyboard_interrupt_is_not_discarded():
    class Stubborn:
        def __index__(self):
            raise KeyboardInterrupt

        __float__ = __index__

    p = fv.Placeholder("p")
    with pytest.raises(KeyboardInterrupt):
        fv.replace(p + 1, lambda n: Stubborn() if isinstance(n, fv.AddOp) else n)


def test_none_for_leaf_fails_and_for_operator_rebuilds():
    p = fv.Placeholder("p")
    with pytest.raises(TypeError, match=r"^failed to convert into expression\.$"):
        fv.replace(p + 1, lambda n: None)
    r = fv.replace(fv.abs(p) + 1, lambda n: n if isinstance(n, (fv.Placeholder, fv.NumberLit)) else None)
    assert fv.is_same(r, fv.abs(p) + 1)


@pytest.mark.parametrize(
    "answer, error, message",
    [
        (fv.Placeholder("s"), fv.ModelingError, r"^the scalar `Placeholder \{ name: s \}` is not subscriptable$"),
        (3, TypeError, r"^'int' object cannot be converted to 'Placeholder'$"),
        (fv.Element("e", belong_to=fv.Placeholder("E", ndim=3)), TypeError,
         r"^'Element' object cannot be converted to 'Placeholder'$"),
    ],
    ids=["scalar", "number", "element"],
)
def test_subscripted_variable_must_come_back_subscriptable(answer, error, message):
    ph = fv.Placeholder("ph", ndim=2)
    with pytest.raises(error, match=message):
        fv.replace(ph[1, 2], lambda n: answer if isinstance(n, fv.Placeholder) else n)


def test_subscripted_decision_variable_offer():
    x = fv.BinaryVar("x", shape=[3])
    y = fv.IntegerVar("y", shape=[3], lower_bound=0, upper_bound=5)
    r = fv.replace(x[1], lambda n: y if isinstance(n, fv.BinaryVar) else n)
    assert fv.is_same(r, y[1])
    with pytest.raises(TypeError, match="^failed to convert into decision var$"):
        fv.replace(x[1], lambda n: 1 if isinstance(n, fv.BinaryVar) else n)


@pytest.mark.parametrize(
    "expr, message",
    [
        (lambda p, i: fv.abs(p), "^the operand of the unary op contains a decision variable$"),
        (lambda p, i: fv.sum((i, i != p), i), "^the condition expression contains a decision variable$"),
    ],
    ids=["unary", "condition"],
)
def test_rebuilding_errors_are_raised(expr, message):
    p = fv.Placeholder("p")
    i = fv.Element("i", belong_to=(0, 10))
    y = fv.BinaryVar("y")
    with pytest.raises(fv.ModelingError, match=message):
        fv.replace(expr(p, i), lambda n: y if isinstance(n, fv.Placeholder) else n)


def test_number_and_argument_errors():
    rec = Recorder(lambda n: 5)
    r = fv.replace(1, rec)
    assert r.value == 5 and len(rec.offers) == 1 and rec.offers[0].value == 1
    with pytest.raises(TypeError, match=r"^argument 'expr': failed to convert into expression\.$"):
        fv.replace("s", identity)
    rec = Recorder()
    with pytest.raises(TypeError, match=r"^argument 'replacer': replacer must be callable$"):
        fv.replace(1, 3)


def test_replacer_may_keep_change_and_replace_what_it_gets():
    p, q = fv.Placeholder("p"), fv.Placeholder("q")
    x = fv.BinaryVar("x")
    e = fv.abs(p) * x + q
    e_latex = latex(e)
    kept = []

    def meddle(n):
        kept.append(n)
        n.set_latex("Z")
        e.set_latex("W")
        if isinstance(n, fv.MulOp):
            assert fv.is_same(fv.replace(n, identity), fv.abs(p) * x)
        return n

    r = fv.replace(e, meddle)
    assert fv.is_same(r, fv.abs(p) * x + q)
    assert len(kept) == 6 and all(latex(k) == "$$\\displaystyle Z$$" for k in kept)
    assert latex(e) == "$$\\displaystyle W$$" != e_latex
    e.set_latex(None)
    assert latex(e) == e_latex


# ---- the objects offered and the answers read back ----


def rich_tree():
    """Many nodes of each class, several cells per class (two placeholders, two
    variables, different literals), and shared cells met more than once."""
    w, v = fv.Placeholder("w", ndim=1), fv.Placeholder("v", ndim=1)
    x, y = fv.BinaryVar("x", shape=[9]), fv.IntegerVar("y", shape=[9], lower_bound=0, upper_bound=4)
    p, q = fv.Placeholder("p"), fv.Placeholder("q")
    terms = [w[k] * x[k] + v[k] * y[k] * p + q ** k for k in range(6)]
    return fv.abs(p) + sum(terms[1:], terms[0]) + 2.5


def snapshot(n):
    return type(n).__name__, str(n), latex(n)


@pytest.mark.parametrize("keep_every", [0, 1, 2, 3], ids=["none", "all", "every-2nd", "every-3rd"])
def test_each_offer_holds_its_own_node_whatever_the_replacer_keeps(keep_every):
    e = rich_tree()
    reference = Recorder()
    fv.replace(e, reference)
    expected = [snapshot(n) for n in reference.offers]
    seen, kept = [], {}

    def look(n):
        seen.append(snapshot(n))
        if keep_every and len(seen) % keep_every == 0:
            kept[len(seen) - 1] = n
        return n

    assert fv.is_same(fv.replace(e, look), e)
    assert seen == expected
    # What was kept still holds what it was offered, each a distinct object.
    assert all(snapshot(n) == expected[k] for k, n in kept.items())
    assert len({id(n) for n in kept.values()}) == len(kept)


def test_offered_objects_are_released_after_the_walk():
    e = rich_tree()
    classes = [fv.Placeholder, fv.BinaryVar, fv.IntegerVar, fv.Subscript, fv.MulOp, fv.AddOp, fv.NumberLit]
    before = [sys.getrefcount(c) for c in classes]
    for _ in range(3):
        fv.replace(e, identity)
        fv.replace(e, lambda n: None if isinstance(n, fv.AddOp) else n)
    assert [sys.getrefcount(c) for c in classes] == before


def test_change_made_to_the_offered_object_stands_and_goes_no_further():
    w = fv.Placeholder("w", ndim=1)
    p, q = fv.Placeholder("p"), fv.Placeholder("q")
    x = fv.BinaryVar("x", shape=[3])
    seen = []

    def mark(n):
        seen.append(latex(n))
        if isinstance(n, (fv.Placeholder, fv.BinaryVar)):
            n.set_latex("Z")
        return n

    r = fv.replace(w[1] * x[2] + p + q, mark)
    # No offer shows the mark made on an earlier object of its class.
    assert not any("Z" in s for s in seen)
    mul, rp, rq = r.terms
    assert [latex(t) for t in (rp, rq)] == ["$$\\displaystyle Z$$"] * 2
    assert [latex(s.variable) for s in mul.terms] == ["$$\\displaystyle Z$$"] * 2
    assert fv.is_same(r, w[1] * x[2] + p + q)


@pytest.mark.parametrize("at", [0, 1, 3, 4])
def test_one_changed_term_keeps_the_others_in_place(at):
    ps = [fv.Placeholder(f"p{k}") for k in range(5)]
    e = sum(ps[1:], ps[0])
    target = ps[at]
    r = fv.replace(e, lambda n: 7 if fv.is_same(n, target) else n)
    want = [7 if k == at else ps[k] for k in range(5)]
    assert len(r.terms) == 5 and all(fv.is_same(t, u) for t, u in zip(r.terms, want))


@pytest.mark.parametrize("at", [0, 1, 2])
def test_one_changed_subscript_keeps_the_others_in_place(at):
    ph = fv.Placeholder("ph", ndim=3)
    r = fv.replace(ph[10, 11, 12], lambda n: 99 if isinstance(n, fv.NumberLit) and n.value == 10 + at else n)
    want = [99 if k == at else 10 + k for k in range(3)]
    assert fv.is_same(r, ph[tuple(want)])


def test_sum_extended_from_the_tree_while_its_terms_are_walked():
    # Extending a sum appends to the term buffer it shares with the sum
    # being walked, which moves the items the walk is reading.
    z = fv.Placeholder("z")
    ps = [fv.Placeholder(f"p{k}") for k in range(40)]
    e = 0
    for p in ps:
        e = e + p
    grown = []

    def extend(n):
        if isinstance(n, fv.AddOp) and not grown:
            grown.append(n)
        elif grown:
            for _ in range(50):
                grown[-1] = grown[-1] + z
        return n

    r = fv.replace(e, extend)
    assert fv.is_same(r, e) and len(r.terms) == 40
    assert len(grown[-1].terms) == 40 + 50 * 40

import math

import pytest

import forvela as fv


@pytest.fixture
def N():
    return fv.Placeholder("N")


@pytest.fixture
def a():
    return fv.Placeholder("a", ndim=2)


class TestBelongTo:
    @pytest.mark.parametrize(
        "belong_to, text",
        [
            (10, "(NumberLit(value=0), NumberLit(value=10))"),
            ((0, 10), "(NumberLit(value=0), NumberLit(value=10))"),
            (True, "(NumberLit(value=0), NumberLit(value=1))"),
            (2.5, "(NumberLit(value=0), NumberLit(value=2.5))"),
            ((-3, 0.5), "(NumberLit(value=-3), NumberLit(value=0.5))"),
            ((0, math.nan), "(NumberLit(value=0), NumberLit(value=NaN))"),
            ((math.nan, 0), "(NumberLit(value=NaN), NumberLit(value=0))"),
            (fv.NumberLit(3), "(NumberLit(value=0), NumberLit(value=3))"),
            (2**63, "(NumberLit(value=0), NumberLit(value=9223372036854776000))"),
        ],
    )
    def test_range_sets(self, belong_to, text):
        i = fv.Element("i", belong_to=belong_to)
        assert i.ndim == 0
        assert isinstance(i.belong_to, fv.Range)
        assert repr(i) == f"Element(name='i', belong_to={text})"

    def test_range_with_placeholder_ends_is_not_compared(self, N):
        assert repr(fv.Element("i", belong_to=N).belong_to) == "(NumberLit(value=0), Placeholder(name='N', ndim=0))"
        assert str(fv.Element("i", belong_to=(1, N)).belong_to) == "[1..N)"
        assert str(fv.Element("i", belong_to=(5, N)).belong_to) == "[5..N)"
        assert str(fv.Element("i", belong_to=(N, N)).belong_to) == "[N..N)"

    def test_array_length_and_array_sets(self):
        b = fv.Placeholder("b", ndim=1)
        by_length = fv.Element("i", belong_to=b.len_at(0))
        assert str(by_length.belong_to) == "[0..len(b, 0))"
        by_array = fv.Element("e", belong_to=b)
        assert by_array.ndim == 0
        assert isinstance(by_array.belong_to, fv.Placeholder)

    @pytest.mark.parametrize(
        "belong_to, error, message",
        [
            (0, ValueError, "`Range.start` (= 0) is equal to `Range.end` (= 0)"),
            (-1, ValueError, "`Range.start` (= 0) is larger than `Range.end` (= -1)"),
            ((5, 2), ValueError, "`Range.start` (= 5) is larger than `Range.end` (= 2)"),
            ((1, 1.0), ValueError, "`Range.start` (= 1) is equal to `Range.end` (= 1)"),
            ((2.0, 1), ValueError, "`Range.start` (= 2) is larger than `Range.end` (= 1)"),
            (0.0, ValueError, "`Range.start` (= 0) is equal to `Range.end` (= 0)"),
            ([0, 10], TypeError, "failed to convert into a set"),
            ((0, 10, 2), TypeError, "failed to convert into a set"),
            ((0,), TypeError, "failed to convert into a set"),
            ("N", TypeError, "failed to convert into a set"),
            (None, TypeError, "failed to convert into a set"),
            ((0, "x"), TypeError, "failed to convert into a set"),
        ],
    )
    def test_refused_sets(self, belong_to, error, message):
        with pytest.raises(error) as info:
            fv.Element("i", belong_to=belong_to)
        assert str(info.value) == message

    def test_decision_variables_in_range_ends(self):
        x = fv.BinaryVar("x")
        y = fv.BinaryVar("y")
        cases = [
            (x, "the upper bound contains a decision variable"),
            ((0, x), "the upper bound contains a decision variable"),
            ((x, 5), "the lower bound contains a decision variable"),
            ((x, y), "the lower bound contains a decision variable"),
        ]
        for belong_to, message in cases:
            with pytest.raises(fv.ModelingError) as info:
                fv.Element("i", belong_to=belong_to)
            assert str(info.value) == message

    def test_one_dimensional_object_inside_a_pair_is_refused(self):
        with pytest.raises(TypeError, match="^failed to convert into a set$"):
            fv.Element("i", belong_to=(0, fv.Placeholder("a", ndim=1)))

    def test_range_object_is_not_a_set(self):
        r = fv.Element("i", belong_to=3).belong_to
        with pytest.raises(TypeError, match="^failed to convert into a set$"):
            fv.Element("j", belong_to=r)

    def test_arguments_are_read_before_the_set(self):
        with pytest.raises(TypeError, match="^argument 'name': "):
            fv.Element(1, belong_to="x")
        with pytest.raises(TypeError, match="^argument 'latex': "):
            fv.Element("i", belong_to="x", latex=1)
        with pytest.raises(TypeError, match="missing 1 required keyword-only argument: 'belong_to'"):
            fv.Element("i")
        with pytest.raises(TypeError, match="takes 1 positional argument"):
            fv.Element("i", 10)


class TestNestedSets:
    def test_dimensionality_follows_the_set(self, a):
        e = fv.Element("e", belong_to=a)
        assert e.ndim == 1 and isinstance(e.belong_to, fv.Placeholder)
        f = fv.Element("f", belong_to=e)
        assert f.ndim == 0 and isinstance(f.belong_to, fv.Element)
        assert repr(f.belong_to) == repr(e)
        g = fv.Element("g", belong_to=f)
        assert g.ndim == 0
        assert repr(g) == "Element(name='g', belong_to=(NumberLit(value=0), " + repr(f) + "))"

    def test_subscript_set(self, a):
        i = fv.Element("i", belong_to=10)
        j = fv.Element("j", belong_to=a[i], latex="J", description="d")
        assert j.ndim == 0
        assert isinstance(j.belong_to, fv.Subscript)
        assert repr(j) == (
            "Element(name='j', belong_to=Placeholder(name='a', ndim=2)"
            "[Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)))]"
            ", latex='J', description='d')"
        )
        assert str(j) == "j"
        k = fv.Element("k", belong_to=fv.Placeholder("b", ndim=3)[0])
        assert repr(k[1]) == (
            "Element(name='k', belong_to=Placeholder(name='b', ndim=3)[NumberLit(value=0)])[NumberLit(value=1)]"
        )

    def test_set_is_a_copy(self, a):
        e = fv.Element("e", belong_to=a)
        a.set_latex("A")
        assert repr(e.belong_to) == "Placeholder(name='a', ndim=2)"
        assert e.belong_to is not e.belong_to

    def test_huge_dimensional_set_shape_fails_cleanly(self):
        e = fv.Element("e", belong_to=fv.Placeholder("a", ndim=2**62 + 1))
        assert e.ndim == 2**62
        with pytest.raises(MemoryError):
            e.shape


class TestRange:
    def test_getters_and_text(self, N):
        r = fv.Element("i", belong_to=(1, N)).belong_to
        assert isinstance(r.start, fv.NumberLit) and r.start.value == 1
        assert isinstance(r.end, fv.Placeholder) and r.end.name == "N"
        assert str(r) == "[1..N)"
        assert repr(r) == "(NumberLit(value=1), Placeholder(name='N', ndim=0))"

    def test_ends_print_through_the_generic_entries(self):
        K = fv.Placeholder("K", latex="\\kappa")
        r = fv.Element("i", belong_to=(0, K)).belong_to
        assert str(r) == "[0..\\kappa)"

    def test_identity_comparison_and_hash(self):
        i = fv.Element("i", belong_to=3)
        r1, r2 = i.belong_to, i.belong_to
        assert r1 is not r2
        assert not (r1 == r2)
        assert r1 == r1
        hash(r1)

    def test_no_constructor_and_no_latex(self):
        with pytest.raises(TypeError, match="^No constructor defined$"):
            fv.Range()
        r = fv.Element("i", belong_to=3).belong_to
        assert not hasattr(r, "set_latex") and not hasattr(r, "_repr_latex_")


class TestElementObject:
    def test_getters(self):
        i = fv.Element("i", belong_to=10, description="index")
        assert (i.name, i.ndim, i.description) == ("i", 0, "index")
        assert fv.Element("", belong_to=1).description is None
        assert not hasattr(i, "latex")

    def test_text_forms(self):
        i = fv.Element("i", belong_to=(0, 10), latex="x_e", description="d")
        assert str(i) == "i"
        assert repr(i) == "Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)), latex='x_e', description='d')"
        assert i._repr_latex_() == "$$\\displaystyle x_e$$"
        i.set_latex(None)
        assert i._repr_latex_() == "$$\\displaystyle i$$"
        with pytest.raises(TypeError, match="^argument 'latex': "):
            i.set_latex(3)

    def test_shape_and_len_at(self, a):
        e = fv.Element("e", belong_to=a)
        assert len(e.shape) == 1 and e.shape[0].axis == 0
        assert str(e.len_at(0)) == "len(e, 0)"
        assert repr(e.len_at(0).array) == repr(e)
        i = fv.Element("i", belong_to=3)
        assert i.shape == ()
        with pytest.raises(fv.ModelingError, match="^the element i is a scalar$"):
            i.len_at(0)
        with pytest.raises(fv.ModelingError, match="^axis 1 is out of bounds for the axis of the array e$"):
            e.len_at(1)

    def test_text_signature(self):
        assert fv.Element.__text_signature__ == "(name, *, belong_to, latex=None, description=None)"
        assert fv.Element.__doc__.startswith("A class for creating an element")

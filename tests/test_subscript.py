import pytest

import forvela as fv


@pytest.fixture
def a():
    return fv.Placeholder("a", ndim=2)


@pytest.fixture
def N():
    return fv.Placeholder("N")


@pytest.fixture
def i():
    return fv.Element("i", belong_to=10)


@pytest.fixture
def j():
    return fv.Element("j", belong_to=10)


@pytest.fixture
def y():
    return fv.BinaryVar("y")


class TestIndexForms:
    def test_single_and_tuple_subscripts(self, a, i, j):
        s = a[i]
        assert isinstance(s, fv.Subscript)
        assert s.ndim == 1
        assert isinstance(s.variable, fv.Placeholder) and s.variable.name == "a"
        assert [str(t) for t in s.subscripts] == ["i"]
        assert a[i, j].ndim == 0
        assert str(a[i, j]) == "a[i, j]"

    def test_sequence_forms_equal_the_plain_ones(self, a, i, j):
        assert repr(a[(i,)]) == repr(a[i]) == repr(a[[i]])
        assert repr(a[[i, j]]) == repr(a[i, j])

    def test_subscript_of_subscript_is_flattened(self, a, i, j):
        s = a[i][j]
        assert repr(s) == repr(a[i, j])
        assert isinstance(s.variable, fv.Placeholder)
        assert [str(t) for t in s.subscripts] == ["i", "j"]

    def test_subscripts_are_not_compared_with_lengths(self, a):
        s = a[-1, 2.5]
        assert str(s) == "a[-1, 2.5]"
        assert repr(s) == "Placeholder(name='a', ndim=2)[NumberLit(value=-1), NumberLit(value=2.5)]"

    def test_expression_subscripts(self, a, i, N):
        assert str(a[i + 1, N]) == "a[i + 1, N]"

    def test_integer_item_access_matches_getitem(self, a):
        import operator

        assert repr(operator.getitem(a, 3)) == "Placeholder(name='a', ndim=2)[NumberLit(value=3)]"


class TestIndexErrors:
    @pytest.mark.parametrize(
        "index, error, message",
        [
            ("s", TypeError, "Can't extract `str` to `Vec`"),
            (None, TypeError, "'NoneType' object cannot be converted to 'Sequence'"),
            (slice(0, 2), TypeError, "'slice' object cannot be converted to 'Sequence'"),
            ({1: 2}, TypeError, "'dict' object cannot be converted to 'Sequence'"),
            ((), fv.ModelingError, "the number of subscripts is zero"),
            ([], fv.ModelingError, "the number of subscripts is zero"),
            ((0, "s"), TypeError, "failed to convert into expression."),
            (fv.Placeholder("b", ndim=1), TypeError, "failed to convert into expression."),
            ((0, 1, 2), IndexError,
             "ModelingError: the number of subscripts (= 3) is greater than the dimensionality of the variable `a` (= 2)"),
        ],
    )
    def test_bad_index(self, a, index, error, message):
        with pytest.raises(error) as info:
            a[index]
        assert type(info.value) is error
        assert str(info.value) == message

    def test_decision_variable_subscripts(self, a, i, y):
        for index in [y, (i, y), y + 1]:
            with pytest.raises(fv.ModelingError, match="^a subscript contains a decision variable$"):
                a[index]
        bb = fv.BinaryVar("bb", shape=[3])
        with pytest.raises(fv.ModelingError, match="^a subscript contains a decision variable$"):
            a[i, bb[0], 0]

    def test_too_many_subscripts_on_a_subscript_names_it(self, a, i, j):
        with pytest.raises(IndexError) as info:
            a[i][j, 0]
        assert str(info.value) == (
            "ModelingError: the number of subscripts (= 2) is greater than the dimensionality "
            "of the variable `a[i]` (= 1)"
        )

    @pytest.mark.parametrize("index", [0, "s", None])
    def test_scalar_receiver_is_refused_before_the_index(self, N, index):
        with pytest.raises(TypeError) as info:
            N[index]
        assert str(info.value) == "ModelingError: the scalar `Placeholder { name: N }` is not subscriptable"

    def test_scalar_receivers_of_each_class(self, a, i, j):
        cases = [
            (i, "ModelingError: the scalar `Element { name: i }` is not subscriptable"),
            (a[i, j], "ModelingError: the scalar `a[i, j]` is not subscriptable"),
            (fv.BinaryVar("x"), "ModelingError: the scalar `BinaryVar { name: x }` is not subscriptable"),
            (fv.SemiContinuousVar("z", lower_bound=0, upper_bound=1),
             "ModelingError: the scalar `SemiContinuousVar { name: z }` is not subscriptable"),
        ]
        for obj, message in cases:
            with pytest.raises(TypeError) as info:
                obj[0]
            assert str(info.value) == message

    def test_message_text_uses_generic_str_entries(self, N):
        x = fv.Placeholder("x", ndim=1)
        with pytest.raises(TypeError) as info:
            x[N**2][0]
        assert str(info.value) == "ModelingError: the scalar `x[(N ** 2)]` is not subscriptable"
        assert str(x[N**2]) == "x[N ** 2]"


class TestSubscriptObject:
    def test_text_forms(self, a, i, j):
        s = a[i, j]
        assert str(s) == "a[i, j]"
        assert s._repr_latex_() == "$$\\displaystyle a_{i, j}$$"
        e = fv.Element("e", belong_to=a)
        assert repr(e[123]) == "Element(name='e', belong_to=Placeholder(name='a', ndim=2))[NumberLit(value=123)]"

    def test_custom_latex_of_variable_and_subscripts(self, i):
        a = fv.Placeholder("a", ndim=1, latex="A")
        i.set_latex("\\iota")
        s = a[i]
        assert s._repr_latex_() == "$$\\displaystyle a_{\\iota}$$"
        assert str(s) == "a[\\iota]"

    def test_no_constructor_and_no_set_latex(self, a, i):
        with pytest.raises(TypeError, match="^No constructor defined$"):
            fv.Subscript()
        assert not hasattr(a[i], "set_latex")
        assert not hasattr(a[i], "description")

    def test_shape_of_placeholder_subscript(self, a, i, j):
        shape = a[i].shape
        assert len(shape) == 1 and isinstance(shape[0], fv.ArrayLength)
        assert str(shape[0]) == "len(a[i], 0)"
        assert a[i, j].shape == ()

    def test_shape_of_decision_variable_subscript(self, N, i, j):
        x = fv.BinaryVar("x", shape=(N, 3))
        shape = x[i].shape
        assert len(shape) == 1 and isinstance(shape[0], fv.NumberLit) and shape[0].value == 3
        x = fv.BinaryVar("x", shape=(N, N))
        assert isinstance(x[i].shape[0], fv.Placeholder)
        assert x[i, j].shape == ()

    def test_len_at(self, a, i, j, N):
        n = a[i].len_at(0, latex="n", description="cols")
        assert repr(n) == (
            "ArrayLength(array=Placeholder(name='a', ndim=2)"
            "[Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)))], axis=0, latex='n', description='cols')"
        )
        assert str(a[i].len_at(0)) == "len(a[i], 0)"
        cases = [
            (lambda: a[i].len_at(1), "axis 1 is out of bounds for the axis of the array a[i]"),
            (lambda: a[i, j].len_at(0), "Can't get length of a scalar"),
            (lambda: fv.BinaryVar("x", shape=(N, N))[i].len_at(0), "the subscripted variable x[i] is a decision variable"),
            (lambda: fv.BinaryVar("x", shape=(N, N))[i, j].len_at(0), "Can't get length of a scalar"),
        ]
        for call, message in cases:
            with pytest.raises(fv.ModelingError) as info:
                call()
            assert str(info.value) == message

    def test_variable_getter_of_each_kind(self, i):
        x = fv.IntegerVar("x", shape=[3], lower_bound=0, upper_bound=5)
        assert type(x[i].variable) is fv.IntegerVar
        assert repr(x[i].variable) == repr(x)
        e = fv.Element("e", belong_to=fv.Placeholder("a", ndim=2))
        assert type(e[0].variable) is fv.Element

    def test_getters_return_copies(self, a, i):
        s = a[i]
        s.subscripts[0].set_latex("changed")
        assert str(s) == "a[i]"
        assert s.variable is not s.variable

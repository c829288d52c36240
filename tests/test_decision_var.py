import pytest

import forvela as fv

BOUNDED = [fv.IntegerVar, fv.ContinuousVar, fv.SemiIntegerVar, fv.SemiContinuousVar]
ALL = [fv.BinaryVar, *BOUNDED]


def make(cls, name="x", **kwargs):
    if cls is not fv.BinaryVar:
        kwargs.setdefault("lower_bound", 0)
        kwargs.setdefault("upper_bound", 1)
    return cls(name, **kwargs)


@pytest.fixture
def N():
    return fv.Placeholder("N")


class TestConstructor:
    @pytest.mark.parametrize("cls", ALL)
    def test_scalar_defaults(self, cls):
        x = make(cls)
        assert (x.name, x.ndim, x.shape, x.description) == ("x", 0, (), "")
        assert str(x) == "x"
        assert x._repr_latex_() == "$$\\displaystyle x$$"

    @pytest.mark.parametrize("cls", ALL)
    def test_shape_entries(self, cls, N):
        x = make(cls, shape=[2, N])
        assert x.ndim == 2
        assert isinstance(x.shape[0], fv.NumberLit) and x.shape[0].value == 2
        assert isinstance(x.shape[1], fv.Placeholder) and x.shape[1].name == "N"

    @pytest.mark.parametrize("cls", ALL)
    def test_symbolic_and_integral_shape_entries_are_accepted(self, cls, N):
        A = fv.Placeholder("A", ndim=2)
        i = fv.Element("i", belong_to=N)
        shape = (0, 2, 2.0, -0.0, True, 2**63 - 1, N, A.len_at(1), A[0, 1], N * 2 - 1, fv.sum(i, A[i, 0]))
        x = make(cls, shape=shape)
        assert x.ndim == len(shape)
        assert [type(s) for s in x.shape[:3]] == [fv.NumberLit] * 3
        assert make(cls, shape=range(3)).ndim == 3

    @pytest.mark.parametrize("cls", ALL)
    @pytest.mark.parametrize(
        "entry, error, message",
        [
            (-3, ValueError, "must be a non-negative integer, but is -3"),
            (-(2**63), ValueError, "must be a non-negative integer, but is -9223372036854775808"),
            (2.5, ValueError, "must be a non-negative integer, but is 2.5"),
            (-2.0, ValueError, "must be a non-negative integer, but is -2"),
            (float("nan"), ValueError, "must be a non-negative integer, but is NaN"),
            (float("inf"), ValueError, "must be a non-negative integer, but is inf"),
            (lambda: fv.NumberLit(2) - 5, ValueError, "must be a non-negative integer, but is -3"),
            (lambda: fv.BinaryVar("cash"), fv.ModelingError, "contains the decision variable cash"),
            (lambda: fv.Placeholder("N") + fv.BinaryVar("cash"), fv.ModelingError,
             "contains the decision variable cash"),
            (lambda: fv.BinaryVar("cash") ** 2, fv.ModelingError, "contains the decision variable cash"),
            (lambda: fv.BinaryVar("cash", shape=[3])[0], fv.ModelingError, "contains the decision variable cash"),
            (lambda: fv.BinaryVar("cash", shape=[3, 3])[0][1], fv.ModelingError,
             "contains the decision variable cash"),
            (lambda: fv.sum(fv.Element("i", belong_to=3), fv.BinaryVar("cash", shape=[3])[fv.Element("i", belong_to=3)]),
             fv.ModelingError, "contains the decision variable cash"),
        ],
    )
    def test_shape_entries_that_cannot_be_a_size_are_refused(self, cls, N, entry, error, message):
        entry = entry() if callable(entry) else entry
        with pytest.raises(error) as info:
            make(cls, shape=[N, 2, entry, -1])
        # the first bad entry is named, with its axis and the variable
        assert str(info.value) == f"the size of axis 2 of the {cls.__name__} {{ name: x }} " + message

    @pytest.mark.parametrize(
        "shape, message",
        [
            ("ab", "argument 'shape': Can't extract `str` to `Vec`"),
            (3, "argument 'shape': 'int' object cannot be converted to 'Sequence'"),
            ({2}, "argument 'shape': 'set' object cannot be converted to 'Sequence'"),
            ([2, "a"], "argument 'shape': failed to convert into expression."),
            ([fv.Placeholder("a", ndim=1)], "argument 'shape': failed to convert into expression."),
            (fv.Placeholder("N"), "argument 'shape': ModelingError: the scalar `Placeholder { name: N }` is not subscriptable"),
            (fv.Placeholder("a", ndim=2), "argument 'shape': failed to convert into expression."),
            (fv.BinaryVar("b", shape=[2, 2]), "argument 'shape': failed to convert into expression."),
        ],
    )
    def test_bad_shape(self, shape, message):
        with pytest.raises(TypeError) as info:
            fv.BinaryVar("x", shape=shape)
        assert str(info.value) == message
        assert isinstance(info.value.__cause__, TypeError)

    @pytest.mark.parametrize(
        "shape",
        [
            fv.Placeholder("a", ndim=1),
            fv.BinaryVar("b", shape=[2]),
            fv.Element("e", belong_to=fv.Placeholder("a", ndim=2)),
            fv.Placeholder("a", ndim=2)[0],
        ],
    )
    def test_one_dimensional_operand_as_shape_is_refused(self, shape):
        with pytest.raises(TypeError) as info:
            fv.IntegerVar("x", shape=shape, lower_bound=0, upper_bound=1)
        assert str(info.value) == f"argument 'shape': '{type(shape).__name__}' object is not iterable"

    def test_argument_errors(self):
        with pytest.raises(TypeError, match=r"missing 2 required keyword-only arguments: 'lower_bound' and 'upper_bound'"):
            fv.IntegerVar("y")
        with pytest.raises(TypeError, match=r"BinaryVar.__new__\(\) got an unexpected keyword argument 'lower_bound'"):
            fv.BinaryVar("x", lower_bound=0)
        with pytest.raises(TypeError, match="^argument 'name': "):
            fv.ContinuousVar(1, lower_bound=0, upper_bound=1)
        with pytest.raises(TypeError, match="^argument 'description': "):
            fv.BinaryVar("x", description=1)

    def test_arguments_are_read_before_bounds_are_checked(self):
        P = fv.Placeholder("P", ndim=1)
        with pytest.raises(TypeError, match="^argument 'latex': "):
            fv.IntegerVar("y", lower_bound=P, upper_bound=1, latex=5)
        with pytest.raises(TypeError, match="^argument 'shape': "):
            fv.IntegerVar("y", shape="s", lower_bound=None, upper_bound=1)

    @pytest.mark.parametrize(
        "cls", ALL
    )
    def test_text_signature_and_doc(self, cls):
        if cls is fv.BinaryVar:
            assert cls.__text_signature__ == "(name, *, shape=None, latex=None, description=None)"
        else:
            assert cls.__text_signature__ == (
                "(name, *, shape=None, lower_bound, upper_bound, latex=None, description=None)"
            )
        assert cls.__doc__.startswith("A class for creating a")


class TestBounds:
    def test_expression_bounds(self, N):
        z = fv.ContinuousVar("z", lower_bound=-1, upper_bound=1)
        assert isinstance(z.lower_bound, fv.NumberLit) and z.lower_bound.value == -1
        assert z.upper_bound.value == 1
        y = fv.IntegerVar("y", lower_bound=N, upper_bound=N + 1)
        assert isinstance(y.lower_bound, fv.Placeholder)
        assert isinstance(y.upper_bound, fv.AddOp)

    def test_array_bounds(self, N):
        U = fv.Placeholder("U", ndim=1)
        y = fv.IntegerVar("y", shape=[N], lower_bound=0, upper_bound=U)
        assert isinstance(y.upper_bound, fv.Placeholder)
        assert repr(y.upper_bound) == repr(U)
        a = fv.Placeholder("a", ndim=2)
        i = fv.Element("i", belong_to=N)
        w = fv.ContinuousVar("w", shape=[N], lower_bound=a[i], upper_bound=a[i, i])
        assert isinstance(w.lower_bound, fv.Subscript) and w.lower_bound.ndim == 1
        assert isinstance(w.upper_bound, fv.Subscript) and w.upper_bound.ndim == 0

    def test_decision_variable_bounds_are_accepted(self):
        b = fv.BinaryVar("b")
        x = fv.IntegerVar("x", lower_bound=b, upper_bound=5)
        assert isinstance(x.lower_bound, fv.BinaryVar)

    @pytest.mark.parametrize(
        "bound",
        [None, "s", fv.BinaryVar("bb", shape=[2]), fv.Element("e", belong_to=fv.Placeholder("a", ndim=2)),
         fv.BinaryVar("bb", shape=[2, 2])[0], fv.Element("f", belong_to=fv.Placeholder("a", ndim=3))[0]],
    )
    def test_refused_bounds(self, bound):
        with pytest.raises(fv.ModelingError) as info:
            fv.IntegerVar("x", shape=[2], lower_bound=bound, upper_bound=1)
        assert str(info.value) == "the input object is not used as the bound of a decision variable"

    @pytest.mark.parametrize(
        "cls, noun_lower, noun_upper",
        [
            (fv.IntegerVar, "an integer variable", "an integer variable"),
            (fv.ContinuousVar, "a continuous variable", "a continuous variable"),
            (fv.SemiIntegerVar, "a semi-integer variable", "a semi-integer integer variable"),
            (fv.SemiContinuousVar, "a semi-continuous variable", "a semi-continuous variable"),
        ],
    )
    def test_bound_dimension_messages(self, cls, noun_lower, noun_upper):
        P = fv.Placeholder("P", ndim=2)
        with pytest.raises(fv.ModelingError) as info:
            cls("x", shape=[3], lower_bound=P, upper_bound=P)
        assert str(info.value) == (
            f"the number of dimensions of a lower bound (= 2) must be equal to zero or the number of {noun_lower} (= 1)"
        )
        with pytest.raises(fv.ModelingError) as info:
            cls("x", shape=[3], lower_bound=0, upper_bound=P)
        assert str(info.value) == (
            f"the number of dimensions of a upper bound (= 2) must be equal to zero or the number of {noun_upper} (= 1)"
        )

    def test_binary_var_has_no_bound_attributes(self):
        assert not hasattr(fv.BinaryVar("x"), "lower_bound")
        assert not hasattr(fv.BinaryVar("x"), "upper_bound")


class TestTextForms:
    def test_repr(self, N):
        x = fv.ContinuousVar("x", shape=[124], lower_bound=0, upper_bound=2)
        assert repr(x) == (
            "ContinuousVar(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), "
            "upper_bound=NumberLit(value=2))"
        )
        assert repr(x[123]) == repr(x) + "[NumberLit(value=123)]"
        assert repr(fv.BinaryVar("x")) == "BinaryVar(name='x', shape=[])"
        assert repr(fv.BinaryVar("x", shape=[124])[123]) == "BinaryVar(name='x', shape=[NumberLit(value=124)])[NumberLit(value=123)]"
        s = fv.SemiIntegerVar("s", lower_bound=N, upper_bound=fv.Placeholder("U", ndim=0), latex="S", description="it's")
        assert repr(s) == (
            "SemiIntegerVar(name='s', shape=[], lower_bound=Placeholder(name='N', ndim=0), "
            "upper_bound=Placeholder(name='U', ndim=0), latex='S', description='it's')"
        )

    def test_array_bounds_print_their_repr(self, N):
        a = fv.Placeholder("a", ndim=2)
        i = fv.Element("i", belong_to=3)
        x = fv.IntegerVar("x", shape=[N], lower_bound=a[i], upper_bound=fv.Placeholder("U", ndim=1, latex="u"))
        assert repr(x) == (
            "IntegerVar(name='x', shape=[Placeholder(name='N', ndim=0)], "
            "lower_bound=Placeholder(name='a', ndim=2)[Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=3)))], "
            "upper_bound=Placeholder(name='U', ndim=1, latex='u'))"
        )

    @pytest.mark.parametrize("cls", ALL)
    def test_set_latex(self, cls):
        x = make(cls)
        x.set_latex("x_1")
        assert x._repr_latex_() == "$$\\displaystyle x_1$$"
        with pytest.raises(TypeError, match="^argument 'latex': "):
            x.set_latex(3)
        assert x._repr_latex_() == "$$\\displaystyle x_1$$"
        x.set_latex("")
        assert x._repr_latex_() == "$$\\displaystyle $$"
        x.set_latex()
        assert x._repr_latex_() == "$$\\displaystyle x$$"
        assert str(x) == "x"

    def test_later_set_latex_does_not_reach_earlier_copies(self):
        x = fv.BinaryVar("x", shape=[2], latex="X")
        s = x[0]
        x.set_latex("Y")
        assert repr(s.variable) == "BinaryVar(name='x', shape=[NumberLit(value=2)], latex='X')"

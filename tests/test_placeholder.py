import pytest

import forvela as fv


class TestConstructor:
    @pytest.mark.parametrize(
        "kwargs, ndim",
        [({}, 0), ({"ndim": 3}, 3), ({"ndim": True}, 1), ({"ndim": 2**64 - 1}, 2**64 - 1)],
    )
    def test_ndim(self, kwargs, ndim):
        assert fv.Placeholder("a", **kwargs).ndim == ndim

    def test_name_is_taken_as_given(self):
        assert fv.Placeholder("").name == ""
        assert fv.Placeholder("α_1 'x'").name == "α_1 'x'"

    def test_ndim_through_index_protocol(self):
        np = pytest.importorskip("numpy")
        assert fv.Placeholder("a", ndim=np.int64(2)).ndim == 2

    @pytest.mark.parametrize(
        "kwargs, error, message",
        [
            ({"ndim": 1.0}, TypeError, "argument 'ndim': 'float' object cannot be interpreted as an integer"),
            ({"ndim": None}, TypeError, "argument 'ndim': 'NoneType' object cannot be interpreted as an integer"),
            ({"latex": 1}, TypeError, "argument 'latex': "),
            ({"description": b"d"}, TypeError, "argument 'description': "),
        ],
    )
    def test_argument_type_errors(self, kwargs, error, message):
        with pytest.raises(error) as info:
            fv.Placeholder("a", **kwargs)
        assert str(info.value).startswith(message)

    @pytest.mark.parametrize("ndim", [-1, 2**64])
    def test_ndim_out_of_range_is_overflow_without_prefix(self, ndim):
        with pytest.raises(OverflowError) as info:
            fv.Placeholder("a", ndim=ndim)
        assert "argument" not in str(info.value)

    def test_name_must_be_str(self):
        with pytest.raises(TypeError, match="^argument 'name': "):
            fv.Placeholder(1)

    def test_ndim_is_keyword_only(self):
        with pytest.raises(TypeError, match=r"Placeholder.__new__\(\) takes 1 positional argument but 2 were given"):
            fv.Placeholder("a", 2)

    def test_text_signature(self):
        assert fv.Placeholder.__text_signature__ == "(name, *, ndim=0, latex=None, description=None)"
        assert fv.Placeholder.__doc__.startswith("A class for creating a placeholder")


class TestTextForms:
    def test_repr_with_and_without_optional_fields(self):
        assert repr(fv.Placeholder("a")) == "Placeholder(name='a', ndim=0)"
        p = fv.Placeholder("a", ndim=2, latex="A", description="d")
        assert repr(p) == "Placeholder(name='a', ndim=2, latex='A', description='d')"
        assert str(p) == "a"

    def test_repr_does_not_escape(self):
        p = fv.Placeholder("it's", description="a 'b'")
        assert repr(p) == "Placeholder(name='it's', ndim=0, description='a 'b'')"

    def test_repr_latex_and_set_latex(self):
        p = fv.Placeholder("a", ndim=2, latex="A")
        assert p._repr_latex_() == "$$\\displaystyle A$$"
        p.set_latex()
        assert p._repr_latex_() == "$$\\displaystyle a$$"
        p.set_latex("")
        assert p._repr_latex_() == "$$\\displaystyle $$"
        assert repr(p) == "Placeholder(name='a', ndim=2, latex='')"
        p.set_latex(latex="B")
        assert p._repr_latex_() == "$$\\displaystyle B$$"

    def test_set_latex_refuses_non_str_and_keeps_text(self):
        p = fv.Placeholder("a", latex="A")
        with pytest.raises(TypeError, match="^argument 'latex': "):
            p.set_latex(5)
        assert p._repr_latex_() == "$$\\displaystyle A$$"

    def test_description_getter(self):
        assert fv.Placeholder("a").description is None
        assert fv.Placeholder("a", description="size").description == "size"
        assert not hasattr(fv.Placeholder("a"), "latex")


class TestShapeAndLenAt:
    def test_shape(self):
        a = fv.Placeholder("a", ndim=2)
        shape = a.shape
        assert isinstance(shape, tuple) and len(shape) == 2
        assert [s.axis for s in shape] == [0, 1]
        assert [str(s) for s in shape] == ["len(a, 0)", "len(a, 1)"]
        assert all(s.description is None for s in shape)
        assert repr(shape[0].array) == "Placeholder(name='a', ndim=2)"
        assert fv.Placeholder("b").shape == ()

    def test_len_at(self):
        a = fv.Placeholder("a", ndim=1)
        n = a.len_at(0, latex="N", description="size")
        assert n.axis == 0 and n.description == "size"
        assert n._repr_latex_() == "$$\\displaystyle N$$"
        assert repr(n) == "ArrayLength(array=Placeholder(name='a', ndim=1), axis=0, latex='N', description='size')"
        assert repr(a.len_at(axis=0)) == "ArrayLength(array=Placeholder(name='a', ndim=1), axis=0)"

    @pytest.mark.parametrize(
        "ndim, axis, error, message",
        [
            (0, 0, fv.ModelingError, "the placeholder a is a scalar"),
            (2, 2, fv.ModelingError, "axis 2 is out of bounds for the axis of the array a"),
            (2, 2**64 - 1, fv.ModelingError, "axis 18446744073709551615 is out of bounds for the axis of the array a"),
        ],
    )
    def test_len_at_errors(self, ndim, axis, error, message):
        with pytest.raises(error) as info:
            fv.Placeholder("a", ndim=ndim).len_at(axis)
        assert str(info.value) == message

    def test_len_at_argument_errors(self):
        a = fv.Placeholder("a", ndim=2)
        with pytest.raises(OverflowError):
            a.len_at(-1)
        with pytest.raises(TypeError, match="^argument 'axis': "):
            a.len_at(0.0)
        with pytest.raises(TypeError, match="^argument 'latex': "):
            a.len_at(0, latex=1)
        with pytest.raises(TypeError, match=r"Placeholder.len_at\(\) missing 1 required positional argument: 'axis'"):
            a.len_at()
        with pytest.raises(TypeError):
            a.len_at(0, "N")

    @pytest.mark.parametrize("ndim, error", [(2**62, MemoryError), (2**64 - 1, OverflowError)])
    def test_huge_ndim_shape_fails_cleanly(self, ndim, error):
        with pytest.raises(error):
            fv.Placeholder("a", ndim=ndim).shape

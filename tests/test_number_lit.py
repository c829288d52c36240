import fractions
import decimal

import numpy as np
import pytest

import forvela as fv


@pytest.mark.parametrize(
    "value, expected, dtype",
    [
        (True, 1, fv.DataType.INTEGER),
        (5, 5, fv.DataType.INTEGER),
        (np.int64(-7), -7, fv.DataType.INTEGER),
        (1.5, 1.5, fv.DataType.FLOAT),
        (np.float32(0.5), 0.5, fv.DataType.FLOAT),
        (fractions.Fraction(1, 4), 0.25, fv.DataType.FLOAT),
        (decimal.Decimal("2.5"), 2.5, fv.DataType.FLOAT),
        (2**63, float(2**63), fv.DataType.FLOAT),
    ],
)
def test_constructor_values(value, expected, dtype):
    n = fv.NumberLit(value)
    assert n.value == expected
    assert type(n.value) is type(expected)
    assert n.dtype == dtype


def test_value_by_keyword():
    assert fv.NumberLit(value=3).value == 3


@pytest.mark.parametrize(
    "value, integer_cause, float_cause",
    [
        ("1", "TypeError: 'str' object cannot be interpreted as an integer",
         "TypeError: must be real number, not str"),
        (10**400, "OverflowError: ", "OverflowError: "),
        (None, "TypeError: ", "TypeError: "),
    ],
)
def test_constructor_refusal_names_both_attempts(value, integer_cause, float_cause):
    with pytest.raises(TypeError) as info:
        fv.NumberLit(value)
    lines = str(info.value).split("\n")
    assert lines[0] == "argument 'value': failed to extract enum NumericValue ('Integer | Float')"
    assert lines[1].startswith(
        "- variant Integer (Integer): TypeError: failed to extract field "
        "NumericValue::Integer.0, caused by " + integer_cause
    )
    assert lines[2].startswith(
        "- variant Float (Float): TypeError: failed to extract field "
        "NumericValue::Float.0, caused by " + float_cause
    )
    assert isinstance(info.value.__cause__, TypeError)


@pytest.mark.parametrize(
    "value, text",
    [
        (2, "2"),
        (-17, "-17"),
        (2.0, "2"),
        (0.1, "0.1"),
        (1e20, "100000000000000000000"),
        (1e23, "100000000000000000000000"),
        (1.5e-7, "0.00000015"),
        (2.0**63, "9223372036854776000"),
        (-0.0, "-0"),
        (123.456, "123.456"),
        (float("nan"), "NaN"),
        (float("inf"), "inf"),
        (float("-inf"), "-inf"),
        (5e-324, "0." + "0" * 323 + "5"),
        (1e16, "10000000000000000"),
        (1e-5, "0.00001"),
        (1e300, "1" + "0" * 300),
        (-float("nan"), "NaN"),
    ],
)
def test_number_text(value, text):
    n = fv.NumberLit(value)
    assert str(n) == text
    assert repr(n) == f"NumberLit(value={text})"


@pytest.mark.parametrize(
    "value, latex",
    [(5, "5"), (-3, "(-3)"), (-0.0, "(-0)"), (1.5, "1.5"), (-float("nan"), "(NaN)")],
)
def test_latex_is_bare_and_parenthesised_by_sign(value, latex):
    assert fv.NumberLit(value)._repr_latex_() == latex


def test_dtype_is_a_new_object_each_time():
    n = fv.NumberLit(1.0)
    assert n.dtype == fv.DataType.FLOAT
    assert n.dtype is not fv.DataType.FLOAT


def test_unhashable():
    with pytest.raises(TypeError):
        hash(fv.NumberLit(1))


class TestDataType:
    @pytest.mark.parametrize(
        "left, right, equal",
        [
            (fv.DataType.FLOAT, 0, True),
            (fv.DataType.INTEGER, True, True),
            (fv.DataType.INTEGER, 1, True),
            (fv.DataType.INTEGER, 1.0, False),
            (fv.DataType.FLOAT, fv.DataType.FLOAT, True),
            (fv.DataType.FLOAT, fv.DataType.INTEGER, False),
            (fv.DataType.FLOAT, "FLOAT", False),
            (fv.DataType.INTEGER, np.int64(1), True),
        ],
    )
    def test_equality(self, left, right, equal):
        assert (left == right) is equal
        assert (left != right) is not equal

    def test_repr_and_int(self):
        assert repr(fv.DataType.FLOAT) == "DataType.FLOAT"
        assert str(fv.DataType.INTEGER) == "DataType.INTEGER"
        assert int(fv.DataType.INTEGER) == 1
        assert int(fv.DataType.FLOAT) == 0

    def test_no_ordering_no_hash_no_index(self):
        with pytest.raises(TypeError):
            fv.DataType.FLOAT < fv.DataType.INTEGER
        with pytest.raises(TypeError):
            hash(fv.DataType.FLOAT)
        with pytest.raises(TypeError):
            [0, 1][fv.DataType.INTEGER]

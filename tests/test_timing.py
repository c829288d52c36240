"""SolvingTime, SystemTime and MeasuringTime, and the protocol that all
result classes share (comparison, attributes, dict and text forms)."""
import math

import pytest

import forvela as fv

SOLVING = ("preprocess", "solve", "postprocess")
SYSTEM = ("post_problem_and_instance_data", "request_queue", "fetch_problem_and_instance_data",
          "fetch_result", "deserialize_solution")
RECORDS = [(fv.SolvingTime, SOLVING), (fv.SystemTime, SYSTEM)]


def values(obj, names):
    return tuple(getattr(obj, n) for n in names)


class Floaty:
    def __float__(self):
        return 2.5


class Indexy:
    def __index__(self):
        return 7


# ---- the shared protocol, over every result class of this module ----

RESULT_OBJECTS = [fv.SolvingTime, fv.SystemTime, fv.MeasuringTime, fv.Evaluation]


@pytest.mark.parametrize("cls", RESULT_OBJECTS, ids=lambda c: c.__name__)
def test_comparison_protocol(cls):
    a, b = cls(), cls()
    assert a == b and not (a != b)
    assert (a == 1) is False and (a != 1) is True
    for op, symbol in [(lambda x, y: x < y, "<"), (lambda x, y: x <= y, "<="),
                       (lambda x, y: x > y, ">"), (lambda x, y: x >= y, ">=")]:
        with pytest.raises(TypeError) as info:
            op(a, b)
        assert str(info.value) == f"Comparison '{symbol}' not supported for {cls.__name__}"
        with pytest.raises(TypeError) as info:
            op(a, 1)
        assert "not supported between instances" in str(info.value)
    with pytest.raises(TypeError):
        hash(a)
    assert str(a) == repr(a)


def test_classes_are_told_apart():
    assert fv.SolvingTime() != fv.SystemTime()
    assert fv.MeasuringTime() != fv.SolvingTime()


@pytest.mark.parametrize("cls, names", RECORDS, ids=["SolvingTime", "SystemTime"])
def test_attributes_cannot_be_deleted(cls, names):
    obj = cls(*range(1, len(names) + 1))
    for name in names:
        with pytest.raises(AttributeError) as info:
            delattr(obj, name)
        assert str(info.value) == "can't delete attribute"
    assert values(obj, names) == tuple(float(i) for i in range(1, len(names) + 1))
    m = fv.MeasuringTime(total=1)
    for name in ("solve", "system", "total"):
        with pytest.raises(AttributeError, match="can't delete attribute"):
            delattr(m, name)
    assert m.total == 1.0


# ---- SolvingTime and SystemTime ----

@pytest.mark.parametrize(
    "value, text",
    [
        (1.0, "1"), (100.0, "100"), (123456.0, "123456"), (12.5, "12.5"), (0.25, "0.25"),
        (0.1, "0.1"), (0.1 + 0.2, "0.30000000000000004"), (2.5e-3, "0.0025"), (1e-7, "0.0000001"),
        (1e21, "1" + "0" * 21), (1e23, "1" + "0" * 23), (2.0**63, "9223372036854776000"),
        (0.0, "0"), (-0.0, "-0"), (-1.5, "-1.5"), (math.nan, "NaN"), (math.inf, "inf"),
        (-math.inf, "-inf"), (5e-324, "0." + "0" * 323 + "5"),
    ],
)
def test_plain_number_text(value, text):
    assert str(fv.SolvingTime(solve=value)) == f"SolvingTime(preprocess=None, solve={text}, postprocess=None)"


def test_text_forms():
    assert str(fv.SolvingTime()) == "SolvingTime(preprocess=None, solve=None, postprocess=None)"
    assert repr(fv.SolvingTime(1, 2, 3)) == "SolvingTime(preprocess=1, solve=2, postprocess=3)"
    assert str(fv.SystemTime(fetch_result=0.5)) == (
        "SystemTime(post_problem_and_instance_data=None, request_queue=None, "
        "fetch_problem_and_instance_data=None, fetch_result=0.5, deserialize_solution=None)")


@pytest.mark.parametrize("cls, names", RECORDS, ids=["SolvingTime", "SystemTime"])
def test_constructor_and_setters_convert_to_optional_floats(cls, names):
    obj = cls(True, **{names[1]: Floaty(), names[2]: Indexy()})
    assert values(obj, names[:3]) == (1.0, 2.5, 7.0)
    assert all(type(v) is float for v in values(obj, names[:3]))
    obj = cls(**{names[-1]: -math.inf})
    assert getattr(obj, names[-1]) == -math.inf
    setattr(obj, names[0], 3)
    setattr(obj, names[-1], None)
    assert getattr(obj, names[0]) == 3.0 and getattr(obj, names[-1]) is None
    with pytest.raises(TypeError) as info:
        setattr(obj, names[0], "1")
    assert not str(info.value).startswith("argument")
    assert getattr(obj, names[0]) == 3.0


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: fv.SolvingTime(solve="1"), "argument 'solve': must be real number, not str"),
        (lambda: fv.SystemTime(request_queue=[1]), "argument 'request_queue': must be real number, not list"),
        (lambda: fv.SolvingTime(1, 2, 3, 4),
         "SolvingTime.__new__() takes from 0 to 3 positional arguments but 4 were given"),
        (lambda: fv.SolvingTime(total=1), "SolvingTime.__new__() got an unexpected keyword argument 'total'"),
        (lambda: fv.SolvingTime(1, preprocess=2),
         "SolvingTime.__new__() got multiple values for argument 'preprocess'"),
        (lambda: fv.SolvingTime.from_dict([]), "argument 'dict': 'list' object cannot be converted to 'PyDict'"),
        (lambda: fv.SolvingTime.from_dict({"solve": "x"}), "must be real number, not str"),
    ],
)
def test_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_large_int_is_refused_with_the_interpreters_error():
    with pytest.raises(OverflowError):
        fv.SolvingTime(solve=10**400)


def test_equality_is_ieee_field_by_field():
    assert fv.SolvingTime(solve=0.0) == fv.SolvingTime(solve=-0.0)
    assert fv.SolvingTime(solve=0.0) != fv.SolvingTime()
    nan = fv.SolvingTime(solve=math.nan)
    assert nan != nan and not (nan == nan)
    assert fv.SystemTime(1, 2, 3, 4, 5) != fv.SystemTime(1, 2, 3, 4, 6)


@pytest.mark.parametrize("cls, names", RECORDS, ids=["SolvingTime", "SystemTime"])
def test_dict_form(cls, names):
    obj = cls(**{names[0]: 1.5})
    d = obj.to_dict()
    assert list(d) == list(names)
    assert d == {n: (1.5 if n == names[0] else None) for n in names}
    assert d is not obj.to_dict()
    back = cls.from_dict({names[-1]: 3, names[0]: None, "other": "x"})
    assert values(back, names) == tuple(3.0 if n == names[-1] else None for n in names)
    assert cls.from_dict(d) == obj
    assert cls.from_dict({}) == cls()


def test_json_forms():
    assert fv.SolvingTime(solve=1.5).to_json() == '{"preprocess":null,"solve":1.5,"postprocess":null}'
    assert fv.SystemTime().to_json() == (
        '{"post_problem_and_instance_data":null,"request_queue":null,'
        '"fetch_problem_and_instance_data":null,"fetch_result":null,"deserialize_solution":null}')
    assert values(fv.SystemTime.from_json('{"fetch_result": 0.5}'), SYSTEM) == (None, None, None, 0.5, None)
    with pytest.raises(ValueError) as info:
        fv.SystemTime.from_json("[1]")
    assert str(info.value) == "invalid length 1, expected struct PySystemTime with 5 elements at line 1 column 3"


def test_nan_is_written_as_null_and_reads_back_absent():
    obj = fv.SolvingTime(1, math.nan, 2)
    assert obj.to_json() == '{"preprocess":1.0,"solve":null,"postprocess":2.0}'
    back = fv.SolvingTime.from_json(obj.to_json())
    assert values(back, SOLVING) == (1.0, None, 2.0)


def test_docstrings_and_signatures():
    assert fv.SolvingTime.__text_signature__ == "(preprocess=None, solve=None, postprocess=None)"
    assert fv.SolvingTime.__doc__.splitlines()[0] == "A class for storing time to solve a problem."
    assert fv.SolvingTime.__doc__.endswith("Time to postprocess the problem. Defaults to None.")
    assert "Time to fetch problme and instance_data from blob." in fv.SystemTime.__doc__
    assert fv.MeasuringTime.__text_signature__ == "(solve=..., system=..., total=None)"
    assert fv.SolvingTime.from_dict.__text_signature__ == "(dict)"
    assert fv.SolvingTime.from_json.__text_signature__ == "(json)"
    assert fv.SolvingTime.to_dict.__doc__.startswith("Convert into a dict.")
    assert fv.SolvingTime.to_dict.__doc__.endswith(
        'dict: A dict with keys "preprocess", "solve", and "postprocess".')
    assert fv.SystemTime.from_dict.__doc__ == (
        "Create a SystemTime object from the given dict.\n\n"
        "If a key is not the name of the SystemTime fields, the value value is ignored.\n\n"
        "Args:\n    dict (dict): A dict.\n\nReturns:\n    A SystemTime object.")
    assert fv.SolvingTime.from_json.__doc__.endswith("Returns:\n    SolvingTime: A SolvingTime object.")
    assert fv.MeasuringTime.to_json.__doc__.startswith("Serialize the MeasuringTime object into a JSON string.")


# ---- MeasuringTime ----

EMPTY_MEASURING_TEXT = (
    "MeasuringTime(solve=SolvingTime(preprocess=None, solve=None, postprocess=None), "
    "system=SystemTime(post_problem_and_instance_data=None, request_queue=None, "
    "fetch_problem_and_instance_data=None, fetch_result=None, deserialize_solution=None), total=None)")


def test_measuring_time_defaults_and_text():
    m = fv.MeasuringTime()
    assert str(m) == EMPTY_MEASURING_TEXT
    assert m.solve == fv.SolvingTime() and m.system == fv.SystemTime() and m.total is None
    assert str(fv.MeasuringTime(total=12.0)).endswith("total=12)")
    assert fv.MeasuringTime(total=None) == m


def test_measuring_time_copies_in_and_out():
    solve = fv.SolvingTime(preprocess=1)
    m = fv.MeasuringTime(solve=solve)
    solve.preprocess = 5
    assert m.solve.preprocess == 1.0
    got = m.solve
    got.preprocess = 9
    assert m.solve.preprocess == 1.0
    m.solve = got
    assert m.solve.preprocess == 9.0
    got.preprocess = 10
    assert m.solve.preprocess == 9.0


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: fv.MeasuringTime(solve=None), "argument 'solve': 'NoneType' object cannot be converted to 'SolvingTime'"),
        (lambda: fv.MeasuringTime(fv.SolvingTime(), fv.SolvingTime()),
         "argument 'system': 'SolvingTime' object cannot be converted to 'SystemTime'"),
        (lambda: fv.MeasuringTime(total="x"), "argument 'total': must be real number, not str"),
    ],
)
def test_measuring_time_constructor_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_measuring_time_setters_refuse_other_classes():
    m = fv.MeasuringTime(solve=fv.SolvingTime(solve=1))
    with pytest.raises(TypeError) as info:
        m.solve = fv.SystemTime()
    assert str(info.value) == "'SystemTime' object cannot be converted to 'SolvingTime'"
    with pytest.raises(TypeError):
        m.system = None
    assert m.solve == fv.SolvingTime(solve=1) and m.system == fv.SystemTime()
    m.total = 3
    assert m.total == 3.0


def test_measuring_time_equality_covers_nested_fields():
    assert fv.MeasuringTime(system=fv.SystemTime(fetch_result=1)) != fv.MeasuringTime()
    assert fv.MeasuringTime(total=math.nan) != fv.MeasuringTime(total=math.nan)
    assert fv.MeasuringTime(fv.SolvingTime(1), fv.SystemTime(2), 3) == fv.MeasuringTime(
        fv.SolvingTime(1), fv.SystemTime(2), 3)


def test_measuring_time_dict_form():
    m = fv.MeasuringTime(fv.SolvingTime(solve=1), fv.SystemTime(request_queue=2), 3)
    d = m.to_dict()
    assert d == {"solve": {"preprocess": None, "solve": 1.0, "postprocess": None},
                 "system": {"post_problem_and_instance_data": None, "request_queue": 2.0,
                            "fetch_problem_and_instance_data": None, "fetch_result": None,
                            "deserialize_solution": None},
                 "total": 3.0}
    assert list(d) == ["solve", "system", "total"]
    assert fv.MeasuringTime.from_dict(d) == m
    assert fv.MeasuringTime.from_dict({}) == fv.MeasuringTime()
    assert fv.MeasuringTime.from_dict({"total": 2, "x": 1}) == fv.MeasuringTime(total=2)
    assert fv.MeasuringTime.from_dict({"solve": {"solve": 4, "y": None}}).solve == fv.SolvingTime(solve=4)


@pytest.mark.parametrize(
    "d, error, message",
    [
        ({"solve": None}, ValueError, "the value of the key 'solve' is not dict"),
        ({"system": []}, ValueError, "the value of the key 'system' is not dict"),
        ({"solve": {"solve": "x"}}, TypeError, "must be real number, not str"),
        ({"total": "x"}, TypeError, "must be real number, not str"),
    ],
)
def test_measuring_time_dict_errors(d, error, message):
    with pytest.raises(error) as info:
        fv.MeasuringTime.from_dict(d)
    assert str(info.value) == message


def test_measuring_time_json_form():
    assert fv.MeasuringTime().to_json() == (
        '{"solve":{"preprocess":null,"solve":null,"postprocess":null},'
        '"system":{"post_problem_and_instance_data":null,"request_queue":null,'
        '"fetch_problem_and_instance_data":null,"fetch_result":null,"deserialize_solution":null},'
        '"total":null}')
    m = fv.MeasuringTime.from_json('{"solve": {}, "system": [1, 2, 3, 4, 5]}')
    assert m == fv.MeasuringTime(system=fv.SystemTime(1, 2, 3, 4, 5))
    m = fv.MeasuringTime(fv.SolvingTime(0.5), fv.SystemTime(deserialize_solution=1e-9), 7)
    assert fv.MeasuringTime.from_json(m.to_json()) == m
    assert fv.MeasuringTime.from_json("[[1, 2, 3], {}, null]") == fv.MeasuringTime(fv.SolvingTime(1, 2, 3))
    with pytest.raises(ValueError, match=r"^missing field `system` at line 1 column 13$"):
        fv.MeasuringTime.from_json('{"solve": {}} ')


def test_reentrant_float_conversion_meets_the_borrow():
    m = fv.SolvingTime()

    class Sneaky:
        def __float__(self):
            return m.solve or 1.0

    with pytest.raises(RuntimeError, match="Already mutably borrowed"):
        m.preprocess = Sneaky()
    assert m.preprocess is None

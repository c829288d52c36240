"""The JSON forms shared by the result classes: the compact writer, the
number texts, and the typed reader with its messages and positions."""
import json
import math

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import forvela as fv

ST = fv.SolvingTime
MT = fv.MeasuringTime
EV = fv.Evaluation

SOLVING_FIELDS = ("preprocess", "solve", "postprocess")


def fields(obj):
    return tuple(getattr(obj, name) for name in SOLVING_FIELDS)


def read_error(cls, text):
    with pytest.raises(ValueError) as info:
        cls.from_json(text)
    return str(info.value)


# ---- reader messages and positions ----

@pytest.mark.parametrize(
    "cls, text, message",
    [
        (ST, "", "EOF while parsing a value at line 1 column 0"),
        (ST, "  \n ", "EOF while parsing a value at line 2 column 1"),
        (ST, "null", "invalid type: null, expected struct PySolvingTime at line 1 column 4"),
        (ST, "true", "invalid type: boolean `true`, expected struct PySolvingTime at line 1 column 4"),
        (ST, " 5", "invalid type: integer `5`, expected struct PySolvingTime at line 1 column 2"),
        (ST, "-5", "invalid type: integer `-5`, expected struct PySolvingTime at line 1 column 2"),
        (ST, "1.5", "invalid type: floating point `1.5`, expected struct PySolvingTime at line 1 column 3"),
        (ST, '"a\\n\u0301"',
         'invalid type: string "a\\n\\u{301}", expected struct PySolvingTime at line 1 column 7'),
        (ST, "x", "expected value at line 1 column 1"),
        # array form
        (ST, "[]", "invalid length 0, expected struct PySolvingTime with 3 elements at line 1 column 2"),
        (ST, "[1, null]", "invalid length 2, expected struct PySolvingTime with 3 elements at line 1 column 9"),
        (ST, "[1, null, 2, 3]", "trailing characters at line 1 column 14"),
        (ST, "[1, null, 2,]", "trailing comma at line 1 column 13"),
        (ST, "[1,]", "trailing comma at line 1 column 4"),
        (ST, "[1 2 3]", "expected `,` or `]` at line 1 column 4"),
        (ST, "[1, 2", "EOF while parsing a list at line 1 column 5"),
        (ST, "[1,", "EOF while parsing a value at line 1 column 3"),
        # object form
        (ST, "{", "EOF while parsing an object at line 1 column 1"),
        (ST, "{1: 2}", "key must be a string at line 1 column 2"),
        (ST, '{"solve" 1}', "expected `:` at line 1 column 10"),
        (ST, '{"solve": 1 "preprocess": 2}', "expected `,` or `}` at line 1 column 13"),
        (ST, '{"solve": 1,}', "trailing comma at line 1 column 13"),
        (ST, '{"solve": 1, "solve": 2}', "duplicate field `solve` at line 1 column 20"),
        (ST, '{\n"solve": 1,\n"solve" : 2}', "duplicate field `solve` at line 3 column 7"),
        (ST, '{"solve": true}', "invalid type: boolean `true`, expected f64 at line 1 column 14"),
        (ST, '{"solve": "1"}', 'invalid type: string "1", expected f64 at line 1 column 13'),
        (ST, '{"solve": [1]}', "invalid type: sequence, expected f64 at line 1 column 11"),
        (ST, '{"solve": {}}', "invalid type: map, expected f64 at line 1 column 11"),
        (ST, '{"solve": 1e400}', "number out of range at line 1 column 15"),
        (ST, '{"solve": -1e400}', "number out of range at line 1 column 16"),
        (ST, '{\n  "solve": nulL\n}', "expected ident at line 2 column 15"),
        (ST, "{} x", "trailing characters at line 1 column 4"),
        (ST, "{}\n\n  }", "trailing characters at line 3 column 3"),
        # nested records
        (MT, "{}", "missing field `solve` at line 1 column 2"),
        (MT, '{"solve": {}}', "missing field `system` at line 1 column 13"),
        (MT, '{"solve": null, "system": {}}',
         "invalid type: null, expected struct PySolvingTime at line 1 column 14"),
        (MT, '{"solve": {}, "system": [1]}',
         "invalid length 1, expected struct PySystemTime with 5 elements at line 1 column 27"),
        (MT, "[{}, {}]", "invalid length 2, expected struct PyMeasuringTime with 3 elements at line 1 column 8"),
        # typed lists and maps
        (EV, "{}", "missing field `energy` at line 1 column 2"),
        (EV, '{"energy": [1, null]}', "invalid type: null, expected f64 at line 1 column 19"),
        (EV, '{"energy": 1}', "invalid type: integer `1`, expected a sequence at line 1 column 12"),
        (EV, '{"energy": [], "objective": [], "constraint_violations": []}',
         "invalid type: sequence, expected a map at line 1 column 58"),
        (EV, '{"energy": [], "objective": [], "constraint_violations": {}, "constraint_forall": {"c": [[-1]]}}',
         "invalid value: integer `-1`, expected u64 at line 1 column 92"),
        (EV, '{"energy": [], "objective": [], "constraint_violations": {}, "constraint_forall": {"c": [[1.0]]}}',
         "invalid type: floating point `1.0`, expected u64 at line 1 column 93"),
        (EV, '{"energy": [], "objective": [], "constraint_violations": {}, "constraint_forall": {"c": [[-0]]}}',
         "invalid type: floating point `-0.0`, expected u64 at line 1 column 92"),
        (EV, '{"energy": [], "objective": [], "constraint_violations": {}, '
             '"constraint_forall": {"c": [[18446744073709551616]]}}',
         "invalid type: floating point `1.8446744073709552e19`, expected u64 at line 1 column 110"),
        (EV, "[[], [], {}, {}, []]", "invalid length 5, expected struct PyEvaluation with 6 elements at line 1 column 20"),
    ],
)
def test_reader_messages_and_positions(cls, text, message):
    assert read_error(cls, text) == message


@pytest.mark.parametrize(
    "text, message",
    [
        ('{"x": "\\q"}', "invalid escape at line 1 column 9"),
        ('{"x": "\\u12G4"}', "invalid escape at line 1 column 13"),
        ('{"x": "\\u12', "EOF while parsing a string at line 1 column 11"),
        ('{"x": "a\x01"}', "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 9"),
        ('{"x": "a\nb"}', "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"),
        ('{"x": "abc', "EOF while parsing a string at line 1 column 10"),
        ('{"x": 01}', "invalid number at line 1 column 8"),
        ('{"x": -}', "invalid number at line 1 column 8"),
        ('{"x": 1.}', "invalid number at line 1 column 9"),
        ('{"x": 1e}', "invalid number at line 1 column 9"),
        ('{"x": +1}', "expected value at line 1 column 7"),
        ('{"x": .5}', "expected value at line 1 column 7"),
        ('{"x": NaN}', "expected value at line 1 column 7"),
        ('{"x": tru}', "expected ident at line 1 column 10"),
        ('{"x": [1,]}', "expected value at line 1 column 10"),
        ('{"x": [1 2]}', "expected `,` or `]` at line 1 column 10"),
        ('{"x": {"a" 1}}', "expected `:` at line 1 column 12"),
        ('{"x": {1: 1}}', "key must be a string at line 1 column 8"),
        ('{"x": ]}', "expected value at line 1 column 7"),
        ('{"x": [}', "expected value at line 1 column 8"),
        ('{"x": [[[', "EOF while parsing a list at line 1 column 9"),
        ('{"x": {"a": {', "EOF while parsing an object at line 1 column 13"),
        ('{"x": 1', "EOF while parsing an object at line 1 column 7"),
        ('{"\\ud800": 1}', "unexpected end of hex escape at line 1 column 9"),
        ('{"\\udc00": 1}', "lone leading surrogate in hex escape at line 1 column 8"),
        ('{"\\ud800\\u0041": 1}', "lone leading surrogate in hex escape at line 1 column 14"),
        ('{"\\ud800x": 1}', "unexpected end of hex escape at line 1 column 9"),
        ('{"x": 1} \ud800', "trailing characters at line 1 column 10"),
        ('{"x": "\ud800"}', "invalid unicode code point at line 1 column 8"),
        ('\ufeff{}', "expected value at line 1 column 1"),
    ],
)
def test_invalid_json_is_refused_inside_skipped_members(text, message):
    assert read_error(ST, text) == message


@pytest.mark.parametrize(
    "text, expected",
    [
        ("{}", (None, None, None)),
        ("[1, null, 2]", (1.0, None, 2.0)),
        (' \t\r\n{"solve" :\n3 , "postprocess":-0.5 }\n', (None, 3.0, -0.5)),
        ('{"s\\u006flve": 4}', (None, 4.0, None)),
        ('{"solve": null, "other": {"a": [1, {"b": [true, false, null, "\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9"]}], '
         '"c": -0.0e+0}, "d": "\\ud800", "preprocess": 2}', (2.0, None, None)),
        ('{"x": 1e999999999999999999, "y": 123456789012345678901234567890, "solve": 0}', (None, 0.0, None)),
        ('{"solve": 1e-400, "preprocess": 18446744073709551615, "postprocess": -9223372036854775809}',
         (18446744073709551615.0, 0.0, -9223372036854775809.0)),
        ('{"solve": 2.5E-3}', (None, 0.0025, None)),
        ('{"é😀": 1, "solve": 5}', (None, 5.0, None)),
    ],
)
def test_reader_accepts_valid_json(text, expected):
    assert fields(ST.from_json(text)) == expected


def test_negative_zero_and_integers_keep_their_values():
    st_ = ST.from_json('[-0, 9007199254740993, -1]')
    assert math.copysign(1.0, st_.preprocess) == -1.0
    assert st_.solve == 9007199254740992.0  # nearest float
    assert st_.postprocess == -1.0


def test_argument_must_be_a_str():
    with pytest.raises(TypeError) as info:
        ST.from_json(b"{}")
    assert str(info.value) == "argument 'json': 'bytes' object cannot be converted to 'PyString'"
    with pytest.raises(TypeError) as info:
        EV.from_json(json=None)
    assert str(info.value) == "argument 'json': 'NoneType' object cannot be converted to 'PyString'"
    with pytest.raises(TypeError):
        ST.from_json()


# ---- nesting ----

DEEP = 10**6


@pytest.mark.parametrize(
    "cls, text, message",
    [
        (ST, "[" * DEEP, "invalid type: sequence, expected f64 at line 1 column 2"),
        (ST, "{" * DEEP, "key must be a string at line 1 column 2"),
        (ST, '{"x": ' + "[" * DEEP, f"EOF while parsing a list at line 1 column {DEEP + 6}"),
        (ST, '{"x": ' + '{"a":' * DEEP, f"EOF while parsing a value at line 1 column {5 * DEEP + 6}"),
        (ST, '{"x": ' + "[" * DEEP + "]" * (DEEP - 1) + "}",
         f"expected `,` or `]` at line 1 column {2 * DEEP + 6}"),
        (EV, '{"energy": ' + "[" * DEEP, "invalid type: sequence, expected f64 at line 1 column 13"),
        (MT, '{"solve": ' * DEEP, "invalid type: map, expected f64 at line 1 column 21"),
    ],
    ids=["array", "object", "skipped-array", "skipped-object", "unbalanced", "float-list", "records"],
)
def test_deep_nesting_ends_in_value_error(cls, text, message):
    assert read_error(cls, text) == message


def test_skipped_members_of_any_depth_are_accepted():
    deep_array = "[" * DEEP + "]" * DEEP
    deep_object = '{"a":' * DEEP + "1" + "}" * DEEP
    got = ST.from_json('{"x": ' + deep_array + ', "y": ' + deep_object + ', "solve": 7}')
    assert fields(got) == (None, 7.0, None)


# ---- writer ----

@pytest.mark.parametrize(
    "value, text",
    [
        (0.0, "0.0"), (-0.0, "-0.0"), (1.0, "1.0"), (-1.5, "-1.5"), (12.5, "12.5"),
        (123456.0, "123456.0"), (1e15, "1000000000000000.0"), (1e16, "1e16"),
        (0.1 + 0.2, "0.30000000000000004"), (0.0025, "0.0025"), (1e-5, "0.00001"),
        (1e-6, "1e-6"), (1.5e-7, "1.5e-7"), (1.2345e20, "1.2345e20"), (1e23, "1e23"),
        (2.0**63, "9.223372036854776e18"), (5e-324, "5e-324"),
        (1.7976931348623157e308, "1.7976931348623157e308"),
        (math.nan, "null"), (math.inf, "null"), (-math.inf, "null"),
    ],
)
def test_json_number_texts(value, text):
    assert ST(solve=value).to_json() == '{"preprocess":null,"solve":' + text + ',"postprocess":null}'


def test_json_strings_escape_only_quotes_backslashes_and_controls():
    name = '"\\/\b\f\n\r\t\x00\x01\x1f\x7f é😀'
    text = EV(penalty={name: [1]}).to_json()
    assert text.endswith(
        '"penalty":{"\\"\\\\/\\b\\f\\n\\r\\t\\u0000\\u0001\\u001f\x7f é😀":[1.0]}}')
    assert json.loads(text)["penalty"] == {name: [1.0]}
    assert EV.from_json(text) == EV(penalty={name: [1]})


@settings(max_examples=300, deadline=None)
@given(st.floats(allow_nan=False))
def test_json_numbers_read_back_exactly_with_the_fewest_digits(x):
    text = ST(solve=x).to_json()
    if math.isinf(x):
        assert json.loads(text)["solve"] is None
        return
    written = json.loads(text)["solve"]
    assert written == x and math.copysign(1, written) == math.copysign(1, x)
    assert ST.from_json(text).solve == x
    member = text.split('"solve":')[1].split(",")[0]
    assert significant_digits(member) == significant_digits(repr(x))


def significant_digits(text):
    mantissa = text.lstrip("-").split("e")[0].replace(".", "")
    return mantissa.strip("0") or "0"


NAMES = st.text(st.characters(exclude_categories=("Cs",)), max_size=8)
FLOATS = st.lists(st.floats(allow_nan=False, allow_infinity=False), max_size=3)


@settings(max_examples=150, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(
    energy=FLOATS,
    violations=st.dictionaries(NAMES, FLOATS, max_size=3),
    forall=st.dictionaries(NAMES, st.lists(st.lists(st.integers(0, 2**64 - 1), max_size=3), max_size=3),
                           max_size=2),
    values=st.lists(st.dictionaries(NAMES, FLOATS, max_size=2), max_size=2),
)
def test_evaluation_json_round_trip(energy, violations, forall, values):
    e = EV(energy=energy, objective=energy, constraint_violations=violations, constraint_forall=forall,
           constraint_values=values, penalty=violations)
    text = e.to_json()
    plain = json.loads(text)
    assert list(plain) == ["energy", "objective", "constraint_violations", "constraint_forall",
                           "constraint_values", "penalty"]
    assert plain["energy"] == energy
    assert plain["constraint_violations"] == violations
    assert list(plain["constraint_violations"]) == sorted(violations, key=lambda s: s.encode())
    assert plain["constraint_forall"] == forall
    assert plain["constraint_values"] == values
    assert EV.from_json(text) == e


# ---- fuzzing the reader against a reference ----

class Refused(Exception):
    pass


class Pairs(list):
    pass


def reject_constant(name):
    raise Refused(name)


def reference_float(value):
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise Refused(value)
    try:
        x = float(value)
    except OverflowError:
        raise Refused(value)
    if math.isinf(x):
        raise Refused(value)
    return x


def reference_solving_time(text):
    """The fields the reader must give for `text`, or None if it must refuse it."""
    if any("\ud800" <= c <= "\udfff" for c in text):
        return None
    try:
        value = json.loads(text, object_pairs_hook=Pairs, parse_constant=reject_constant)
    except (ValueError, Refused, RecursionError):
        return None
    try:
        if isinstance(value, Pairs):
            got = {}
            for key, member in value:
                if any("\ud800" <= c <= "\udfff" for c in key):
                    raise Refused(key)
                if key in SOLVING_FIELDS:
                    if key in got:
                        raise Refused(key)
                    got[key] = reference_float(member)
            return tuple(got.get(name) for name in SOLVING_FIELDS)
        if isinstance(value, list) and len(value) == 3:
            return tuple(reference_float(v) for v in value)
    except Refused:
        return None
    return None


SEEDS = [
    '{"preprocess": 1.5, "solve": null, "x": [1, {"y": "z\\n\\u00e9"}], "postprocess": -2e3}',
    '[1, null, 0.25]',
    '{"solve": 1, "other": {"a": [true, false, null, "\\ud83d\\ude00"]}, "b": -0.5e-3}',
    '{"postprocess": 12345678901234567890, "k": {"": []}}',
    "{}",
]
PIECES = list('{}[],:"\\ 0123456789.-+eE\n\tabflnrstu') + [
    "\x00", "\x1f", "\x7f", "é", "\ud800", "\\u", "\\ud800", "null", "true", "1e400", '"solve"',
    '"preprocess":', "[[", "]]", "{}",
]
MUTATION = st.tuples(st.sampled_from(["insert", "delete", "replace"]), st.integers(0, 200),
                     st.sampled_from(PIECES))


def mutate(text, mutations):
    for kind, at, piece in mutations:
        at = at % (len(text) + 1)
        if kind == "insert":
            text = text[:at] + piece + text[at:]
        elif kind == "delete":
            text = text[:at] + text[at + len(piece):]
        else:
            text = text[:at] + piece + text[at + 1:]
    return text


@settings(max_examples=600, deadline=None)
@given(st.sampled_from(SEEDS), st.lists(MUTATION, max_size=4))
def test_fuzzed_text_is_read_as_the_reference_reads_it(seed, mutations):
    text = mutate(seed, mutations)
    expected = reference_solving_time(text)
    try:
        got = fields(ST.from_json(text))
    except ValueError as error:
        assert expected is None, (text, str(error))
        assert " at line " in str(error)
        return
    assert got == expected, text


@settings(max_examples=300, deadline=None)
@given(st.lists(MUTATION, max_size=6))
def test_fuzzed_evaluation_text_never_crashes(mutations):
    seed = EV(energy=[1, 2], objective=[3, 4], constraint_violations={"c": [0, 1]},
              constraint_forall={"c": [[0, 1], [2, 3]]}, constraint_values=[{"c": [1, 2]}],
              penalty={"p": [0.5, 1e-7]}).to_json()
    text = mutate(seed, mutations)
    try:
        EV.from_json(text)
    except ValueError as error:
        assert " at line " in str(error)


@settings(max_examples=300, deadline=None)
@given(st.floats(allow_nan=False, allow_infinity=False))
def test_text_forms_read_back_exactly(x):
    plain = str(ST(solve=x)).split("solve=")[1].split(",")[0]
    fraction = str(EV(energy=[x])).split("energy=[")[1].split("]")[0]
    assert "e" not in plain
    for text in (plain, fraction):
        assert float(text) == x and math.copysign(1, float(text)) == math.copysign(1, x)
        assert significant_digits(text) == significant_digits(repr(x))

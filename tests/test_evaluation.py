"""Evaluation: conversions, numpy getters, text, dict, JSON and pandas forms,
constraint_expr_values and the feasibility test."""
import math

import numpy as np
import pytest

import forvela as fv

FIELDS = ["energy", "objective", "constraint_violations", "constraint_forall", "constraint_values", "penalty"]


@pytest.fixture
def two_samples():
    """Two samples, one constraint c over one forall element."""
    return fv.Evaluation(
        energy=[1.0, -2.5], objective=[0.0, 3.0], constraint_violations={"c": [0.0, 1.0]},
        constraint_forall={"c": [[0], [1]]}, constraint_values=[{"c": [0.0, 0.0]}, {"c": [1.0, 0.0]}])


# ---- text form ----

def test_text_form(two_samples):
    assert str(two_samples) == (
        'Evaluation(energy=[1.0, -2.5], objective=[0.0, 3.0], constraint_violations={"c": [0.0, 1.0]}, '
        'constraint_forall={"c": [[0], [1]]}, constraint_values=[{"c": [0.0, 0.0]}, {"c": [1.0, 0.0]}], '
        "penalty={})")
    assert repr(fv.Evaluation()) == (
        "Evaluation(energy=[], objective=[], constraint_violations={}, constraint_forall={}, "
        "constraint_values=[], penalty={})")


@pytest.mark.parametrize(
    "value, text",
    [
        (1.0, "1.0"), (-0.0, "-0.0"), (0.0, "0.0"), (0.5, "0.5"), (100.0, "100.0"), (0.0001, "0.0001"),
        (1e15, "1000000000000000.0"), (9999999999999998.0, "9999999999999998.0"), (1e16, "1e16"),
        (1e-5, "1e-5"), (1.5e-7, "1.5e-7"), (-2.25e20, "-2.25e20"), (0.1 + 0.2, "0.30000000000000004"),
        (math.nan, "NaN"), (math.inf, "inf"), (-math.inf, "-inf"), (5e-324, "5e-324"),
    ],
)
def test_fraction_number_text(value, text):
    assert str(fv.Evaluation(energy=[value])).startswith(f"Evaluation(energy=[{text}], objective=[]")


@pytest.mark.parametrize(
    "name, text",
    [
        ('a"b\\c', '"a\\"b\\\\c"'), ("t\tr\rn\n0\0", '"t\\tr\\rn\\n0\\0"'), ("é😀/'", "\"é😀/'\""),
        ("a\u0301", '"a\\u{301}"'), ("\x7f\x01\u200b\u00a0", '"\\u{7f}\\u{1}\\u{200b}\\u{a0}"'), (" ", '" "'),
    ],
)
def test_names_in_the_text_form(name, text):
    assert str(fv.Evaluation(penalty={name: [2]})).endswith(f"penalty={{{text}: [2.0]}})")


def test_maps_are_ordered_by_name_bytes_everywhere():
    names = ["b", "a", "é", "B", "ab", "z", ""]
    ordered = sorted(names, key=lambda s: s.encode())
    e = fv.Evaluation(energy=[0], objective=[0],
                      constraint_violations={n: [1] for n in names}, penalty={n: [2] for n in names},
                      constraint_values=[{n: [3] for n in names}],
                      constraint_forall={n: [[1]] for n in names})
    assert list(e.penalty) == ordered
    assert list(e.constraint_violations) == ordered
    assert list(e.constraint_forall) == ordered
    assert list(e.constraint_values[0]) == ordered
    assert list(e.to_dict()["penalty"]) == ordered
    assert e.to_json().index('"B"') < e.to_json().index('"a"') < e.to_json().index('"é"')
    assert [c for c in e.to_pandas().columns if c.startswith("penalty[")] == [f"penalty[{n}]" for n in ordered]


# ---- conversions from Python ----

class Floaty:
    def __float__(self):
        return 0.5


def test_accepted_values():
    e = fv.Evaluation(
        energy=(1, True, Floaty(), np.float32(0.25)), objective=range(3),
        constraint_violations={"c": np.array([1, 2])},
        constraint_forall={"c": np.array([[0, 2**63], [1, 2]], dtype=np.uint64), "d": [(1,), [2**64 - 1]]},
        constraint_values=({"c": np.arange(4.0)[::2]},), penalty=type("D", (dict,), {})(p=[1.5]))
    assert e.energy.tolist() == [1.0, 1.0, 0.5, 0.25]
    assert e.objective.tolist() == [0.0, 1.0, 2.0]
    assert e.constraint_violations["c"].tolist() == [1.0, 2.0]
    assert e.constraint_forall["c"].tolist() == [[0, 2**63], [1, 2]]
    assert e.constraint_forall["d"].tolist() == [[1], [2**64 - 1]]
    assert e.constraint_values[0]["c"].tolist() == [0.0, 2.0]
    assert e.penalty["p"].tolist() == [1.5]


@pytest.mark.parametrize(
    "field, value, error, message",
    [
        ("energy", None, TypeError, "'NoneType' object cannot be converted to 'Sequence'"),
        ("energy", "ab", TypeError, "Can't extract `str` to `Vec`"),
        ("objective", {1.0}, TypeError, "'set' object cannot be converted to 'Sequence'"),
        ("energy", [1, "x"], TypeError, "must be real number, not str"),
        ("penalty", [1], TypeError, "'list' object cannot be converted to 'PyDict'"),
        ("penalty", {1: [1]}, TypeError, "'int' object cannot be converted to 'PyString'"),
        ("constraint_violations", {"c": None}, TypeError, "'NoneType' object cannot be converted to 'Sequence'"),
        ("constraint_forall", {"c": ["01"]}, TypeError, "Can't extract `str` to `Vec`"),
        ("constraint_forall", {"c": [[1.5]]}, TypeError, "'float' object cannot be interpreted as an integer"),
        ("constraint_forall", {"c": [[-1]]}, OverflowError, "can't convert negative int to unsigned"),
        ("constraint_forall", {"c": [[2**64]]}, OverflowError, "int too big to convert"),
        ("constraint_values", {"c": [1]}, TypeError, "'dict' object cannot be converted to 'Sequence'"),
        ("constraint_values", [[1]], TypeError, "'list' object cannot be converted to 'PyDict'"),
    ],
)
def test_refused_values(field, value, error, message):
    # The constructor prefixes TypeErrors with the argument's name.
    with pytest.raises(error) as info:
        fv.Evaluation(**{field: value})
    prefix = f"argument '{field}': " if error is TypeError else ""
    assert str(info.value) == prefix + message
    # Setters and from_dict raise the conversion's error as it is and
    # leave the object unchanged.
    e = fv.Evaluation(energy=[7])
    with pytest.raises(error) as info:
        setattr(e, field, value)
    assert str(info.value) == message
    assert e == fv.Evaluation(energy=[7])
    with pytest.raises(error) as info:
        fv.Evaluation.from_dict({field: value})
    assert str(info.value) == message


def test_argument_checks():
    with pytest.raises(TypeError, match=r"^argument 'dict': 'list' object cannot be converted to 'PyDict'$"):
        fv.Evaluation.from_dict([])
    with pytest.raises(TypeError, match="takes from 0 to 6 positional arguments but 7 were given"):
        fv.Evaluation([], [], {}, {}, [], {}, [])
    for name in FIELDS:
        with pytest.raises(AttributeError, match="can't delete attribute"):
            delattr(fv.Evaluation(), name)
    with pytest.raises(AttributeError):
        fv.Evaluation().constraint_expr_values = []


def test_reentrant_conversion_meets_the_borrow():
    e = fv.Evaluation(energy=[1])

    class Sneaky:
        def __float__(self):
            return float(len(e.energy))

    with pytest.raises(RuntimeError, match="Already mutably borrowed"):
        e.objective = [Sneaky()]
    assert e.objective.tolist() == []


# ---- getters ----

def test_getters_hand_out_new_arrays(two_samples):
    energy = two_samples.energy
    assert energy.dtype == np.float64 and energy.shape == (2,)
    energy[0] = 99
    two_samples.constraint_violations["c"][0] = 99
    two_samples.constraint_forall["c"][0, 0] = 99
    assert two_samples.energy[0] == 1.0
    assert two_samples.constraint_violations["c"][0] == 0.0
    assert two_samples.constraint_forall["c"].dtype == np.uint64
    assert two_samples.constraint_forall["c"].tolist() == [[0], [1]]
    assert two_samples.energy is not two_samples.energy


def test_forall_shapes():
    e = fv.Evaluation(constraint_forall={"none": [], "empty": [[]], "two": [[1, 2], [3, 4], [5, 6]]})
    forall = e.constraint_forall
    assert forall["none"].shape == (0, 0) and forall["none"].dtype == np.uint64
    assert forall["empty"].shape == (1, 0)
    assert forall["two"].shape == (3, 2)


def test_ragged_forall_rows_fail_when_read():
    e = fv.Evaluation(constraint_forall={"c": [[0, 1], [2]]})
    for read in (lambda: e.constraint_forall, e.to_dict):
        with pytest.raises(TypeError) as info:
            read()
        assert str(info.value) == "invalid length: 1, but expected 2"
    assert str(e).endswith('constraint_forall={"c": [[0, 1], [2]]}, constraint_values=[], penalty={})')


def test_getter_results_are_accepted_back(two_samples):
    copy = fv.Evaluation(**two_samples.to_dict())
    assert copy == two_samples
    assert fv.Evaluation.from_dict(two_samples.to_dict()) == two_samples
    other = fv.Evaluation()
    for name in FIELDS:
        setattr(other, name, getattr(two_samples, name))
    assert other == two_samples


# ---- equality ----

def test_equality_compares_every_field(two_samples):
    assert two_samples == fv.Evaluation.from_json(two_samples.to_json())
    assert fv.Evaluation() == fv.Evaluation.from_dict({})
    assert fv.Evaluation(energy=[0.0]) == fv.Evaluation(energy=[-0.0])
    for name, value in [("energy", [1.0, -2.5, 0]), ("objective", [0.0, 3.5]),
                        ("constraint_violations", {"c": [0.0, 1.0], "d": []}),
                        ("constraint_forall", {"c": [[0], [2]]}),
                        ("constraint_values", [{"c": [0.0, 0.0]}]), ("penalty", {"p": []})]:
        changed = fv.Evaluation(**two_samples.to_dict())
        setattr(changed, name, value)
        assert changed != two_samples, name
    nan = fv.Evaluation(constraint_values=[{"c": [math.nan]}])
    assert nan != nan


# ---- dict and JSON forms ----

def test_dict_form(two_samples):
    d = two_samples.to_dict()
    assert list(d) == FIELDS
    assert d["constraint_forall"]["c"].dtype == np.uint64
    assert isinstance(d["constraint_values"], list) and d["constraint_values"][1]["c"].tolist() == [1.0, 0.0]
    partial = fv.Evaluation.from_dict({"penalty": {"p": [1]}, "unknown": object()})
    assert partial == fv.Evaluation(penalty={"p": [1.0]})


def test_json_form():
    e = fv.Evaluation(energy=[1], objective=[2], constraint_violations={"c": [0]},
                      constraint_forall={"c": [[0], [1]]}, constraint_values=[{"c": [0, 0]}])
    assert e.to_json() == (
        '{"energy":[1.0],"objective":[2.0],"constraint_violations":{"c":[0.0]},'
        '"constraint_forall":{"c":[[0],[1]]},"constraint_values":[{"c":[0.0,0.0]}],"penalty":{}}')
    assert fv.Evaluation.from_json(e.to_json()) == e
    assert fv.Evaluation.from_json('[[1], [2], {"c": [0]}, {"c": [[0], [1]]}, [{"c": [0, 0]}], {}]') == e


def test_json_reader_rules():
    text = ('{"penalty": {"p": [1], "p": [2, 3]}, "energy": [], "objective": [], "constraint_violations": {}, '
            '"constraint_forall": {"c": [[18446744073709551615, 0]]}, "constraint_values": [], "extra": [{}]}')
    e = fv.Evaluation.from_json(text)
    assert e.penalty["p"].tolist() == [2.0, 3.0]
    assert e.constraint_forall["c"].tolist() == [[2**64 - 1, 0]]


def test_non_finite_values_are_written_as_null_and_refused_back():
    e = fv.Evaluation(energy=[math.nan, math.inf, -math.inf])
    assert e.to_json().startswith('{"energy":[null,null,null],')
    with pytest.raises(ValueError, match=r"^invalid type: null, expected f64 at line 1 column 15$"):
        fv.Evaluation.from_json(e.to_json())


# ---- pandas form ----

def test_pandas_columns():
    e = fv.Evaluation(
        energy=[1, 2, 3], objective=[4, 5, 6], constraint_violations={"c2": [0, 1, 0], "c1": [1, 0, 0]},
        constraint_forall={"c1": [[0, 1]], "c2": [[2, 3], [4, 5]]},
        constraint_values=[{"c1": [0.5]}, {"c1": [1.5]}, {"c1": [2.5]}], penalty={"p": [7, 8, 9]})
    df = e.to_pandas()
    assert list(df.columns) == ["energy", "objective", "constraint_forall", "constraint_values",
                                "constraint_violation[c1]", "constraint_violation[c2]", "penalty[p]"]
    assert df["energy"].tolist() == [1.0, 2.0, 3.0]
    assert df["constraint_violation[c2]"].tolist() == [0.0, 1.0, 0.0]
    forall = df["constraint_forall"].tolist()
    assert forall == [{"c1": [[0, 1]], "c2": [[2, 3], [4, 5]]}] * 3
    assert forall[0] is not forall[1]
    assert type(forall[0]["c1"][0][0]) is int
    assert df["constraint_values"].tolist() == [{"c1": [0.5]}, {"c1": [1.5]}, {"c1": [2.5]}]
    assert type(df["constraint_values"][0]["c1"][0]) is float


def test_pandas_empty_columns_are_none():
    df = fv.Evaluation(energy=[1, 2], objective=[3, 4]).to_pandas()
    assert list(df.columns) == ["energy", "objective", "constraint_forall", "constraint_values"]
    assert df["constraint_forall"].tolist() == [None, None]
    assert df["constraint_values"].tolist() == [None, None]


def test_pandas_column_lengths_must_agree():
    with pytest.raises(ValueError):
        fv.Evaluation(energy=[1, 2], objective=[1]).to_pandas()


# ---- constraint_expr_values ----

@pytest.mark.parametrize(
    "forall, values, expected",
    [
        ({"c": [[0]]}, [], []),
        ({}, [{"c": [1]}, {}], [{}, {}]),
        ({"c": [[0], [1], [2]]}, [{"c": [5, 6]}], [{"c": {(0,): 5.0, (1,): 6.0}}]),
        ({"c": [[0]]}, [{"c": [5, 6]}], [{"c": {(0,): 5.0}}]),
        ({"c": [[]]}, [{"c": [1]}], [{"c": {(): 1.0}}]),
        ({"c": [[0], [0]]}, [{"c": [1, 2]}], [{"c": {(0,): 2.0}}]),
        ({"b": [[1, 2]], "a": [[3, 4]]}, [{"a": [1], "b": [2], "z": [3]}, {"a": [4], "b": [5]}],
         [{"a": {(3, 4): 1.0}, "b": {(1, 2): 2.0}}, {"a": {(3, 4): 4.0}, "b": {(1, 2): 5.0}}]),
    ],
)
def test_constraint_expr_values(forall, values, expected):
    got = fv.Evaluation(constraint_forall=forall, constraint_values=values).constraint_expr_values
    assert got == expected
    assert [list(d) for d in got] == [sorted(d) for d in expected]


def test_constraint_expr_values_names_a_missing_constraint():
    e = fv.Evaluation(constraint_forall={"a": [[0]], "c": [[0]]}, constraint_values=[{"a": [1]}])
    with pytest.raises(KeyError) as info:
        e.constraint_expr_values
    assert info.value.args == ("c",)


def test_constraint_expr_values_doc():
    assert fv.Evaluation.constraint_expr_values.__doc__ == (
        "Return the values for the each constraint.\n\n"
        "The return value is a list of dictionaries.\n"
        "Each dictionary has the keys of the constraint names and the dictionary values.\n"
        "The dictionary values have the keys of the forall indices as tuple and the values for the "
        "forall indices.\n\n"
        "Returns:\n    A list of dictionaries.")


# ---- feasibility ----

def split(violations, rtol=1e-5, atol=1e-8):
    e = fv.Evaluation(constraint_violations=violations)
    return (e._feasible_sample_indices(rtol=rtol, atol=atol),
            e._infeasible_sample_indices(rtol=rtol, atol=atol))


@pytest.mark.parametrize(
    "total, rtol, atol, feasible",
    [
        (0.0, 1e-5, 1e-8, True), (1e-8, 1e-5, 1e-8, True), (-1e-8, 1e-5, 1e-8, True),
        (1e-9, 1e-5, 1e-8, True), (2e-8, 1e-5, 1e-8, False), (1e-7, 1e-5, 1e-8, False),
        (-2e-8, 1e-5, 1e-8, False), (1.0, 1.0, 0.0, True), (1.0, 0.5, 0.5, True), (1.0, 0.5, 0.49, False),
        (0.0, 1e-5, -1e-9, False),
        # A total that is not finite is never feasible.
        (math.nan, 1e-5, 1e-8, False), (math.inf, 1e-5, 1e-8, False), (-math.inf, 1.0, math.inf, False),
        (math.inf, 0.0, 1e-8, False),
        # A NaN tolerance makes every comparison false.
        (0.0, math.nan, 1e-8, False),
    ],
)
def test_tolerance_table(total, rtol, atol, feasible):
    feasible_indices, infeasible_indices = split({"c": [total]}, rtol, atol)
    assert (feasible_indices, infeasible_indices) == (([0], []) if feasible else ([], [0]))


def test_violations_are_summed_per_sample():
    assert split({"b": [0, 0, 1, 1e-8], "a": [0, 1, -1, 1e-8]}) == ([0, 2], [1, 3])
    feasible, infeasible = split({"c": [0, 1e-9, math.nan, 5, -1e-9, 1e-3]})
    assert sorted(feasible + infeasible) == list(range(6))
    assert feasible == [0, 1, 4] and infeasible == [2, 3, 5]
    assert split({"a": [], "b": []}) == ([], [])
    assert fv.Evaluation(constraint_violations={"c": [0]})._feasible_sample_indices() == [0]


@pytest.mark.parametrize(
    "violations, message",
    [
        ({}, "constraint violation is empty"),
        ({"a": [0, 0], "b": [0]}, "ShapeError/OutOfBounds: out of bounds indexing"),
        ({"a": [], "b": [0]}, "ShapeError/IncompatibleShape: incompatible shapes"),
        ({"a": [0], "b": [0, 0]}, "ShapeError/IncompatibleShape: incompatible shapes"),
        # Same total count, unequal lengths: refused, not regrouped.
        ({"a": [0, 0], "b": [0], "c": [0, 0, 0]}, "ShapeError/IncompatibleShape: incompatible shapes"),
    ],
)
def test_violation_shape_errors(violations, message):
    e = fv.Evaluation(constraint_violations=violations)
    for method in (e._feasible_sample_indices, e._infeasible_sample_indices):
        with pytest.raises(ValueError) as info:
            method()
        assert str(info.value) == message

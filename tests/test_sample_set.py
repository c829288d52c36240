"""SampleSet: its parts and shared metadata, equality and text, the filters
(with their checks of the per-sample list lengths), the dict, JSON and
pandas forms, to_dense, and the report of backend calculation times."""
import gc
import json
import math
import sys

import numpy as np
import pytest

import forvela as fv

MISMATCH = ("Failed to extract a solution. The solution must be a dict of str to a list of numpy.ndarray or "
            "Tuple[List[List[int]], List[int|float], Tuple[int,..]].")


def entry(i):
    return (([i],), [1.0], (4,))


def record(n=4, counts=None):
    return fv.Record({"x": [entry(i) for i in range(n)], "y": [((), [float(i)], ()) for i in range(n)]},
                     list(range(1, n + 1)) if counts is None else counts)


def evaluation(**fields):
    """Four samples: 0 and 2 feasible with objective 1, 1 feasible with 2, 3 infeasible."""
    base = dict(energy=[10, 20, 30, 40], objective=[1, 2, 1, 0],
                constraint_violations={"b": [0, 0, 0, 1], "a": [0, 0, 0, 2]},
                constraint_forall={"a": [[0], [1]]},
                constraint_values=[{"a": [float(i), 0.0]} for i in range(4)],
                penalty={"p": [5, 6, 7, 8]})
    base.update(fields)
    return fv.Evaluation(**base)


@pytest.fixture
def metadata():
    return {"solver": "test", "params": [1, None]}


@pytest.fixture
def sample_set(metadata):
    return fv.SampleSet(record(), evaluation(), fv.MeasuringTime(total=1.5), metadata)


def samples_of(s):
    """The y value of every sample kept, which is the sample's index."""
    return [values[0] for _, values, _ in s.record.solution["y"]]


# ---- parts and metadata ----

def test_parts_are_copied_and_metadata_shared(sample_set, metadata):
    assert sample_set.metadata is metadata and sample_set.metadata is sample_set.metadata
    assert sample_set.record == record() and sample_set.record is not sample_set.record
    r = sample_set.record
    r.num_occurrences = [9]
    assert sample_set.record.num_occurrences == [1, 2, 3, 4]
    sample_set.record = r
    assert sample_set.record.num_occurrences == [9]
    metadata["new"] = 1
    assert sample_set.metadata["new"] == 1
    assert sample_set.measuring_time.total == 1.5
    for default in (fv.SampleSet(record(), evaluation(), fv.MeasuringTime()),
                    fv.SampleSet(record(), evaluation(), fv.MeasuringTime(), None)):
        assert default.metadata == {} and default.metadata is not metadata


@pytest.mark.parametrize(
    "args, message",
    [
        ((1, fv.Evaluation(), fv.MeasuringTime()), "argument 'record': 'int' object cannot be converted to 'Record'"),
        ((record(), fv.Record({}, []), fv.MeasuringTime()),
         "argument 'evaluation': 'Record' object cannot be converted to 'Evaluation'"),
        ((record(), fv.Evaluation(), None), "argument 'measuring_time': 'NoneType' object cannot be converted to 'MeasuringTime'"),
        ((record(), fv.Evaluation(), fv.MeasuringTime(), []), "argument 'metadata': 'list' object cannot be converted to 'PyDict'"),
        ((record(), fv.Evaluation()), "SampleSet.__new__() missing 1 required positional argument: 'measuring_time'"),
    ],
)
def test_constructor_errors(args, message):
    with pytest.raises(TypeError) as info:
        fv.SampleSet(*args)
    assert str(info.value) == message


@pytest.mark.parametrize(
    "name, value",
    [("record", fv.Evaluation()), ("evaluation", None), ("measuring_time", 1), ("metadata", None), ("metadata", [])],
)
def test_setters_refuse_other_types(sample_set, metadata, name, value):
    before = getattr(sample_set, name)
    with pytest.raises(TypeError, match="object cannot be converted to"):
        setattr(sample_set, name, value)
    assert getattr(sample_set, name) == before
    with pytest.raises(AttributeError, match="can't delete attribute"):
        delattr(sample_set, name)
    assert sample_set.metadata is metadata


def test_kind_tests():
    dense = fv.SampleSet(record().to_dense(), fv.Evaluation(), fv.MeasuringTime())
    assert dense.is_dense() and not dense.is_sparse()
    empty = fv.SampleSet(fv.Record({}, []), fv.Evaluation(), fv.MeasuringTime())
    assert empty.is_sparse() and empty.to_dense().is_dense()


def test_a_cycle_through_the_metadata_is_collected():
    freed = []

    class Canary:
        def __del__(self):
            freed.append(True)

    s = fv.SampleSet(record(), evaluation(), fv.MeasuringTime())
    s.metadata["self"] = s
    s.metadata["canary"] = Canary()
    del s
    gc.collect()
    assert freed == [True]


# ---- equality and text ----

def test_equality(sample_set, metadata):
    other = fv.SampleSet(record(), evaluation(), fv.MeasuringTime(total=1.5), dict(metadata))
    assert sample_set == other and not sample_set != other
    other.metadata["x"] = 1
    assert sample_set != other
    assert fv.SampleSet(record(), evaluation(), fv.MeasuringTime()) != fv.SampleSet(
        record().to_dense(), evaluation(), fv.MeasuringTime())
    nan = fv.SampleSet(record(), evaluation(energy=[math.nan] * 4), fv.MeasuringTime())
    assert nan != nan
    assert (sample_set == 1) is False and (sample_set != 1) is True
    with pytest.raises(TypeError, match="Comparison '>=' not supported for SampleSet"):
        sample_set >= sample_set


class Hostile(dict):
    def __eq__(self, other):
        raise KeyError("compared")

    def __str__(self):
        raise RuntimeError("printed")


def test_metadata_that_fails(monkeypatch):
    s = fv.SampleSet(fv.Record({}, []), fv.Evaluation(), fv.MeasuringTime(), Hostile())
    with pytest.raises(KeyError, match="compared"):
        s == s
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", lambda u: reported.append(type(u.exc_value)))
    assert str(s).endswith(", metadata=<unprintable Hostile object>)")
    assert reported == [RuntimeError]


class Interrupt(BaseException):
    pass


class Raising:
    def __init__(self, error):
        self.error = error

    def __repr__(self):
        raise self.error("printed")

    def __eq__(self, other):
        raise self.error("compared")


@pytest.mark.parametrize("use", [str, repr, lambda s: s == fv.SampleSet(fv.Record({}, []), fv.Evaluation(),
                                                                         fv.MeasuringTime(), {"k": 1})])
@pytest.mark.parametrize("error", [KeyboardInterrupt, SystemExit, Interrupt, ValueError])
def test_metadata_code_that_raises(monkeypatch, use, error):
    """Only an Exception raised while printing the metadata is reported and replaced; == lets every error out."""
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", lambda u: reported.append(type(u.exc_value)))
    s = fv.SampleSet(fv.Record({}, []), fv.Evaluation(), fv.MeasuringTime(), {"k": Raising(error)})
    if error is ValueError and use in (str, repr):
        assert use(s).endswith(", metadata=<unprintable dict object>)")
        assert reported == [ValueError]
    else:
        with pytest.raises(error):
            use(s)
        assert reported == []
    s.metadata = {}  # the set is no longer borrowed


@pytest.mark.parametrize("use", [lambda s, t: s == t, lambda s, t: t == s, lambda s, t: str(s)])
def test_set_stays_borrowed_while_metadata_code_runs(use):
    seen = []

    class Meddling(dict):
        def meddle(self):
            try:
                target.metadata = {}
            except RuntimeError as e:
                seen.append(str(e))

        def __eq__(self, other):
            self.meddle()
            return True

        def __repr__(self):
            self.meddle()
            return "meddling"

    def make():
        return fv.SampleSet(fv.Record({}, []), fv.Evaluation(), fv.MeasuringTime(), Meddling())

    target, other = make(), make()
    use(target, other)
    assert seen == ["Already borrowed"]
    assert isinstance(target.metadata, Meddling)
    target.metadata = {}  # the borrows end with the call
    assert target.metadata == {}


def test_text_form():
    s = fv.SampleSet(fv.Record({"x": [entry(1)]}, [2]), fv.Evaluation(energy=[1]), fv.MeasuringTime(), {"k": "\ud800"})
    assert str(s) == repr(s) == (
        "SampleSet(record=Record(solution={'x': [(([1],), [1.0], (4,))]}, num_occurrences=[2]), "
        "evaluation=Evaluation(energy=[1.0], objective=[], constraint_violations={}, constraint_forall={}, "
        "constraint_values=[], penalty={}), measuring_time=MeasuringTime(solve=SolvingTime(preprocess=None, "
        "solve=None, postprocess=None), system=SystemTime(post_problem_and_instance_data=None, request_queue=None, "
        "fetch_problem_and_instance_data=None, fetch_result=None, deserialize_solution=None), total=None), "
        "metadata={'k': '\\ud800'})")


# ---- filters ----

def test_filters(sample_set, metadata):
    feasible = sample_set.feasible()
    assert samples_of(feasible) == [0.0, 1.0, 2.0]
    assert feasible.record.num_occurrences == [1, 2, 3]
    e = feasible.evaluation
    assert e.energy.tolist() == [10, 20, 30] and e.penalty["p"].tolist() == [5, 6, 7]
    assert [v["a"].tolist() for v in e.constraint_values] == [[0, 0], [1, 0], [2, 0]]
    assert e.constraint_forall["a"].tolist() == [[0], [1]]
    assert samples_of(sample_set.infeasible()) == [3.0]
    lowest = sample_set.lowest()
    assert samples_of(lowest) == [0.0, 2.0] and lowest.evaluation.objective.tolist() == [1, 1]
    for derived in (feasible, sample_set.infeasible(), lowest, sample_set.to_dense()):
        assert derived.metadata is metadata and derived.measuring_time.total == 1.5
    assert sample_set == fv.SampleSet(record(), evaluation(), fv.MeasuringTime(total=1.5), metadata)


@pytest.mark.parametrize(
    "violations, rtol, atol, feasible",
    [
        ([0, 1e-8, -1e-8, 2e-8], 1e-5, 1e-8, [0, 1, 2]),
        ([1e-9, -1e-9, 1e-7, math.nan], 1e-5, 1e-8, [0, 1]),
        ([0, 1e-12, 0, 0], 0, 0, [0, 2, 3]),
        ([0, 0, 0, 0], 1e-5, -1, []),
        ([100, 100.0001, 0, 1], 1e-5, 1e-3, [2]),  # |v| rtol + atol is no band around v
    ],
)
def test_tolerances(violations, rtol, atol, feasible):
    s = fv.SampleSet(record(), evaluation(constraint_violations={"c": violations}), fv.MeasuringTime())
    assert samples_of(s.feasible(rtol, atol=atol)) == feasible
    assert samples_of(s.infeasible(rtol=rtol, atol=atol)) == sorted(set(range(4)) - set(feasible))


def test_violations_are_summed_over_constraints():
    s = fv.SampleSet(record(), evaluation(constraint_violations={"a": [1, 0, 0, 0], "b": [-1, 0, 0, 1]}),
                     fv.MeasuringTime())
    assert samples_of(s.feasible()) == [0, 1, 2]


def test_lowest_ties_and_nan():
    s = fv.SampleSet(record(), evaluation(objective=[math.nan, 3, 3, -1], constraint_violations={"c": [0, 0, 0, 1]}),
                     fv.MeasuringTime())
    assert samples_of(s.lowest()) == [1, 2]
    nan = fv.SampleSet(record(), evaluation(objective=[math.nan] * 4, constraint_violations={"c": [0] * 4}),
                       fv.MeasuringTime())
    assert nan.lowest().record.solution == {"x": [], "y": []}


def lowest_reference(objective, violations):
    """The feasible samples whose objective is the least (NaN aside) of the feasible ones."""
    feasible = [j for j, v in enumerate(violations) if math.isfinite(v) and abs(v) <= 1e-8 + 1e-5 * abs(v)]
    least = min((objective[j] for j in feasible if not math.isnan(objective[j])), default=math.inf)
    return [j for j in feasible if objective[j] == least]


@pytest.mark.parametrize(
    "objective, violations",
    [
        ([2, -0.0, 0.0, 5, 0.0], [0, 0, 0, 0, 1]),  # -0.0 and 0.0 tie
        ([-math.inf, math.inf, 1, -math.inf], [1, 0, 0, 0]),
        ([math.nan, math.inf, math.nan, math.inf], [0, 0, 1, 0]),
        ([math.nan, 3, 1], [0, 1, 1]),  # nothing feasible but a NaN
        (list(range(20)), [1] * 19 + [0]),  # the least feasible value is the 20th
        ([k % 11 for k in range(40)], [0 if k % 11 == 10 else 1 for k in range(40)]),
        ([k % 11 for k in range(40)], [1] * 40),
    ],
)
def test_lowest_is_the_least_feasible(objective, violations):
    n = len(objective)
    s = fv.SampleSet(record(n), evaluation(energy=[0] * n, objective=objective, constraint_violations={"c": violations},
                                           constraint_values=[], penalty={}), fv.MeasuringTime())
    assert samples_of(s.lowest()) == lowest_reference(objective, violations)


def test_filters_without_constraints(sample_set):
    s = fv.SampleSet(record(), evaluation(constraint_violations={}), fv.MeasuringTime())
    assert s.feasible() == s
    none = s.infeasible()
    assert none.record.solution == {"x": [], "y": []} and list(none.evaluation.penalty) == ["p"]
    with pytest.raises(ValueError, match="^constraint violation is empty$"):
        s.lowest()


def test_filter_arguments():
    s = fv.SampleSet(record(), evaluation(), fv.MeasuringTime())
    with pytest.raises(TypeError, match="^argument 'rtol': must be real number, not str$"):
        s.feasible("1")
    with pytest.raises(TypeError, match="^argument 'atol': "):
        s.lowest(atol=None)
    with pytest.raises(ValueError, match="ShapeError/IncompatibleShape"):
        fv.SampleSet(record(), evaluation(constraint_violations={"a": [0, 0], "b": [0, 0, 0]}), fv.MeasuringTime()).infeasible()


@pytest.mark.parametrize(
    "parts, message",
    [
        (dict(counts=[1, 2]), "num_occurrences has length 2, too short for the selected sample 2 of the 4 samples"),
        (dict(energy=[1, 2]), "energy has length 2, too short for the selected sample 2"),
        (dict(penalty={"p": [1]}), "penalty['p'] has length 1, too short for the selected sample 2"),
        (dict(constraint_values=[{}, {}]), "constraint_values has length 2, too short for the selected sample 2"),
    ],
)
def test_too_short_lists_are_refused(parts, message):
    counts = parts.pop("counts", None)
    s = fv.SampleSet(record(counts=counts), evaluation(**parts), fv.MeasuringTime())
    for select in (s.feasible, s.lowest):
        with pytest.raises(ValueError) as info:
            select()
        assert str(info.value).startswith(message)


def test_too_short_samples_and_objective_are_refused():
    short = fv.Record({"x": [entry(0), entry(1)]}, [1, 2, 3, 4])
    with pytest.raises(ValueError, match=r"^solution\['x'\] has length 2, too short for the selected sample 2"):
        fv.SampleSet(short, evaluation(), fv.MeasuringTime()).feasible()
    s = fv.SampleSet(record(), evaluation(objective=[1, 2]), fv.MeasuringTime())
    with pytest.raises(ValueError, match="^objective has length 2, shorter than the 4 samples of the constraint violations$"):
        s.lowest()
    with pytest.raises(ValueError, match="^objective has length 0, shorter than the 4 samples"):
        fv.SampleSet(record(), evaluation(objective=[]), fv.MeasuringTime()).lowest()
    # selections that stay within a short list are fine
    lowest = fv.SampleSet(short, evaluation(objective=[0, 2, 1, 0]), fv.MeasuringTime()).lowest()
    assert lowest.record.solution == {"x": [entry(0)]} and lowest.record.num_occurrences == [1]


def test_empty_lists_fall_back():
    # an empty list counts as not given: the record or the evaluation is left empty
    s = fv.SampleSet(record(counts=[]), evaluation(energy=[]), fv.MeasuringTime())
    f = s.feasible()
    assert f.record == fv.Record({}, []) and f.record.is_sparse()
    assert f.evaluation == fv.Evaluation()
    only_values = fv.SampleSet(record().to_dense(), evaluation(constraint_values=[]), fv.MeasuringTime()).feasible()
    assert only_values.record.is_dense() and only_values.evaluation.energy.tolist() == [10, 20, 30]
    assert only_values.evaluation.constraint_values == []


# ---- dict, JSON and pandas forms ----

def test_dict_form(sample_set, metadata):
    d = sample_set.to_dict()
    assert list(d) == ["record", "evaluation", "measuring_time", "metadata"]
    assert d["metadata"] is metadata
    assert d["record"]["num_occurrences"] == [1, 2, 3, 4] and d["measuring_time"]["total"] == 1.5
    back = fv.SampleSet.from_dict({**d, "ignored": 1})
    assert back == sample_set and back.metadata is metadata
    assert fv.SampleSet.from_dict({k: d[k] for k in ("record", "evaluation", "measuring_time")}).metadata == {}


@pytest.mark.parametrize(
    "d, error, message",
    [
        ({"evaluation": {}}, ValueError, "the key 'record' is not included in the dict"),
        ({"record": []}, TypeError, "the value of the key 'record' is not dict"),
        ({"record": {}}, ValueError, "the key 'evaluation' is not included in the dict"),
        ({"record": {}, "evaluation": None}, TypeError, "the value of the key 'evaluation' is not dict"),
        ({"record": {}, "evaluation": {}}, ValueError, "the key 'measuring_time' is not included in the dict"),
        ({"record": {}, "evaluation": {}, "measuring_time": 1}, TypeError, "the value of the key 'measuring_time' is not dict"),
        ({"record": {}, "evaluation": {}, "measuring_time": {}, "metadata": None}, TypeError,
         "the value of the key 'metadata' is not dict"),
        ({"record": {"solution": None}, "evaluation": {}, "measuring_time": {}}, TypeError, MISMATCH),
        ({"record": {}, "evaluation": {"energy": None}, "measuring_time": {}}, TypeError,
         "'NoneType' object cannot be converted to 'Sequence'"),
    ],
)
def test_from_dict_errors(d, error, message):
    with pytest.raises(error) as info:
        fv.SampleSet.from_dict(d)
    assert str(info.value) == message


def test_sample_set_survives_json(sample_set):
    text = sample_set.to_json()
    assert text.startswith('{"record":{"solution":{"x":[[[[0]],[1.0],[4]],')
    back = fv.SampleSet.from_json(text)
    assert back == sample_set and back.metadata == sample_set.metadata
    assert back.metadata is not sample_set.metadata
    dense = sample_set.to_dense()
    assert dense.to_json().startswith('{"record":{"solution":{"x":[[1.0,0.0,0.0,0.0],')
    assert fv.SampleSet.from_json(dense.to_json()) == dense
    assert sys.modules[""].load is not None  # the snippets run as the module ""


def arrays(shape, samples):
    """`samples` distinct float64 arrays of `shape`, with fractions, -0.0 and a large and a tiny value."""
    size = math.prod(shape)
    pool = [0.0, 1.0, -2.5, 0.1, -0.0, 1e300, 3e-7, 7.0]
    return [np.array([pool[(i + k) % len(pool)] for i in range(size)], dtype=np.float64).reshape(shape)
            for k in range(samples)]


@pytest.mark.parametrize("kind", ["dense", "sparse"])
@pytest.mark.parametrize("samples", [1, 3])
@pytest.mark.parametrize("shape", [(), (1,), (4,), (2, 3), (3, 2), (2, 2, 2), (2, 0), (0,), (1, 1, 1)])
def test_json_round_trip(kind, samples, shape):
    solution = {"x": arrays(shape, samples), "a": arrays((3,), samples)}
    r = fv.Record(solution, list(range(1, samples + 1)))
    s = fv.SampleSet(r if kind == "dense" else r.to_sparse(), fv.Evaluation(energy=[0.5] * samples),
                     fv.MeasuringTime(total=2.0), {"solver": "test", "tags": [1, None]})
    back = fv.SampleSet.from_json(s.to_json())
    assert back == s and back.is_dense() == (kind == "dense")
    if kind == "dense":
        for name, expected in solution.items():
            got = back.record.solution[name]
            assert [a.shape for a in got] == [a.shape for a in expected]
            assert all(a.dtype == np.float64 for a in got)
            assert all(np.array_equal(a, b) for a, b in zip(got, expected))
    assert fv.Record.from_json(s.record.to_json()) == s.record


def json_with_solution(solution):
    return '{"record":{"solution":%s,"num_occurrences":[1]},"evaluation":{},"measuring_time":{}}' % solution


@pytest.mark.parametrize(
    "solution, expected",
    [
        ('{"x":[[1,2.5]]}', [np.array([1.0, 2.5])]),  # integers become floats
        ('{"x":[7]}', [np.array(7.0)]),
        ('{"x":[[[1],[2],[3]]]}', [np.array([[1.0], [2.0], [3.0]])]),  # three lists, but no index lists
        ('{"x":[[[],[]]]}', [np.zeros((2, 0))]),
        ('{"x":[%s1.0%s]}' % ("[" * 32, "]" * 32), [np.ones([1] * 32)]),
    ],
)
def test_json_dense_samples_read(solution, expected):
    got = fv.SampleSet.from_json(json_with_solution(solution)).record.solution["x"]
    assert [a.shape for a in got] == [a.shape for a in expected]
    assert all(a.dtype == np.float64 and np.array_equal(a, b) for a, b in zip(got, expected))


@pytest.mark.parametrize(
    "solution",
    [
        '{"x":[[1.0,null]]}',  # NaN and infinities are written as null
        '{"x":[[[1.0],[2.0,3.0]]]}',  # ragged
        '{"x":[[[1.0],2.0]]}',
        '{"x":[[1.0,true]]}',
        '{"x":[[1.0,"2"]]}',
        '{"x":[null]}',
        '{"x":[[1.0]],"y":[[[[0]],[1.0],[1]]]}',  # a dense and a sparse variable
        '{"x":[%s1.0%s]}' % ("[" * 33, "]" * 33),  # more axes than numpy allows
    ],
)
def test_json_dense_samples_refused(solution):
    with pytest.raises(TypeError) as info:
        fv.SampleSet.from_json(json_with_solution(solution))
    assert str(info.value) == MISMATCH


def test_json_that_does_not_read_back(sample_set):
    # from_dict keeps taking only numpy arrays as dense samples
    dense_json = json.loads(sample_set.to_dense().to_json())
    with pytest.raises(TypeError) as info:
        fv.SampleSet.from_dict(dense_json)
    assert str(info.value) == MISMATCH
    for values in ([math.nan], [1.0, math.inf]):
        dense = fv.SampleSet(fv.Record({"x": [np.array(values)]}, [1]), fv.Evaluation(), fv.MeasuringTime())
        assert '"solution":{"x":[[' in dense.to_json() and "null" in dense.to_json()
        with pytest.raises(TypeError, match="^Failed to extract a solution"):
            fv.SampleSet.from_json(dense.to_json())
    nan_value = fv.SampleSet(fv.Record({"x": [(([0],), [math.nan], (1,))]}, []), fv.Evaluation(), fv.MeasuringTime())
    assert '"solution":{"x":[[[[0]],[null],[1]]]}' in nan_value.to_json()
    with pytest.raises(TypeError, match="^Failed to extract a solution"):
        fv.SampleSet.from_json(nan_value.to_json())
    nan_energy = fv.SampleSet(fv.Record({}, []), fv.Evaluation(energy=[math.inf]), fv.MeasuringTime())
    with pytest.raises(TypeError):
        fv.SampleSet.from_json(nan_energy.to_json())


def test_json_errors(sample_set):
    with pytest.raises(TypeError, match="^'list' object cannot be converted to 'PyDict'$"):
        fv.SampleSet.from_json("[]")
    orjson = pytest.importorskip("orjson")
    with pytest.raises(orjson.JSONDecodeError):
        fv.SampleSet.from_json("{")
    with pytest.raises(TypeError, match="^argument 'json': 'bytes' object cannot be converted to 'PyString'$"):
        fv.SampleSet.from_json(b"{}")
    sample_set.metadata[1] = "non-str key"
    with pytest.raises(orjson.JSONEncodeError):
        sample_set.to_json()


def test_pandas_puts_record_columns_before_evaluation_columns(sample_set):
    df = sample_set.to_pandas()
    assert list(df.columns) == (list(sample_set.record.to_pandas().columns) +
                                list(sample_set.evaluation.to_pandas().columns))
    assert list(df.columns)[:4] == ["solution[x]", "solution[y]", "num_occurrences", "energy"]
    assert df["num_occurrences"].tolist() == [1, 2, 3, 4] and df["energy"].tolist() == [10, 20, 30, 40]
    assert df["solution[x]"][3] == entry(3)
    # unequal lengths are padded by pandas
    short = fv.SampleSet(record(2), evaluation(), fv.MeasuringTime()).to_pandas()
    assert len(short) == 4 and math.isnan(short["num_occurrences"][3])


def test_to_dense(sample_set):
    dense = sample_set.to_dense()
    assert dense.is_dense() and dense.record == sample_set.record.to_dense()
    assert dense.to_dense() == dense and dense.to_dense() is not dense
    broken = fv.SampleSet(fv.Record({"x": [(([5],), [1.0], (2,))]}, []), fv.Evaluation(), fv.MeasuringTime())
    with pytest.raises(IndexError, match="^Failed to get a mutable reference"):
        broken.to_dense()


# ---- backend calculation time ----

def span(span_id, parent, seconds=1.5):
    return {"start_time": "2023-01-01T00:00:00.000000Z",
            "end_time": f"2023-01-01T00:00:{seconds:09.6f}Z" if seconds >= 0 else "2022-12-31T23:59:59.000000Z",
            "context": {"span_id": span_id}, "parent_id": parent}


@pytest.mark.parametrize(
    "metadata, report",
    [
        ({}, {}),
        ({"A": span(1, None)}, {"A": 1.5}),
        ({"A": span(1, None, seconds=-1)}, {"A": -1.0}),
        ({"A": span(1, "x"), "B": span(2, 7), 5: "no span", "n": 1}, {}),
        ({"A": span(1, None), "B": span(2, 1), "C": span(3, 2, seconds=3), "D": span(4, 1, seconds=2)},
         {"A": {"B": {"C": 3.0}, "D": 2.0}}),
        ({"B": span(2, None, seconds=2), "A": span(1, None), "C": span(3, 2)}, {"B": {"C": 1.5}, "A": 1.5}),
    ],
)
def test_backend_calculation_time(metadata, report):
    s = fv.SampleSet(fv.Record({}, []), fv.Evaluation(), fv.MeasuringTime(), metadata)
    before = repr(metadata)
    got = s.get_backend_calculation_time()
    assert got == report and list(got) == list(report)
    assert repr(metadata) == before


@pytest.mark.parametrize(
    "metadata, error",
    [
        ({1: span(1, None)}, TypeError),
        ({"A": {"parent_id": None}}, KeyError),
        ({"A": {**span(1, None), "start_time": "yesterday"}}, ValueError),
        ({"A": span(1, None), "B": span(1, 1)}, RecursionError),
    ],
)
def test_backend_calculation_time_errors(metadata, error):
    with pytest.raises(error):
        fv.SampleSet(fv.Record({}, []), fv.Evaluation(), fv.MeasuringTime(), metadata).get_backend_calculation_time()

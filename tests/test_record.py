"""Record: reading and writing solutions, occurrence counts, equality, the
text, dict, JSON and pandas forms, and the dense and sparse conversions."""
import math

import numpy as np
import pytest

import forvela as fv

MISMATCH = ("Failed to extract a solution. The solution must be a dict of str to a list of numpy.ndarray or "
            "Tuple[List[List[int]], List[int|float], Tuple[int,..]].")


@pytest.fixture
def sparse():
    """The example of the class docstring in sparse form, two samples."""
    return fv.Record({
        "y": [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))],
        "x": [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)),
              (([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3))],
    }, [1, 1])


@pytest.fixture
def dense():
    """The same example in dense form."""
    return fv.Record({
        "x": [np.array([[0.0, 1, 0], [2, 0, 3]]), np.array([[1.0, 0, 0], [2, 3, 4]])],
        "y": [np.array([0.0, 0, 1]), np.array([0.0, 1, 0])],
    }, [1, 1])


def dense_record(*arrays, counts=(1,)):
    return fv.Record({"x": [np.asarray(a, dtype=np.float64) for a in arrays]}, list(counts))


def sparse_record(*entries, counts=(1,)):
    return fv.Record({"x": list(entries)}, list(counts))


# ---- reading a solution ----

@pytest.mark.parametrize(
    "solution, expected",
    [
        ({}, {}),
        ({"x": []}, {"x": []}),
        # integer values, a list for the shape
        ({"x": [(([0, 1], [1, 0]), [1, 2], [2, 2])]}, {"x": [(([0, 1], [1, 0]), [1.0, 2.0], (2, 2))]}),
        # a list of three lists, as JSON text reads back
        ({"x": [[[[0, 1], [1, 0]], [1.0, 2.0], [2, 2]]]}, {"x": [(([0, 1], [1, 0]), [1.0, 2.0], (2, 2))]}),
        # numpy arrays inside the tuple form, a bool and a numpy integer as indices
        ({"x": [(np.array([[0, 1], [1, 0]]), np.array([1.0, 2.0]), np.array([2, 2]))]},
         {"x": [(([0, 1], [1, 0]), [1.0, 2.0], (2, 2))]}),
        ({"x": [(([True, np.uint8(2)],), [1.0, 1.0], (3,))]}, {"x": [(([1, 2],), [1.0, 1.0], (3,))]}),
        # stored as given: coordinates beyond the shape, no axes at all
        ({"x": [(([5],), [1.0], (2,))]}, {"x": [(([5],), [1.0], (2,))]}),
        ({"x": [((), [], ())]}, {"x": [((), [], ())]}),
        ({"x": [(([2**64 - 1],), [1.0], (2**64 - 1,))]}, {"x": [(([2**64 - 1],), [1.0], (2**64 - 1,))]}),
    ],
)
def test_sparse_solutions_read(solution, expected):
    r = fv.Record(solution, [])
    assert r.is_sparse() and not r.is_dense()
    assert r.solution == expected


def test_dense_solutions_copy_any_layout():
    base = np.arange(16.0).reshape(4, 4)
    strided = base[::2, ::3]
    readonly = np.arange(3.0)
    readonly.setflags(write=False)
    r = fv.Record({"a": [strided, readonly, np.array(5.0)], "b": np.arange(6.0).reshape(2, 3)}, [1])
    assert r.is_dense()
    a = r.solution["a"]
    assert a[0].tolist() == strided.tolist() and a[0].flags.c_contiguous
    assert a[1].tolist() == [0.0, 1.0, 2.0] and a[1].flags.writeable
    assert a[2].shape == () and float(a[2]) == 5.0
    # a 2-D array as the value is the list of its rows
    assert [row.tolist() for row in r.solution["b"]] == [[0.0, 1.0, 2.0], [3.0, 4.0, 5.0]]


@pytest.mark.parametrize(
    "solution",
    [
        [],
        {1: []},
        {"x": "abc"},
        {"x": [np.arange(3)]},                                   # int64
        {"x": [np.zeros(2, dtype=np.float32)]},
        {"x": [np.zeros(2, dtype=">f8")]},
        {"x": [[1.0, 2.0]]},                                     # lists are never dense
        {"x": [np.zeros(2)], "y": [(([0],), [1.0], (2,))]},      # kinds mixed
        {"x": [[[[0, 1], [1, 0]], [1.0, 2.0], (2, 2)]]},         # a tuple inside the list form
        {"x": [(([0, 1], [1, 0]), [1.0, 2.0])]},
        {"x": [(([-1],), [1.0], (2,))]},
        {"x": [(([2**64],), [1.0], (2,))]},
        {"x": [(([0],), [None], (2,))]},
        {"x": [(("01",), [1.0], (2,))]},
        # more axes than a record holds (NumPy 1 itself holds at most 32)
        *([{"x": [np.zeros([1] * 33)]}] if np.lib.NumpyVersion(np.__version__) >= "2.0.0" else []),
    ],
)
def test_refused_solutions(solution):
    with pytest.raises(TypeError) as info:
        fv.Record(solution, [])
    assert str(info.value) == "argument 'solution': " + MISMATCH
    r = fv.Record({"x": [np.zeros(1)]}, [])
    with pytest.raises(TypeError) as info:
        r.solution = solution
    assert str(info.value) == MISMATCH
    assert r.is_dense()


class Interrupt(BaseException):
    pass


class Raising:
    """A number whose conversion raises."""

    def __init__(self, error):
        self.error = error

    def __index__(self):
        raise self.error("converted")

    __float__ = __index__


@pytest.mark.parametrize("error", [KeyboardInterrupt, SystemExit, Interrupt])
@pytest.mark.parametrize("sample", [lambda bad: (([bad],), [1.0], (2,)), lambda bad: (([0],), [bad], (2,)),
                                    lambda bad: (([0],), [1.0], (bad,))])
def test_solution_reader_lets_interrupts_out(error, sample):
    """A failed sparse attempt is dropped only for an Exception."""
    with pytest.raises(error):
        fv.Record({"x": [sample(Raising(error))]}, [])
    with pytest.raises(TypeError, match="^argument 'solution': Failed"):
        fv.Record({"x": [sample(Raising(ValueError))]}, [])


@pytest.mark.parametrize(
    "counts, error, message",
    [
        ("12", TypeError, "argument 'num_occurrences': Can't extract `str` to `Vec`"),
        (5, TypeError, "argument 'num_occurrences': 'int' object cannot be converted to 'Sequence'"),
        ([1.5], TypeError, "argument 'num_occurrences': 'float' object cannot be interpreted as an integer"),
        ([-1], OverflowError, None),
        ([2**64], OverflowError, None),
    ],
)
def test_refused_counts(counts, error, message):
    with pytest.raises(error) as info:
        fv.Record({}, counts)
    if message:
        assert str(info.value) == message
    r = fv.Record({}, [7])
    with pytest.raises(error):
        r.num_occurrences = counts
    assert r.num_occurrences == [7]


def test_counts_and_lengths_are_not_compared():
    assert fv.Record({"x": []}, (1, 2)).num_occurrences == [1, 2]
    assert fv.Record({"x": [np.zeros(1)]}, np.array([1, 1, 2**64 - 1], dtype=np.uint64)).num_occurrences == [1, 1, 2**64 - 1]


def test_getters_hand_out_copies_in_name_order():
    r = fv.Record({"b": [np.zeros(2)], "a": [np.zeros(1)], "B": [np.zeros(1)], "é": []}, [3])
    assert list(r.solution) == ["B", "a", "b", "é"]
    first, second = r.solution, r.solution
    assert first is not second and first["b"][0] is not second["b"][0]
    first["b"][0][0] = 9.0
    r.num_occurrences.append(4)
    assert r.solution["b"][0].tolist() == [0.0, 0.0] and r.num_occurrences == [3]


def test_setters_replace_one_field(sparse):
    sparse.solution = {"z": [np.ones(2)]}
    assert sparse.is_dense() and sparse.num_occurrences == [1, 1]
    sparse.num_occurrences = [5]
    assert list(sparse.solution) == ["z"]
    for name in ("solution", "num_occurrences"):
        with pytest.raises(AttributeError, match="can't delete attribute"):
            delattr(sparse, name)


# ---- equality ----

def test_equality(sparse, dense):
    assert sparse == sparse.to_dense().to_sparse()
    assert dense == dense.to_sparse().to_dense()
    assert sparse != dense and sparse.to_dense() == dense
    assert fv.Record({}, []) == fv.Record({}, [])
    assert fv.Record({}, []) != fv.Record({}, [1])
    assert dense_record([-0.0]) == dense_record([0.0])
    nan = dense_record([math.nan])
    assert not nan == nan and nan != nan
    # order of the entries and explicit zeros count
    assert sparse_record((([0, 1],), [1.0, 2.0], (2,))) != sparse_record((([1, 0],), [2.0, 1.0], (2,)))
    assert sparse_record((([0, 1],), [1.0, 0.0], (2,))) != sparse_record((([0],), [1.0], (2,)))


def test_comparison_protocol(sparse):
    assert (sparse == 1) is False and (sparse != 1) is True
    with pytest.raises(TypeError, match="Comparison '<=' not supported for Record"):
        sparse <= sparse
    with pytest.raises(TypeError, match="not supported between instances"):
        sparse < 1
    with pytest.raises(TypeError):
        hash(sparse)


# ---- text form ----

def test_text_of_the_docstring_example(sparse, dense):
    assert str(dense) == repr(dense) == (
        "Record(solution={'x': [[[0, 1, 0],\n [2, 0, 3]], [[1, 0, 0],\n [2, 3, 4]]], "
        "'y': [[0, 0, 1], [0, 1, 0]]}, num_occurrences=[1, 1])")
    assert str(sparse) == (
        "Record(solution={'x': [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)), "
        "(([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3))], "
        "'y': [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))]}, num_occurrences=[1, 1])")


@pytest.mark.parametrize(
    "array, text",
    [
        (np.array(2.5), "2.5"),
        (np.zeros(0), "[]"),
        (np.zeros((2, 0)), "[[]]"),
        (np.array([1.0, 1e-5, -0.0, math.nan, math.inf, 1e21]),
         "[1, 0.00001, -0, NaN, inf, 1000000000000000000000]"),
        (np.arange(8.0).reshape(2, 2, 2), "[[[0, 1],\n  [2, 3]],\n\n [[4, 5],\n  [6, 7]]]"),
        (np.arange(499.0), "[" + ", ".join(str(i) for i in range(499)) + "]"),
        (np.arange(500.0), "[0, 1, 2, 3, 4, ..., 495, 496, 497, 498, 499]"),
        (np.arange(1000.0), "[0, 1, 2, 3, 4, ..., 995, 996, 997, 998, 999]"),
    ],
)
def test_dense_sample_text(array, text):
    assert str(dense_record(array)) == f"Record(solution={{'x': [{text}]}}, num_occurrences=[1])"


def test_large_dense_samples_are_shortened_per_axis():
    rows = str(dense_record(np.arange(600.0).reshape(20, 30)))
    lines = rows.split("\n")
    assert len(lines) == 11 and lines[5] == " ...,"
    assert lines[0].endswith("[[0, 1, 2, 3, 4, ..., 25, 26, 27, 28, 29],")
    blocks = str(dense_record(np.zeros((7, 8, 9))))
    assert blocks.count("\n\n") == 6 and "\n\n ...,\n\n" in blocks   # 3 blocks, "...", 3 blocks


@pytest.mark.parametrize(
    "entry, text",
    [
        (((), [], ()), "((), [], ())"),
        ((([2],), [1.0], (3,)), "(([2],), [1.0], (3,))"),
        ((([0], [1], [2]), [1e16, 1e-5, -0.0], (1, 2, 3)), "(([0], [1], [2]), [1e16, 1e-5, -0.0], (1, 2, 3))"),
        # never checked, never shortened
        ((([0, 1], []), [1.0] * 600, (2,)), "(([0, 1], []), [" + ", ".join(["1.0"] * 600) + "], (2,))"),
    ],
)
def test_sparse_sample_text(entry, text):
    assert str(sparse_record(entry)) == f"Record(solution={{'x': [{text}]}}, num_occurrences=[1])"


def test_names_print_unescaped_in_byte_order():
    r = fv.Record({"b'c": [], "B": [], "a\n": []}, [])
    assert str(r) == "Record(solution={'B': [], 'a\n': [], 'b'c': []}, num_occurrences=[])"


# ---- dict form ----

def test_dict_round_trip(sparse, dense):
    for r in (sparse, dense):
        d = r.to_dict()
        assert list(d) == ["solution", "num_occurrences"]
        assert fv.Record.from_dict(d) == r
        assert fv.Record(**d) == r


def test_from_dict_defaults_and_errors():
    assert fv.Record.from_dict({}) == fv.Record({}, [])
    assert fv.Record.from_dict({"num_occurrences": [4], "other": object()}).num_occurrences == [4]
    # an empty dense record reads back sparse: an empty list has no kind
    empty_dense = fv.Record({}, []).to_dense()
    assert empty_dense.is_dense() and fv.Record.from_dict(empty_dense.to_dict()).is_sparse()
    with pytest.raises(TypeError) as info:
        fv.Record.from_dict({"solution": None})
    assert str(info.value) == MISMATCH
    with pytest.raises(TypeError, match="^Can't extract `str` to `Vec`$"):
        fv.Record.from_dict({"num_occurrences": "1"})
    with pytest.raises(TypeError, match="^argument 'dict': 'list' object cannot be converted to 'PyDict'$"):
        fv.Record.from_dict([])


# ---- JSON form ----

def test_json_texts():
    assert fv.Record({}, []).to_json() == '{"solution":{"Sparse":{}},"num_occurrences":[]}'
    entry = (([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3))
    assert sparse_record(entry, counts=[2]).to_json() == (
        '{"solution":{"Sparse":{"x":[[[[0,1,1],[1,0,2]],[1.0,2.0,3.0],[2,3]]]}},"num_occurrences":[2]}')
    assert sparse_record(entry, counts=[2]).to_dense().to_json() == (
        '{"solution":{"Dense":{"x":[{"v":1,"dim":[2,3],"data":[0.0,1.0,0.0,2.0,0.0,3.0]}]}},"num_occurrences":[2]}')
    assert dense_record(np.array(5.0)).to_json() == (
        '{"solution":{"Dense":{"x":[{"v":1,"dim":[],"data":[5.0]}]}},"num_occurrences":[1]}')
    # row-major whatever the layout, NaN as null
    assert '"data":[0.0,2.0,1.0,3.0]' in dense_record(np.arange(4.0).reshape(2, 2).T).to_json()
    assert '"data":[null]' in dense_record([math.nan]).to_json()


def test_json_round_trip(sparse, dense):
    for r in (sparse, dense, fv.Record({}, []), fv.Record({}, []).to_dense(), dense_record(np.zeros((2, 0, 3)))):
        assert fv.Record.from_json(r.to_json()) == r


@pytest.mark.parametrize(
    "text, expected",
    [
        ('[{"Sparse":{"x":[[[[2]],[1],[3]]]}},[4]]', sparse_record((([2],), [1.0], (3,)), counts=[4])),
        ('{"num_occurrences":[],"solution":{"Sparse":{"x":[{"shape":[3],"extra":[{}],"non_zero_values":[1],'
         '"non_zero_indices":[[2]]}]}},"other":null}', sparse_record((([2],), [1.0], (3,)), counts=[])),
        ('{"solution":{"Dense":{"x":[[1,[2],[1.0,2.0]],{"data":[3.0],"dim":[],"v":1}]}},"num_occurrences":[]}',
         fv.Record({"x": [np.array([1.0, 2.0]), np.array(3.0)]}, [])),
        # a name repeated keeps the later samples
        ('{"solution":{"Sparse":{"x":[],"x":[[[],[],[]]]}},"num_occurrences":[]}', sparse_record(((), [], ()), counts=[])),
    ],
)
def test_json_reader_takes_other_forms(text, expected):
    assert fv.Record.from_json(text) == expected


def dense_json(sample):
    return '{"solution":{"Dense":{"x":[' + sample + ']}},"num_occurrences":[]}'


def sparse_json(sample, counts="[]"):
    return '{"solution":{"Sparse":{"x":[' + sample + ']}},"num_occurrences":' + counts + "}"


@pytest.mark.parametrize(
    "text, message",
    [
        ('{"solution":{"Sparse":{}}}', "missing field `num_occurrences` at line 1 column 26"),
        ('{"solution":{"sparse":{}},"num_occurrences":[]}', "unknown variant `sparse`, expected `Sparse` or `Dense`"),
        ('{"solution":"Dense","num_occurrences":[]}', "invalid type: unit variant, expected newtype variant"),
        ('{"solution":{"Sparse":{},"Dense":{}},"num_occurrences":[]}', "expected value"),
        ('{"solution":5,"num_occurrences":[]}', "expected value"),
        ('{"solution":{"Sparse":{}},"num_occurrences":[-1]}', "invalid value: integer `-1`, expected u64"),
        (sparse_json("[[[1.0]],[1.0],[3]]"), "invalid type: floating point `1.0`, expected usize"),
        (sparse_json("[[[1]],[1.0]]"), "invalid length 2, expected struct COOFormat with 3 elements"),
        (sparse_json("[[[1]],[null],[3]]"), "invalid type: null, expected f64"),
        (sparse_json("5"), "invalid type: integer `5`, expected struct COOFormat"),
        (dense_json('{"v":2,"dim":[1],"data":[1.0]}'), "unknown array version: 2"),
        (dense_json('{"v":1,"dim":[2],"data":[1.0]}'), "data and dimension must match in size"),
        (dense_json('{"v":1,"dim":[2],"data":[1.0,2.0],"w":0}'), "unknown field `w`, expected one of `v`, `dim`, `data`"),
        (dense_json('{"dim":[2]}'), "missing field `v`"),
        (dense_json('{"v":1,"dim":[2]}'), "missing field `data`"),
        (dense_json("[1,[2]]"), "invalid length 2, expected ndarray representation"),
        (dense_json("true"), "invalid type: boolean `true`, expected ndarray representation"),
        # sizes: overflowing products, also beside a zero, and too many axes
        (dense_json('{"v":1,"dim":[4294967296,4294967296,4],"data":[]}'), "data and dimension must match in size"),
        (dense_json('{"v":1,"dim":[0,18446744073709551615],"data":[]}'), "data and dimension must match in size"),
        (dense_json('{"v":1,"dim":[0,4611686018427387904],"data":[]}'), "data and dimension must match in size"),
        (dense_json('{"v":1,"dim":[' + ",".join(["1"] * 33) + '],"data":[1.0]}'),
         "unexpected dimensionality: an array has at most 32 axes, but `dim` has 33"),
        ('{"solution":{"Sparse":{}},"num_occurrences":[]} x', "trailing characters at line 1 column 49"),
    ],
)
def test_json_reader_refusals(text, message):
    with pytest.raises(ValueError) as info:
        fv.Record.from_json(text)
    assert str(info.value).startswith(message) and " at line 1 column " in str(info.value)


def test_json_of_nan_does_not_read_back():
    with pytest.raises(ValueError, match="invalid type: null, expected f64"):
        fv.Record.from_json(sparse_record((([0],), [math.nan], (1,))).to_json())
    with pytest.raises(TypeError, match="^argument 'json': 'bytes' object cannot be converted to 'PyString'$"):
        fv.Record.from_json(b"{}")


# ---- pandas form ----

def test_pandas_columns(sparse):
    df = sparse.to_pandas()
    assert list(df.columns) == ["solution[x]", "solution[y]", "num_occurrences"]
    assert df["solution[y]"].tolist() == [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))]
    assert df["num_occurrences"].tolist() == [1, 1]
    with pytest.raises(ValueError):
        fv.Record({"x": [((), [], ())]}, [1, 2]).to_pandas()


# ---- dense and sparse conversion ----

@pytest.mark.parametrize(
    "entry, array",
    [
        ((([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)), [[0.0, 1.0, 0.0], [2.0, 0.0, 3.0]]),
        (((), [], (2, 3)), [[0.0] * 3] * 2),
        ((([0], [0], [0]), [], (2, 3)), [[0.0] * 3] * 2),          # nothing checked without values
        ((([0, 1],), [1.0], (3,)), [1.0, 0.0, 0.0]),              # indices past the values ignored
        ((([1, 1],), [1.0, 2.0], (3,)), [0.0, 2.0, 0.0]),         # the last repeated coordinate wins
        (((), [5.0], ()), 5.0),
        (((), [], ()), 0.0),
        (((), [], (0, 2**30, 2**20)), []),
    ],
)
def test_to_dense(entry, array):
    r = sparse_record(entry, counts=[3, 4])
    d = r.to_dense()
    assert d.is_dense() and r.is_sparse() and d.num_occurrences == [3, 4]
    assert d.solution["x"][0].tolist() == array


@pytest.mark.parametrize(
    "entry, error, message",
    [
        ((([5],), [1.0], (2,)), IndexError,
         "Failed to get a mutable reference to the array at [5]. This might be caused by the shape mismatch. shape: [2]"),
        ((([0], [0]), [1.0], (2,)), IndexError,
         "Failed to get a mutable reference to the array at [0, 0]. This might be caused by the shape mismatch. shape: [2]"),
        ((([],), [1.0], (0,)), IndexError, "index out of bounds: the len is 0 but the index is 0"),
        ((([0],), [1.0, 2.0], (3,)), IndexError, "index out of bounds: the len is 1 but the index is 1"),
        (((), [], (1,) * 33), ValueError, "unexpected dimensionality: an array has at most 32 axes, but the shape has 33"),
        (((), [], (2**32, 2**32)), MemoryError, "ndarray: Shape too large, product of non-zero axis lengths overflows isize"),
        (((), [], (0, 2**40, 2**40)), MemoryError, "ndarray: Shape too large, product of non-zero axis lengths overflows isize"),
        (((), [], (2**62,)), MemoryError, "capacity overflow"),
        (((), [], (0, 2**62)), MemoryError, "capacity overflow"),
        (((), [], (2**59,)), MemoryError, None),                    # passes the checks, cannot be allocated
    ],
)
def test_to_dense_refusals(entry, error, message):
    r = sparse_record(entry)
    with pytest.raises(error) as info:
        r.to_dense()
    if message:
        assert str(info.value) == message
    assert r.is_sparse() and r.solution["x"] == [entry]


def test_to_dense_reports_the_first_entry_in_name_then_sample_order():
    r = fv.Record({"b": [(([7],), [1.0], (2,))], "a": [(([0],), [1.0], (2,)), (([6],), [1.0], (2,))]}, [])
    with pytest.raises(IndexError, match=r"array at \[6\]"):
        r.to_dense()


def test_to_sparse():
    r = dense_record(np.array([[0.0, -0.0], [math.nan, 3.0]]), np.zeros((2, 2)), np.array(5.0), np.array(0.0))
    entries = r.to_sparse().solution["x"]
    assert str(entries[0]) == "(([1, 1], [0, 1]), [nan, 3.0], (2, 2))"
    assert entries[1:] == [(([], []), [], (2, 2)), ((), [5.0], ()), ((), [], ())]
    # explicit zeros do not survive a round trip through the dense form
    explicit = sparse_record((([0, 1],), [0.0, 1.0], (2,)))
    assert explicit.to_dense().to_sparse().solution["x"] == [(([1],), [1.0], (2,))]


def test_conversions_of_the_same_kind_copy(sparse, dense):
    for r, convert in ((sparse, fv.Record.to_sparse), (dense, fv.Record.to_dense)):
        copy = convert(r)
        assert copy == r and copy is not r
    assert fv.Record({"x": []}, [1]).to_dense().solution == {"x": []}

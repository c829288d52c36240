// The Python class Record: dense or sparse solutions per variable and the
// occurrence counts, with dict, JSON, pandas and text forms and the
// conversion between the two kinds.
#include <cstring>

#include "lib/classes/sample_set/result_forms.hpp"
#include "lib/classes/sample_set/result_items.hpp"
#include "lib/numpy_api.hpp"
#include "sample_set/record.hpp"

namespace forvela::py {

namespace {

using Self = Record;
constexpr ClassId kId = ClassId::Record;

constexpr const char* kSolutionMismatch =
    "Failed to extract a solution. The solution must be a dict of str to a list of numpy.ndarray or "
    "Tuple[List[List[int]], List[int|float], Tuple[int,..]].";

// ---- reading a solution ----

// The attempts below fail with whatever error they meet; the caller
// discards it and reports the one mismatch message.

Result<std::vector<std::uint64_t>> u64_list(PyObject* obj) {
    std::vector<std::uint64_t> out;
    FV_TRY(for_each_item(obj, [&](PyObject* item) -> Result<void> {
        FV_ASSIGN_OR_RETURN(std::uint64_t n, count_from_python(item));
        out.push_back(n);
        return {};
    }));
    return out;
}

Result<std::vector<double>> f64_list(PyObject* obj) {
    std::vector<double> out;
    FV_TRY(for_each_item(obj, [&](PyObject* item) -> Result<void> {
        FV_ASSIGN_OR_RETURN(double x, float_from_python(item));
        out.push_back(x);
        return {};
    }));
    return out;
}

std::unexpected<Error> mismatch() { return fail(ErrorKind::TypeError, kSolutionMismatch); }

// (indices, values, shape) as a tuple of three, or any sequence of exactly
// three lists.
Result<CooFormat> coo_from_python(PyObject* sample) {
    Ref parts[3];
    if (PyTuple_Check(sample)) {
        if (PyTuple_GET_SIZE(sample) != 3) return mismatch();
        for (Py_ssize_t i = 0; i < 3; ++i) parts[i] = Ref::borrowed(PyTuple_GET_ITEM(sample, i));
    } else {
        if (PyUnicode_Check(sample) || !PySequence_Check(sample)) return mismatch();
        const Py_ssize_t size = PySequence_Size(sample);
        if (size < 0) return pending();
        if (size != 3) return mismatch();
        for (Py_ssize_t i = 0; i < 3; ++i) {
            parts[i] = Ref(PySequence_GetItem(sample, i));
            if (!parts[i]) return pending();
            if (!PyList_Check(parts[i].get())) return mismatch();
        }
    }
    CooFormat entry;
    FV_TRY(for_each_item(parts[0].get(), [&](PyObject* list) -> Result<void> {
        FV_ASSIGN_OR_RETURN(std::vector<std::uint64_t> indices, u64_list(list));
        entry.non_zero_indices.push_back(std::move(indices));
        return {};
    }));
    FV_ASSIGN_OR_RETURN(entry.non_zero_values, f64_list(parts[1].get()));
    FV_ASSIGN_OR_RETURN(entry.shape, u64_list(parts[2].get()));
    return entry;
}

// A numpy.ndarray (a subclass counts) of a dtype numpy judges equivalent
// to float64, any layout; its elements are copied in row-major order.
Result<DenseArray> dense_from_python(PyObject* obj) {
    if (!PyArray_Check(obj)) return mismatch();
    auto* array = reinterpret_cast<PyArrayObject*>(obj);
    PyArray_Descr* float64 = PyArray_DescrFromType(NPY_FLOAT64);
    if (!float64) return pending();
    const bool equivalent = PyArray_EquivTypes(PyArray_DESCR(array), float64);
    Py_DECREF(float64);
    if (!equivalent) return mismatch();
    const int ndim = PyArray_NDIM(array);
    if (ndim < 0 || static_cast<std::size_t>(ndim) > kMaxAxes) return mismatch();
    DenseArray out;
    out.shape.resize(static_cast<std::size_t>(ndim));
    for (int k = 0; k < ndim; ++k)
        out.shape[static_cast<std::size_t>(k)] = static_cast<std::uint64_t>(PyArray_DIM(array, k));
    const auto count = static_cast<std::size_t>(PyArray_SIZE(array));
    out.data.resize(count);
    if (count == 0) return out;
    Ref contiguous;
    if (!PyArray_IS_C_CONTIGUOUS(array)) {
        contiguous = Ref(PyArray_NewCopy(array, NPY_CORDER));
        if (!contiguous) return pending();
        array = reinterpret_cast<PyArrayObject*>(contiguous.get());
    }
    std::memcpy(out.data.data(), PyArray_DATA(array), count * sizeof(double));
    return out;
}

// The elements of `obj` along axis `axis` onwards, appended in row-major
// order: lists down to the last axis, each as long as its axis, and a JSON
// number (an int or a float, not a bool) at the bottom.
Result<void> fill_from_lists(PyObject* obj, std::size_t axis, DenseArray& out) {
    if (axis == out.shape.size()) {
        if (PyFloat_Check(obj)) {
            out.data.push_back(PyFloat_AS_DOUBLE(obj));
            return {};
        }
        if (!PyLong_Check(obj) || PyBool_Check(obj)) return mismatch();
        const double x = PyLong_AsDouble(obj);
        if (x == -1.0 && PyErr_Occurred()) return pending();
        out.data.push_back(x);
        return {};
    }
    if (!PyList_Check(obj) || static_cast<std::uint64_t>(PyList_GET_SIZE(obj)) != out.shape[axis])
        return mismatch();
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(obj); ++i)
        FV_TRY(fill_from_lists(PyList_GET_ITEM(obj, i), axis + 1, out));
    return {};
}

// A dense array as JSON writes it: nested lists of numbers, one level per
// axis, or a bare number for an array without axes. The shape is the
// length of the first list at every level; an empty list is the last axis.
// Nothing here runs Python code, so the lists stay as they are.
Result<DenseArray> dense_from_lists(PyObject* obj) {
    DenseArray out;
    for (PyObject* level = obj; PyList_Check(level); level = PyList_GET_ITEM(level, 0)) {
        if (out.shape.size() == kMaxAxes) return mismatch();
        out.shape.push_back(static_cast<std::uint64_t>(PyList_GET_SIZE(level)));
        if (PyList_GET_SIZE(level) == 0) break;
    }
    FV_TRY(fill_from_lists(obj, 0, out));
    return out;
}

// The items of a dict snapshot, so that code run by a conversion cannot
// change what is walked.
Result<Ref> dict_items(PyObject* dict) { return checked(PyDict_Items(dict)); }

template <class Sample, class Convert>
Result<SampleMap<Sample>> samples_from_python(PyObject* items, Convert&& convert) {
    SampleMap<Sample> map;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items); ++i) {
        PyObject* pair = PyList_GET_ITEM(items, i);
        PyObject* key = PyTuple_GET_ITEM(pair, 0);
        if (!PyUnicode_Check(key)) return mismatch();
        FV_ASSIGN_OR_RETURN(std::string name, to_string(key));
        std::vector<Sample> samples;
        FV_TRY(for_each_item(PyTuple_GET_ITEM(pair, 1), [&](PyObject* item) -> Result<void> {
            FV_ASSIGN_OR_RETURN(Sample s, convert(item));
            samples.push_back(std::move(s));
            return {};
        }));
        map.insert_or_assign(std::move(name), std::move(samples));
    }
    return map;
}

// How a dense sample is given: as a numpy array, or as the nested lists
// that JSON text loads into.
enum class DenseForm : std::uint8_t { Array, Lists };

// Sparse first; when that fails anywhere, dense from the start; else the
// one mismatch TypeError. An attempt's error is dropped only when it is an
// Exception: an interrupt or an exit propagates.
Result<Solution> solution_from_python(PyObject* obj, DenseForm form = DenseForm::Array) {
    if (!PyDict_Check(obj)) return mismatch();
    FV_ASSIGN_OR_RETURN(Ref items, dict_items(obj));
    if (auto sparse = samples_from_python<CooFormat>(items.get(), coo_from_python))
        return Solution(std::move(*sparse));
    FV_TRY(discard_pending());
    if (form == DenseForm::Lists) {
        if (auto dense = samples_from_python<DenseArray>(items.get(), dense_from_lists))
            return Solution(std::move(*dense));
        FV_TRY(discard_pending());
        return mismatch();
    }
    if (!ensure_numpy()) {
        FV_TRY(discard_pending());
        return mismatch();
    }
    if (auto dense = samples_from_python<DenseArray>(items.get(), dense_from_python))
        return Solution(std::move(*dense));
    FV_TRY(discard_pending());
    return mismatch();
}

// A sequence (not a str) of integers from 0 to 2^64 - 1.
Result<std::vector<std::uint64_t>> occurrences_from_python(PyObject* obj) { return u64_list(obj); }

// ---- writing a solution ----

PyResult dense_into_python(const DenseArray& a) {
    FV_TRY(ensure_numpy());
    if (a.shape.size() > kMaxAxes)
        return fail(
            ErrorKind::Internal,
            "unexpected dimensionality: NumPy is expected to limit arrays to 32 or fewer dimensions.");
    npy_intp dims[kMaxAxes];
    for (std::size_t k = 0; k < a.shape.size(); ++k) {
        if (a.shape[k] > static_cast<std::uint64_t>(NPY_MAX_INTP))
            return fail(ErrorKind::Internal, "unexpected dimension: larger than NumPy can index");
        dims[k] = static_cast<npy_intp>(a.shape[k]);
    }
    PyObject* array = PyArray_SimpleNew(static_cast<int>(a.shape.size()), dims, NPY_FLOAT64);
    if (!array) return pending();
    if (!a.data.empty())
        std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array)), a.data.data(),
                    a.data.size() * sizeof(double));
    return Ref(array);
}

// ((indices per axis as lists), [values], (shape))
PyResult coo_into_python(const CooFormat& entry, NumberCache& cache) {
    Ref indices(PyTuple_New(static_cast<Py_ssize_t>(entry.non_zero_indices.size())));
    if (!indices) return pending();
    for (std::size_t k = 0; k < entry.non_zero_indices.size(); ++k) {
        FV_ASSIGN_OR_RETURN(Ref list, u64_list_into_python(entry.non_zero_indices[k], cache));
        PyTuple_SET_ITEM(indices.get(), static_cast<Py_ssize_t>(k), list.release());
    }
    FV_ASSIGN_OR_RETURN(Ref values, f64_list_into_python(entry.non_zero_values, cache));
    FV_ASSIGN_OR_RETURN(Ref shape, u64_tuple_into_python(entry.shape, cache));
    return checked(PyTuple_Pack(3, indices.get(), values.get(), shape.get()));
}

template <class Sample, class Into>
PyResult sample_list_into_python(const std::vector<Sample>& samples, Into&& into) {
    Ref list(PyList_New(static_cast<Py_ssize_t>(samples.size())));
    if (!list) return pending();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        FV_ASSIGN_OR_RETURN(Ref item, into(samples[i]));
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item.release());
    }
    return list;
}

// `visit(name, list of samples as Python objects)` per variable, in name
// order.
template <class Visit>
Result<void> for_each_variable(const Solution& solution, Visit&& visit) {
    if (const auto* dense = std::get_if<DenseSolution>(&solution)) {
        for (const auto& [name, samples] : *dense)
            FV_TRY(visit(name, sample_list_into_python(samples, dense_into_python)));
        return {};
    }
    const GcPause pause;
    NumberCache cache;
    auto coo = [&](const CooFormat& entry) { return coo_into_python(entry, cache); };
    for (const auto& [name, samples] : std::get<SparseSolution>(solution))
        FV_TRY(visit(name, sample_list_into_python(samples, coo)));
    return {};
}

PyResult solution_into_python(const Solution& solution) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    FV_TRY(for_each_variable(solution, [&](const std::string& name, PyResult samples) {
        return dict_store(dict.get(), name, std::move(samples));
    }));
    return dict;
}

}  // namespace

// ---- dict form ----

PyResult record_to_dict(const Record& v) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    FV_TRY(dict_store(dict.get(), "solution", solution_into_python(v.solution)));
    FV_TRY(dict_store(dict.get(), "num_occurrences", u64_list_into_python(v.num_occurrences)));
    return dict;
}

namespace {

Result<Record> record_from_dict_with(PyObject* dict, DenseForm form) {
    Record v;
    FV_ASSIGN_OR_RETURN(Ref solution, dict_lookup(dict, "solution"));
    FV_ASSIGN_OR_RETURN(Ref counts, dict_lookup(dict, "num_occurrences"));
    if (solution) {
        FV_ASSIGN_OR_RETURN(v.solution, solution_from_python(solution.get(), form));
    }
    if (counts) {
        FV_ASSIGN_OR_RETURN(v.num_occurrences, occurrences_from_python(counts.get()));
    }
    return v;
}

}  // namespace

Result<Record> record_from_dict(PyObject* dict) { return record_from_dict_with(dict, DenseForm::Array); }

Result<Record> record_from_loaded_json(PyObject* dict) {
    return record_from_dict_with(dict, DenseForm::Lists);
}

PyResult record_pandas_columns(const Record& v) {
    Ref columns(PyDict_New());
    if (!columns) return pending();
    FV_TRY(for_each_variable(v.solution, [&](const std::string& name, PyResult samples) {
        return dict_store(columns.get(), "solution[" + name + "]", std::move(samples));
    }));
    FV_TRY(dict_store(columns.get(), "num_occurrences", u64_list_into_python(v.num_occurrences)));
    return columns;
}

namespace {

// ---- constructor and attributes ----

constexpr Param kNewParams[] = {{"solution", true, false}, {"num_occurrences", true, false}};
constexpr Signature kNewSignature{"Record.__new__", kNewParams};

PyObject* record_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<2> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        Self v;
        FV_ASSIGN_OR_RETURN(v.solution, argument("solution", solution_from_python(a[0])));
        FV_ASSIGN_OR_RETURN(v.num_occurrences, argument("num_occurrences", occurrences_from_python(a[1])));
        return new_object(type, std::move(v));
    });
}

Result<Solution> solution_from_object(PyObject* obj) { return solution_from_python(obj); }

PyResult occurrences_into_python(const std::vector<std::uint64_t>& counts) {
    return u64_list_into_python(counts);
}

using SolutionField =
    FieldAccess<Self, Solution, &Self::solution, solution_from_object, solution_into_python>;
using OccurrencesField = FieldAccess<Self, std::vector<std::uint64_t>, &Self::num_occurrences,
                                     occurrences_from_python, occurrences_into_python>;

// ---- methods ----

// NOLINTNEXTLINE(bugprone-return-const-ref-from-parameter): only called on held values
const Record& record_of(const Self& v) { return v; }

PyObject* to_dense(PyObject* self, PyObject*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(Self dense, with_shared<Self>(self, record_to_dense));
        return new_object(kId, std::move(dense));
    });
}

PyObject* to_sparse(PyObject* self, PyObject*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(Self sparse, with_shared<Self>(self, [](const Self& v) -> Result<Self> {
                                return record_to_sparse(v);
                            }));
        return new_object(kId, std::move(sparse));
    });
}

using Forms = ResultForms<Self, kId, record_to_dict, record_from_dict, write_record, forvela::read_record>;

PyObject* to_pandas(PyObject* self, PyObject*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(Ref from_dict, pandas_frame_from_dict());
        FV_ASSIGN_OR_RETURN(Ref columns, with_shared<Self>(self, record_pandas_columns));
        return checked(PyObject_CallOneArg(from_dict.get(), columns.get()));
    });
}

bool equal(const Self& a, const Self& b) { return records_equal(a, b); }

const ItemGroup kItems{
    {
        {"is_dense", solution_kind_method<Self, record_of, true>, METH_NOARGS, kIsDenseDoc},
        {"is_sparse", solution_kind_method<Self, record_of, false>, METH_NOARGS, kIsSparseDoc},
        {"to_dense", to_dense, METH_NOARGS,
         "to_dense($self)\n--\n\n"
         "Return a Record object whose solution is dense.\n"
         "\n"
         "If the solution is already dense, the solution is not converted.\n"
         "Otherwise, the solution is converted into a dense solution.\n"
         "\n"
         "Returns:\n"
         "    Record: A Record object whose solution is dense."},
        {"to_sparse", to_sparse, METH_NOARGS,
         "to_sparse($self)\n--\n\n"
         "Return a Record object whose solution is sparse.\n"
         "\n"
         "If the solution is already sparse, the solution is not converted.\n"
         "Otherwise, the solution is converted into a sparse solution.\n"
         "\n"
         "Returns:\n"
         "    Record: A Record object whose solution is sparse."},
        {"to_dict", Forms::to_dict, METH_NOARGS,
         FORVELA_TO_DICT_DOC("dict: A dict whose keys are \"solution\" and \"num_occurrences\".")},
        {"from_dict", fastcall(Forms::from_dict), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         FORVELA_FROM_DICT_DOC("Record",
                               "If a key is not \"solution\" or \"num_occurrences\", the value is ignored.")},
        {"to_json", Forms::to_json, METH_NOARGS, FORVELA_TO_JSON_DOC("Record")},
        {"from_json", fastcall(Forms::from_json), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         FORVELA_FROM_JSON_DOC("Record")},
        {"to_pandas", to_pandas, METH_NOARGS,
         "to_pandas($self)\n--\n\n"
         "Convert into a pandas DataFrame.\n"
         "\n"
         "Returns:\n"
         "    pandas.DataFrame: A pandas DataFrame with one row per sample."},
    },
    {
        {"solution", SolutionField::get, SolutionField::set, nullptr, nullptr},
        {"num_occurrences", OccurrencesField::get, OccurrencesField::set, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(record_new)},
        {Py_tp_str, reinterpret_cast<void*>(result_text<Self, record_display>)},
        {Py_tp_repr, reinterpret_cast<void*>(result_text<Self, record_display>)},
        {Py_tp_richcompare, reinterpret_cast<void*>(result_richcompare<Self, kId, equal>)},
    },
};

ClassDef kClass{
    .name = "Record",
    .signature = "(solution, num_occurrences)",
    .doc =
        "A class for representing a record.\n"
        "\n"
        "A solution is dense or sparse.\n"
        "A dense solution is a dict whose keys are the names of the decision variables and whose values are\n"
        "lists of numpy.ndarray, one array per sample.\n"
        "A sparse solution is a dict whose keys are the names of the decision variables and whose values "
        "are\n"
        "lists of tuples, one tuple per sample. Each tuple has three elements: the indices of the non-zero\n"
        "values (a tuple of lists, one list per axis), the non-zero values (a list) and the shape of the\n"
        "dense array (a tuple).\n"
        "\n"
        "Examples:\n"
        "    A dense solution of two samples, with a 2 x 3 variable x and a variable y of length 3:\n"
        "\n"
        "    >>> solution = {\n"
        "    ...     \"x\": [np.array([[0, 1, 0], [2, 0, 3]], dtype=np.float64),\n"
        "    ...           np.array([[1, 0, 0], [2, 3, 4]], dtype=np.float64)],\n"
        "    ...     \"y\": [np.array([0, 0, 1], dtype=np.float64), np.array([0, 1, 0], dtype=np.float64)],\n"
        "    ... }\n"
        "\n"
        "    The same solution in the sparse form:\n"
        "\n"
        "    >>> solution = {\n"
        "    ...     \"x\": [(([0, 1, 1], [1, 0, 2]), [1, 2, 3], (2, 3)),\n"
        "    ...           (([0, 1, 1, 1], [0, 0, 1, 2]), [1, 2, 3, 4], (2, 3))],\n"
        "    ...     \"y\": [(([2],), [1], (3,)), (([1],), [1], (3,))],\n"
        "    ... }\n"
        "\n"
        "Attributes:\n"
        "    solution (dict): The solution of each sample, dense or sparse.\n"
        "    num_occurrences (list[int]): The number of times each sample was observed.",
    .basicsize = object_size<Self>(),
    .dealloc = dealloc_object<Self>,
    .groups = {&kItems},
};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py

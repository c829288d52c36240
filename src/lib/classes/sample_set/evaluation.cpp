// The Python class Evaluation: per-sample energies, objectives, constraint
// violations, constraint values and penalties, with numpy, dict, JSON and
// pandas forms.
#include <cstring>

#include "lib/classes/sample_set/result_forms.hpp"
#include "lib/classes/sample_set/result_items.hpp"
#include "lib/numpy_api.hpp"
#include "sample_set/evaluation.hpp"
#include "sample_set/feasibility.hpp"

namespace forvela::py {

namespace {

using Self = Evaluation;
constexpr ClassId kId = ClassId::Evaluation;

// ---- conversion from Python ----

// A one-dimensional native float64 array, copied without per-item calls.
std::optional<FloatList> float_array_copy(PyObject* obj) {
    if (!is_exact_ndarray(obj)) return std::nullopt;
    auto* array = reinterpret_cast<PyArrayObject*>(obj);
    if (PyArray_NDIM(array) != 1 || PyArray_TYPE(array) != NPY_FLOAT64 || !PyArray_ISNOTSWAPPED(array))
        return std::nullopt;
    const npy_intp n = PyArray_DIM(array, 0), stride = PyArray_STRIDE(array, 0);
    const char* data = PyArray_BYTES(array);
    FloatList out(static_cast<std::size_t>(n));
    for (npy_intp i = 0; i < n; ++i)
        std::memcpy(&out[static_cast<std::size_t>(i)], data + i * stride, sizeof(double));
    return out;
}

Result<FloatList> float_list_from_python(PyObject* obj) {
    if (auto copied = float_array_copy(obj)) return std::move(*copied);
    FloatList out;
    FV_TRY(for_each_item(obj, [&](PyObject* item) -> Result<void> {
        double x = PyFloat_AsDouble(item);
        if (x == -1.0 && PyErr_Occurred()) return pending();
        out.push_back(x);
        return {};
    }));
    return out;
}

Result<IndexRows> index_rows_from_python(PyObject* obj) {
    IndexRows rows;
    FV_TRY(for_each_item(obj, [&](PyObject* row_obj) -> Result<void> {
        IndexRow row;
        FV_TRY(for_each_item(row_obj, [&](PyObject* item) -> Result<void> {
            Ref index(PyNumber_Index(item));
            if (!index) return pending();
            unsigned long long v = PyLong_AsUnsignedLongLong(index.get());
            if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return pending();
            row.push_back(static_cast<std::uint64_t>(v));
            return {};
        }));
        rows.push_back(std::move(row));
        return {};
    }));
    return rows;
}

// A dict of str keys, its items snapshot before any value is converted;
// the map orders the names.
template <class T, class Convert>
Result<std::map<std::string, T, std::less<>>> map_from_python(PyObject* obj, Convert&& convert) {
    FV_TRY(require_dict(obj));
    Ref items(PyDict_Items(obj));
    if (!items) return pending();
    std::map<std::string, T, std::less<>> out;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
        PyObject* pair = PyList_GET_ITEM(items.get(), i);
        FV_ASSIGN_OR_RETURN(std::string name, to_string(PyTuple_GET_ITEM(pair, 0)));
        FV_ASSIGN_OR_RETURN(T value, convert(PyTuple_GET_ITEM(pair, 1)));
        out.insert_or_assign(std::move(name), std::move(value));
    }
    return out;
}

Result<FloatListMap> float_list_map_from_python(PyObject* obj) {
    return map_from_python<FloatList>(obj, float_list_from_python);
}

Result<IndexRowsMap> index_rows_map_from_python(PyObject* obj) {
    return map_from_python<IndexRows>(obj, index_rows_from_python);
}

Result<std::vector<FloatListMap>> float_list_maps_from_python(PyObject* obj) {
    std::vector<FloatListMap> out;
    FV_TRY(for_each_item(obj, [&](PyObject* item) -> Result<void> {
        FV_ASSIGN_OR_RETURN(FloatListMap map, float_list_map_from_python(item));
        out.push_back(std::move(map));
        return {};
    }));
    return out;
}

// ---- conversion to Python ----

PyResult float_list_into_python(const FloatList& list) { return float_array(list); }

PyResult float_list_map_into_python(const FloatListMap& map) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    for (const auto& [name, list] : map) FV_TRY(dict_store(dict.get(), name, float_array(list)));
    return dict;
}

PyResult index_rows_into_python(const IndexRows& rows) {
    FV_ASSIGN_OR_RETURN(std::size_t width, forall_width(rows));
    return u64_matrix(rows.size(), width, [&](std::size_t i, std::uint64_t* out) {
        if (width) std::memcpy(out, rows[i].data(), width * sizeof(std::uint64_t));
    });
}

PyResult index_rows_map_into_python(const IndexRowsMap& map) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    for (const auto& [name, rows] : map) FV_TRY(dict_store(dict.get(), name, index_rows_into_python(rows)));
    return dict;
}

PyResult float_list_maps_into_python(const std::vector<FloatListMap>& maps) {
    Ref list(PyList_New(static_cast<Py_ssize_t>(maps.size())));
    if (!list) return pending();
    for (std::size_t i = 0; i < maps.size(); ++i) {
        FV_ASSIGN_OR_RETURN(Ref dict, float_list_map_into_python(maps[i]));
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), dict.release());
    }
    return list;
}

// ---- the six fields ----

template <class V, V Self::* Member, Result<V> (*From)(PyObject*), PyResult (*Into)(const V&)>
using Field = FieldAccess<Self, V, Member, From, Into>;

using Energy = Field<FloatList, &Self::energy, float_list_from_python, float_list_into_python>;
using Objective = Field<FloatList, &Self::objective, float_list_from_python, float_list_into_python>;
using Violations =
    Field<FloatListMap, &Self::constraint_violations, float_list_map_from_python, float_list_map_into_python>;
using Forall =
    Field<IndexRowsMap, &Self::constraint_forall, index_rows_map_from_python, index_rows_map_into_python>;
using Values = Field<std::vector<FloatListMap>, &Self::constraint_values, float_list_maps_from_python,
                     float_list_maps_into_python>;
using Penalty = Field<FloatListMap, &Self::penalty, float_list_map_from_python, float_list_map_into_python>;

constexpr const char* kFieldNames[] = {
    "energy", "objective", "constraint_violations", "constraint_forall", "constraint_values", "penalty"};

// Converts the six fields from their Python objects (null: left empty),
// in declared order; `wrap(name, result)` may rewrite a failure.
template <class Wrap>
Result<Self> evaluation_from_objects(const std::array<PyObject*, 6>& objs, Wrap&& wrap) {
    Self v;
    auto convert = [&](std::size_t i, auto& field, auto from) -> Result<void> {
        if (!objs[i]) return {};
        FV_ASSIGN_OR_RETURN(field, wrap(kFieldNames[i], from(objs[i])));
        return {};
    };
    FV_TRY(convert(0, v.energy, float_list_from_python));
    FV_TRY(convert(1, v.objective, float_list_from_python));
    FV_TRY(convert(2, v.constraint_violations, float_list_map_from_python));
    FV_TRY(convert(3, v.constraint_forall, index_rows_map_from_python));
    FV_TRY(convert(4, v.constraint_values, float_list_maps_from_python));
    FV_TRY(convert(5, v.penalty, float_list_map_from_python));
    return v;
}

constexpr Param kNewParams[] = {
    {"energy", false, false},
    {"objective", false, false},
    {"constraint_violations", false, false},
    {"constraint_forall", false, false},
    {"constraint_values", false, false},
    {"penalty", false, false},
};
constexpr Signature kNewSignature{"Evaluation.__new__", kNewParams};

PyObject* evaluation_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<6> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(Self v, evaluation_from_objects(a, [](const char* name, auto converted) {
                                return argument(name, std::move(converted));
                            }));
        return new_object(type, std::move(v));
    });
}

}  // namespace

// ---- dict, JSON and pandas forms ----

Result<Evaluation> evaluation_from_dict(PyObject* dict) {
    std::array<Ref, 6> held;
    std::array<PyObject*, 6> objs{};
    for (std::size_t i = 0; i < 6; ++i) {
        FV_ASSIGN_OR_RETURN(held[i], dict_lookup(dict, kFieldNames[i]));
        objs[i] = held[i].get();
    }
    return evaluation_from_objects(objs, [](const char*, auto converted) { return converted; });
}

PyResult evaluation_to_dict(const Evaluation& v) {
    const GcPause pause;
    Ref dict(PyDict_New());
    if (!dict) return pending();
    FV_TRY(dict_store(dict.get(), "energy", float_list_into_python(v.energy)));
    FV_TRY(dict_store(dict.get(), "objective", float_list_into_python(v.objective)));
    FV_TRY(
        dict_store(dict.get(), "constraint_violations", float_list_map_into_python(v.constraint_violations)));
    FV_TRY(dict_store(dict.get(), "constraint_forall", index_rows_map_into_python(v.constraint_forall)));
    FV_TRY(dict_store(dict.get(), "constraint_values", float_list_maps_into_python(v.constraint_values)));
    FV_TRY(dict_store(dict.get(), "penalty", float_list_map_into_python(v.penalty)));
    return dict;
}

namespace {

PyResult float_pylist(const FloatList& values) {
    Ref list(PyList_New(static_cast<Py_ssize_t>(values.size())));
    if (!list) return pending();
    for (std::size_t i = 0; i < values.size(); ++i) {
        PyObject* x = PyFloat_FromDouble(values[i]);
        if (!x) return pending();
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), x);
    }
    return list;
}

PyResult rows_pylist(const IndexRows& rows) {
    Ref list(PyList_New(static_cast<Py_ssize_t>(rows.size())));
    if (!list) return pending();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Ref row(PyList_New(static_cast<Py_ssize_t>(rows[i].size())));
        if (!row) return pending();
        for (std::size_t k = 0; k < rows[i].size(); ++k) {
            PyObject* n = PyLong_FromUnsignedLongLong(rows[i][k]);
            if (!n) return pending();
            PyList_SET_ITEM(row.get(), static_cast<Py_ssize_t>(k), n);
        }
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), row.release());
    }
    return list;
}

template <class Map, class Into>
PyResult plain_dict(const Map& map, Into&& into) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    for (const auto& [name, value] : map) FV_TRY(dict_store(dict.get(), name, into(value)));
    return dict;
}

// A list of `count` new objects made by `make()`.
template <class Make>
PyResult repeated_list(std::size_t count, Make&& make) {
    Ref list(PyList_New(static_cast<Py_ssize_t>(count)));
    if (!list) return pending();
    for (std::size_t i = 0; i < count; ++i) {
        FV_ASSIGN_OR_RETURN(Ref item, make(i));
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item.release());
    }
    return list;
}

// A column of floats. pandas makes the same float64 column of a list of
// floats as of a float64 array, so a non-empty one is handed over as the
// array, which pandas takes without converting item by item; an empty list
// stays a list, of which pandas makes an object column.
PyResult float_column(const FloatList& values) {
    if (values.empty()) return float_pylist(values);
    return float_array(values);
}

}  // namespace

// The columns of the pandas form: float columns, and plain Python lists,
// dicts, ints and floats in the cells of the others.
PyResult evaluation_pandas_columns(const Evaluation& v) {
    const GcPause pause;
    Ref columns(PyDict_New());
    if (!columns) return pending();
    FV_TRY(dict_store(columns.get(), "energy", float_column(v.energy)));
    FV_TRY(dict_store(columns.get(), "objective", float_column(v.objective)));
    FV_TRY(dict_store(columns.get(), "constraint_forall",
                      v.constraint_forall.empty() ? none() : repeated_list(v.energy.size(), [&](std::size_t) {
                          return plain_dict(v.constraint_forall, rows_pylist);
                      })));
    FV_TRY(dict_store(
        columns.get(), "constraint_values",
        v.constraint_values.empty() ? none() : repeated_list(v.constraint_values.size(), [&](std::size_t i) {
            return plain_dict(v.constraint_values[i], float_pylist);
        })));
    for (const auto& [name, values] : v.constraint_violations)
        FV_TRY(dict_store(columns.get(), "constraint_violation[" + name + "]", float_column(values)));
    for (const auto& [name, values] : v.penalty)
        FV_TRY(dict_store(columns.get(), "penalty[" + name + "]", float_column(values)));
    return columns;
}

namespace {

PyResult evaluation_to_pandas_frame(PyObject* self) {
    FV_ASSIGN_OR_RETURN(Ref from_dict, pandas_frame_from_dict());
    FV_ASSIGN_OR_RETURN(Ref columns, with_shared<Self>(self, evaluation_pandas_columns));
    return checked(PyObject_CallOneArg(from_dict.get(), columns.get()));
}

// ---- constraint_expr_values ----

// Per constraint of constraint_forall, its rows (as tuples of ints) mapped
// to the sample's values, as many pairs as both have.
PyResult constraint_expr_values_of_sample(const Self& v, const FloatListMap& sample) {
    Ref result(PyDict_New());
    if (!result) return pending();
    for (const auto& [name, rows] : v.constraint_forall) {
        auto found = sample.find(name);
        if (found == sample.end()) {
            FV_ASSIGN_OR_RETURN(Ref key, text_into_python(name));
            PyErr_SetObject(PyExc_KeyError, key.get());
            return pending();
        }
        const FloatList& values = found->second;
        Ref by_row(PyDict_New());
        if (!by_row) return pending();
        const std::size_t n = std::min(rows.size(), values.size());
        for (std::size_t i = 0; i < n; ++i) {
            Ref key(PyTuple_New(static_cast<Py_ssize_t>(rows[i].size())));
            if (!key) return pending();
            for (std::size_t k = 0; k < rows[i].size(); ++k) {
                PyObject* index = PyLong_FromUnsignedLongLong(rows[i][k]);
                if (!index) return pending();
                PyTuple_SET_ITEM(key.get(), static_cast<Py_ssize_t>(k), index);
            }
            Ref value(PyFloat_FromDouble(values[i]));
            if (!value || PyDict_SetItem(by_row.get(), key.get(), value.get()) < 0) return pending();
        }
        FV_TRY(dict_store(result.get(), name, PyResult(std::move(by_row))));
    }
    return result;
}

PyObject* get_constraint_expr_values(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) {
            return repeated_list(v.constraint_values.size(), [&](std::size_t i) {
                return constraint_expr_values_of_sample(v, v.constraint_values[i]);
            });
        });
    });
}

// ---- methods ----

using Forms =
    ResultForms<Self, kId, evaluation_to_dict, evaluation_from_dict, write_evaluation, read_evaluation>;

PyObject* to_pandas(PyObject* self, PyObject*) {
    return boundary([&] { return evaluation_to_pandas_frame(self); });
}

// `_feasible_sample_indices(rtol=1e-5, atol=1e-8)` and its infeasible twin:
// the sample indices the feasibility test keeps, as a list of ints.
template <bool Feasible>
PyObject* sample_indices(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"rtol", false, false}, {"atol", false, false}};
        Args<2> a;
        FV_TRY(parse_args(Signature{Feasible ? "Evaluation._feasible_sample_indices"
                                             : "Evaluation._infeasible_sample_indices",
                                    params},
                          args, nargs, kwnames, a));
        double tolerances[2] = {1e-5, 1e-8};
        for (std::size_t i = 0; i < 2; ++i) {
            if (!a[i]) continue;
            FV_ASSIGN_OR_RETURN(std::optional<double> x,
                                argument(params[i].name, optional_float_from_python(a[i])));
            if (x) tolerances[i] = *x;
        }
        FV_ASSIGN_OR_RETURN(std::vector<std::size_t> indices, with_shared<Self>(self, [&](const Self& v) {
                                return Feasible ? feasible_sample_indices(v, tolerances[0], tolerances[1])
                                                : infeasible_sample_indices(v, tolerances[0], tolerances[1]);
                            }));
        return repeated_list(indices.size(),
                             [&](std::size_t i) { return checked(PyLong_FromSize_t(indices[i])); });
    });
}

constexpr const char* kConstraintExprValuesDoc =
    "Return the values for the each constraint.\n"
    "\n"
    "The return value is a list of dictionaries.\n"
    "Each dictionary has the keys of the constraint names and the dictionary values.\n"
    "The dictionary values have the keys of the forall indices as tuple and the values for the "
    "forall indices.\n"
    "\n"
    "Returns:\n"
    "    A list of dictionaries.";

const ItemGroup kItems{
    {
        {"to_dict", Forms::to_dict, METH_NOARGS,
         "to_dict($self)\n--\n\n"
         "Convert into a dict.\n"
         "\n"
         "Returns:\n"
         "    dict: A dict whose keys are name of the Evaluation's fields."},
        {"from_dict", fastcall(Forms::from_dict), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         "from_dict(dict)\n--\n\n"
         "Create a Evaluation object from the given dict.\n"
         "\n"
         "If a key is not the name of the Evaluation fields, the value value is ignored.\n"
         "\n"
         "Args:\n"
         "    dict: A dict whose keys are name of the Evaluation fields."},
        {"to_json", Forms::to_json, METH_NOARGS,
         "to_json($self)\n--\n\n"
         "Serialize the Evaluation object into a JSON string.\n"
         "\n"
         "Returns:\n"
         "    str: A JSON string.\n"
         "\n"
         "Note:\n"
         "    A numpy array is converted into a list."},
        {"from_json", fastcall(Forms::from_json), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         "from_json(json)\n--\n\n"
         "Create a Evaluation object from the JSON string.\n"
         "\n"
         "Args:\n"
         "    json (str): A JSON string.\n"
         "\n"
         "Returns:\n"
         "    Evaluation: An Evaluation object."},
        {"to_pandas", to_pandas, METH_NOARGS,
         "to_pandas($self)\n--\n\n"
         "Convert into a pandas DataFrame.\n"
         "\n"
         "Returns:\n"
         "    pandas.DataFrame: A pandas DataFrame."},
        {"_feasible_sample_indices", fastcall(sample_indices<true>), METH_FASTCALL | METH_KEYWORDS,
         "_feasible_sample_indices($self, rtol=1e-05, atol=1e-08)\n--\n\n"
         "The indices of the samples whose total violation is close to zero."},
        {"_infeasible_sample_indices", fastcall(sample_indices<false>), METH_FASTCALL | METH_KEYWORDS,
         "_infeasible_sample_indices($self, rtol=1e-05, atol=1e-08)\n--\n\n"
         "The indices of the samples whose total violation is not close to zero."},
    },
    {
        {"energy", Energy::get, Energy::set, nullptr, nullptr},
        {"objective", Objective::get, Objective::set, nullptr, nullptr},
        {"constraint_violations", Violations::get, Violations::set, nullptr, nullptr},
        {"constraint_forall", Forall::get, Forall::set, nullptr, nullptr},
        {"constraint_values", Values::get, Values::set, nullptr, nullptr},
        {"penalty", Penalty::get, Penalty::set, nullptr, nullptr},
        {"constraint_expr_values", get_constraint_expr_values, nullptr, kConstraintExprValuesDoc, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(evaluation_new)},
        {Py_tp_str, reinterpret_cast<void*>(result_text<Self, evaluation_display>)},
        {Py_tp_repr, reinterpret_cast<void*>(result_text<Self, evaluation_display>)},
        {Py_tp_richcompare, reinterpret_cast<void*>(result_richcompare<Self, kId, evaluations_equal>)},
    },
};

ClassDef kClass{
    .name = "Evaluation",
    .signature =
        "(energy=..., objective=..., constraint_violations=..., constraint_forall=..., "
        "constraint_values=..., penalty=...)",
    .doc =
        "A class for evaluation.\n"
        "\n"
        "The Evaluation class is to represent the result of evaluating a model.\n"
        "\n"
        "Attributes:\n"
        "    energy (numpy.ndarray): The value of energy of each sample.\n"
        "    objective (numpy.ndarray): The value of an objective function of each sample.\n"
        "    constraint_violations (dict[str, numpy.ndarray]): The constraint violation of each sample.\n"
        "    constraint_forall (dict[str, numpy.ndarray]): The constraint forall of each sample.\n"
        "    constraint_values (numpy.ndarray): The constraint value of each sample.\n"
        "    penalty (dict[str, numpy.ndarray]): The penalty of each sample.",
    .basicsize = object_size<Self>(),
    .dealloc = dealloc_object<Self>,
    .groups = {&kItems},
};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py

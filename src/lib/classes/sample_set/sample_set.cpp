// The Python class SampleSet: a record, its evaluation, the measured times
// and a metadata dict shared by reference; the filters, the dict, JSON and
// pandas forms, and the report of backend calculation times. The JSON
// forms run Python snippets (snippets.hpp); the report is in
// timing_report.hpp.
#include "lib/classes/sample_set/result_forms.hpp"
#include "lib/classes/sample_set/result_items.hpp"
#include "lib/classes/sample_set/snippets.hpp"
#include "lib/classes/sample_set/timing_report.hpp"
#include "sample_set/sample_set.hpp"

namespace forvela::py {

namespace {

constexpr ClassId kId = ClassId::SampleSet;

// The value of a Python SampleSet. The metadata dict is shared, never
// copied; it is only empty (null) after the collector broke a cycle.
struct SampleSetValue {
    SampleSet parts;
    Ref metadata;
};
using Self = SampleSetValue;

PyResult new_dict() { return checked(PyDict_New()); }

// The metadata dict, a new empty one in place of a cleared reference.
PyResult metadata_of(const Self& v) {
    if (v.metadata) return v.metadata;
    return new_dict();
}

PyResult new_sample_set(SampleSet parts, Ref metadata) {
    return new_object(kId, Self{std::move(parts), std::move(metadata)});
}

// A derived sample set: `derive(parts)` makes its value from the
// receiver's under a shared borrow; it shares the receiver's metadata.
template <class Derive>
PyResult derived(PyObject* self, Derive&& derive) {
    Ref metadata;
    FV_ASSIGN_OR_RETURN(SampleSet parts, with_shared<Self>(self, [&](const Self& v) -> Result<SampleSet> {
                            FV_ASSIGN_OR_RETURN(metadata, metadata_of(v));
                            return derive(v.parts);
                        }));
    return new_sample_set(std::move(parts), std::move(metadata));
}

// ---- dict form ----

// Built in one pause of the collector: the parts made first are not walked
// again while the later ones are made.
PyResult sample_set_to_dict(PyObject* self) {
    const GcPause pause;
    Ref dict(PyDict_New());
    if (!dict) return pending();
    FV_TRY(with_shared<Self>(self, [&](const Self& v) -> Result<void> {
        FV_TRY(dict_store(dict.get(), "record", record_to_dict(v.parts.record)));
        FV_TRY(dict_store(dict.get(), "evaluation", evaluation_to_dict(v.parts.evaluation)));
        FV_TRY(dict_store(dict.get(), "measuring_time", measuring_time_to_dict(v.parts.measuring_time)));
        return dict_store(dict.get(), "metadata", metadata_of(v));
    }));
    return dict;
}

// The value under `key`, which must be present and a dict.
Result<Ref> required_part(PyObject* dict, const char* key) {
    FV_ASSIGN_OR_RETURN(Ref value, dict_lookup(dict, key));
    if (!value)
        return fail(ErrorKind::ValueError, std::string("the key '") + key + "' is not included in the dict");
    if (!PyDict_Check(value.get()))
        return fail(ErrorKind::TypeError, std::string("the value of the key '") + key + "' is not dict");
    return value;
}

// `read_record` reads the record's dict: numpy arrays for dense samples in
// a dict given by Python, nested lists in one loaded from JSON.
PyResult sample_set_from_dict(PyObject* dict, Result<Record> (*read_record)(PyObject*) = record_from_dict) {
    SampleSet parts;
    {
        FV_ASSIGN_OR_RETURN(Ref record, required_part(dict, "record"));
        FV_ASSIGN_OR_RETURN(parts.record, read_record(record.get()));
    }
    {
        FV_ASSIGN_OR_RETURN(Ref evaluation, required_part(dict, "evaluation"));
        FV_ASSIGN_OR_RETURN(parts.evaluation, evaluation_from_dict(evaluation.get()));
    }
    {
        FV_ASSIGN_OR_RETURN(Ref measuring_time, required_part(dict, "measuring_time"));
        FV_ASSIGN_OR_RETURN(parts.measuring_time, measuring_time_from_dict(measuring_time.get()));
    }
    FV_ASSIGN_OR_RETURN(Ref metadata, dict_lookup(dict, "metadata"));
    if (!metadata) {
        FV_ASSIGN_OR_RETURN(metadata, new_dict());
    } else if (!PyDict_Check(metadata.get())) {
        return fail(ErrorKind::TypeError, "the value of the key 'metadata' is not dict");
    }
    return new_sample_set(std::move(parts), std::move(metadata));
}

// ---- constructor and attributes ----

constexpr Param kNewParams[] = {{"record", true, false},
                                {"evaluation", true, false},
                                {"measuring_time", true, false},
                                {"metadata", false, false}};
constexpr Signature kNewSignature{"SampleSet.__new__", kNewParams};

Result<Ref> metadata_from_python(PyObject* obj) {
    if (!obj || obj == Py_None) return new_dict();
    FV_TRY(require_dict(obj));
    return Ref::borrowed(obj);
}

PyObject* sample_set_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<4> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        Self v;
        FV_ASSIGN_OR_RETURN(v.parts.record, argument("record", copy_value_of<Record>(a[0], ClassId::Record)));
        FV_ASSIGN_OR_RETURN(v.parts.evaluation,
                            argument("evaluation", copy_value_of<Evaluation>(a[1], ClassId::Evaluation)));
        FV_ASSIGN_OR_RETURN(
            v.parts.measuring_time,
            argument("measuring_time", copy_value_of<MeasuringTime>(a[2], ClassId::MeasuringTime)));
        FV_ASSIGN_OR_RETURN(v.metadata, argument("metadata", metadata_from_python(a[3])));
        return new_object(type, std::move(v));
    });
}

template <class V, V SampleSet::* Part, ClassId PartId>
struct PartAccess {
    static PyObject* get(PyObject* self, void*) {
        return boundary([&] {
            return with_shared<Self>(self, [](const Self& v) { return new_object(PartId, v.parts.*Part); });
        });
    }
    static int set(PyObject* self, PyObject* value, void*) {
        return result_setter<Self>(self, value, [](Self& v, PyObject* obj) -> Result<void> {
            FV_ASSIGN_OR_RETURN(v.parts.*Part, copy_value_of<V>(obj, PartId));
            return {};
        });
    }
};

using RecordPart = PartAccess<Record, &SampleSet::record, ClassId::Record>;
using EvaluationPart = PartAccess<Evaluation, &SampleSet::evaluation, ClassId::Evaluation>;
using MeasuringTimePart = PartAccess<MeasuringTime, &SampleSet::measuring_time, ClassId::MeasuringTime>;

PyObject* get_metadata(PyObject* self, void*) {
    return boundary([&] { return with_shared<Self>(self, metadata_of); });
}

int set_metadata(PyObject* self, PyObject* value, void*) {
    return result_setter<Self>(self, value, [](Self& v, PyObject* obj) -> Result<void> {
        FV_TRY(require_dict(obj));
        // The old dict is released after the new one is in place.
        Ref old = std::exchange(v.metadata, Ref::borrowed(obj));
        return {};
    });
}

// ---- methods ----

const Record& record_of(const Self& v) { return v.parts.record; }

// The tolerances `rtol=1e-5, atol=1e-8` of the filters.
Result<std::pair<double, double>> tolerances(const char* callable, PyObject* const* args, Py_ssize_t nargs,
                                             PyObject* kwnames) {
    static constexpr Param params[] = {{"rtol", false, false}, {"atol", false, false}};
    Args<2> a;
    FV_TRY(parse_args(Signature{callable, params}, args, nargs, kwnames, a));
    double values[2] = {1e-5, 1e-8};
    for (std::size_t i = 0; i < 2; ++i) {
        if (!a[i]) continue;
        double x = PyFloat_AsDouble(a[i]);
        if (x == -1.0 && PyErr_Occurred()) {
            FV_TRY(argument(params[i].name, Result<void>(pending())));
        }
        values[i] = x;
    }
    return std::pair{values[0], values[1]};
}

template <Result<SampleSet> (*Filter)(const SampleSet&, double, double)>
PyObject* filter_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto tol, tolerances(Filter == feasible_samples     ? "SampleSet.feasible"
                                                 : Filter == infeasible_samples ? "SampleSet.infeasible"
                                                                                : "SampleSet.lowest",
                                                 args, nargs, kwnames));
        return derived(self, [&](const SampleSet& parts) { return Filter(parts, tol.first, tol.second); });
    });
}

PyObject* to_dense(PyObject* self, PyObject*) {
    return boundary([&] { return derived(self, sample_set_to_dense); });
}

PyObject* to_dict(PyObject* self, PyObject*) {
    return boundary([&] { return sample_set_to_dict(self); });
}

PyObject* from_dict(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return from_dict_method("SampleSet.from_dict", args, nargs, kwnames,
                            [](PyObject* dict) { return sample_set_from_dict(dict); });
}

PyObject* to_json(PyObject* self, PyObject*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(Ref dump, snippet_function(kDumpSnippet, "dump"));
        FV_ASSIGN_OR_RETURN(Ref dict, sample_set_to_dict(self));
        return checked(PyObject_CallOneArg(dump.get(), dict.get()));
    });
}

PyObject* from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(PyObject * json,
                            single_argument("SampleSet.from_json", "json", args, nargs, kwnames));
        if (!PyUnicode_Check(json))
            return std::unexpected(argument_error("json", cannot_convert(json, "PyString").error()));
        FV_ASSIGN_OR_RETURN(Ref load, snippet_function(kLoadSnippet, "load"));
        Ref text(PyUnicode_FromObject(json));  // a str subclass becomes a plain str
        if (!text) return pending();
        Ref dict(PyObject_CallOneArg(load.get(), text.get()));
        if (!dict) return pending();
        FV_TRY(require_dict(dict.get()));
        return sample_set_from_dict(dict.get(), record_from_loaded_json);
    });
}

PyObject* to_pandas(PyObject* self, PyObject*) {
    return boundary([&]() -> PyResult {
        Ref pandas(PyImport_ImportModule("pandas"));
        if (!pandas) return pending();
        FV_ASSIGN_OR_RETURN(Ref from_dict, pandas_frame_from_dict());
        Ref record_columns, evaluation_columns;
        FV_TRY(with_shared<Self>(self, [&](const Self& v) -> Result<void> {
            FV_ASSIGN_OR_RETURN(record_columns, record_pandas_columns(v.parts.record));
            FV_ASSIGN_OR_RETURN(evaluation_columns, evaluation_pandas_columns(v.parts.evaluation));
            return {};
        }));
        Ref record_frame(PyObject_CallOneArg(from_dict.get(), record_columns.get()));
        if (!record_frame) return pending();
        Ref evaluation_frame(PyObject_CallOneArg(from_dict.get(), evaluation_columns.get()));
        if (!evaluation_frame) return pending();
        Ref concat(PyObject_GetAttrString(pandas.get(), "concat"));
        if (!concat) return pending();
        Ref frames(PyList_New(2));
        if (!frames) return pending();
        PyList_SET_ITEM(frames.get(), 0, record_frame.release());
        PyList_SET_ITEM(frames.get(), 1, evaluation_frame.release());
        Ref positional(PyTuple_Pack(1, frames.get()));
        Ref keywords(Py_BuildValue("{s:i}", "axis", 1));
        if (!positional || !keywords) return pending();
        return checked(PyObject_Call(concat.get(), positional.get(), keywords.get()));
    });
}

PyObject* get_backend_calculation_time(PyObject* self, PyObject*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(Ref metadata, with_shared<Self>(self, metadata_of));
        return backend_calculation_time(metadata.get());
    });
}

// ---- text form and comparison ----

PyObject* text(PyObject* self) {
    return boundary([&]() -> PyResult {
        // Held through str() of the metadata too: code it runs cannot change
        // the set midway.
        FV_ASSIGN_OR_RETURN(auto borrow, borrow_receiver(self));
        std::string head;
        Ref metadata;
        FV_TRY(with_shared<Self>(self, [&](const Self& v) -> Result<void> {
            head = "SampleSet(record=";
            record_display(head, v.parts.record);
            head += ", evaluation=";
            evaluation_display(head, v.parts.evaluation);
            head += ", measuring_time=";
            append_measuring_time_text(head, v.parts.measuring_time);
            head += ", metadata=";
            FV_ASSIGN_OR_RETURN(metadata, metadata_of(v));
            return {};
        }));
        // An Exception raised by str() of the dict is reported to the
        // unraisable hook and a placeholder stands in; anything else (an
        // interrupt, an exit) propagates.
        Ref shown(PyObject_Str(metadata.get()));
        if (!shown) {
            if (!PyErr_ExceptionMatches(PyExc_Exception)) return pending();
            PyErr_WriteUnraisable(metadata.get());
            FV_ASSIGN_OR_RETURN(
                shown, text_into_python("<unprintable " + type_qualname(metadata.get()) + " object>"));
        }
        FV_ASSIGN_OR_RETURN(Ref left, text_into_python(head));
        Ref joined(PyUnicode_Concat(left.get(), shown.get()));
        if (!joined) return pending();
        Ref close(PyUnicode_FromString(")"));
        if (!close) return pending();
        return checked(PyUnicode_Concat(joined.get(), close.get()));
    });
}

// The parts are compared by value; the metadata dicts by Python ==, which
// may raise. Both sets stay borrowed throughout, so code that == runs cannot
// change either of them midway.
PyObject* richcompare(PyObject* self, PyObject* other, int op) {
    return boundary([&]() -> PyResult {
        if (!is_instance(other, kId)) return not_implemented();
        if (op != Py_EQ && op != Py_NE) return ordering_refused(op, kId);
        FV_ASSIGN_OR_RETURN(auto self_borrow, borrow_receiver(self));
        FV_ASSIGN_OR_RETURN(auto other_borrow, borrow_receiver(other));
        Ref a, b;
        FV_ASSIGN_OR_RETURN(bool parts_equal, with_shared<Self>(self, [&](const Self& x) -> Result<bool> {
                                return with_shared<Self>(other, [&](const Self& y) -> Result<bool> {
                                    if (!sample_set_parts_equal(x.parts, y.parts)) return false;
                                    FV_ASSIGN_OR_RETURN(a, metadata_of(x));
                                    FV_ASSIGN_OR_RETURN(b, metadata_of(y));
                                    return true;
                                });
                            }));
        bool equal = parts_equal;
        if (equal) {
            Ref result(PyObject_RichCompare(a.get(), b.get(), Py_EQ));
            if (!result) return pending();
            const int truth = PyObject_IsTrue(result.get());
            if (truth < 0) return pending();
            equal = truth == 1;
        }
        return Ref::borrowed(equal == (op == Py_EQ) ? Py_True : Py_False);
    });
}

// ---- the cycle collector: the metadata dict may refer back to the set ----

int traverse(PyObject* self, visitproc visit, void* arg) {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(object_of<Self>(self)->value.metadata.get());
    return 0;
}

int clear(PyObject* self) {
    Ref dropped = std::exchange(object_of<Self>(self)->value.metadata, Ref());
    return 0;
}

void dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    PyTypeObject* type = Py_TYPE(self);
    object_of<Self>(self)->value.~Self();
    type->tp_free(self);
    Py_DECREF(type);
}

// ---- docstrings ----

#define FORVELA_FILTER_DOC(name, summary, returns)                                          \
    name "($self, rtol=1e-5, atol=1e-8)\n--\n\n" summary                                    \
         "\n"                                                                               \
         "\n"                                                                               \
         "Args:\n"                                                                          \
         "    rtol (float): The relative tolerance. Defaults to 1e-5.\n"                    \
         "    atol (float): The absolute tolerance. Defaults to 1e-8.\n"                    \
         "\n"                                                                               \
         "Returns:\n"                                                                       \
         "    SampleSet: " returns                                                          \
         "\n"                                                                               \
         "\n"                                                                               \
         "Note:\n"                                                                          \
         "    A sample is feasible when the sum v of its constraint violations satisfies\n" \
         "    $|0 - v| \\leq \\mathrm{atol} + \\mathrm{rtol} \\cdot |v|$\n"                 \
         "    and infeasible when $|0 - v| > \\mathrm{atol} + \\mathrm{rtol} \\cdot |v|$."

const ItemGroup kItems{
    {
        {"to_dict", to_dict, METH_NOARGS,
         FORVELA_TO_DICT_DOC("dict: A dict whose keys are \"record\", \"evaluation\", \"measuring_time\" and "
                             "\"metadata\".")},
        {"from_dict", fastcall(from_dict), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         FORVELA_FROM_DICT_DOC("SampleSet",
                               "The keys \"record\", \"evaluation\" and \"measuring_time\" are required, "
                               "\"metadata\" is optional;\nany other key is ignored.")},
        {"to_json", to_json, METH_NOARGS, FORVELA_TO_JSON_DOC("SampleSet")},
        {"from_json", fastcall(from_json), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         FORVELA_FROM_JSON_DOC("SampleSet")},
        {"to_pandas", to_pandas, METH_NOARGS,
         "to_pandas($self)\n--\n\n"
         "Convert into a pandas DataFrame.\n"
         "\n"
         "The columns of the record come first, then those of the evaluation.\n"
         "\n"
         "Returns:\n"
         "    pandas.DataFrame: A pandas DataFrame."},
        {"to_dense", to_dense, METH_NOARGS,
         "to_dense($self)\n--\n\n"
         "Return a Sampleset whose record is converted into a dense solution format.\n"
         "\n"
         "Returns:\n"
         "    SampleSet: A SampleSet object whose solution is dense."},
        {"feasible", fastcall(filter_method<feasible_samples>), METH_FASTCALL | METH_KEYWORDS,
         FORVELA_FILTER_DOC("feasible", "Return a Sampleset with only feasible solutions.",
                            "A SampleSet object with only feasible solutions.")},
        {"infeasible", fastcall(filter_method<infeasible_samples>), METH_FASTCALL | METH_KEYWORDS,
         FORVELA_FILTER_DOC("infeasible", "Return a Sampleset with only infeasible solutions.",
                            "A SampleSet object with only infeasible solutions.")},
        {"lowest", fastcall(filter_method<lowest_samples>), METH_FASTCALL | METH_KEYWORDS,
         FORVELA_FILTER_DOC("lowest",
                            "Return a Sampleset with feasible solutions which has the lowest objective.",
                            "A SampleSet object with the feasible solutions of the lowest objective.")},
        {"is_dense", solution_kind_method<Self, record_of, true>, METH_NOARGS, kIsDenseDoc},
        {"is_sparse", solution_kind_method<Self, record_of, false>, METH_NOARGS, kIsSparseDoc},
        {"get_backend_calculation_time", get_backend_calculation_time, METH_NOARGS,
         "get_backend_calculation_time($self)\n--\n\n"
         "Return report of the calculation time of the Skyvane backends.\n"
         "\n"
         "Returns:\n"
         "    dict: The elapsed seconds of each root span, nested by the spans' parents."},
    },
    {
        {"record", RecordPart::get, RecordPart::set, nullptr, nullptr},
        {"evaluation", EvaluationPart::get, EvaluationPart::set, nullptr, nullptr},
        {"measuring_time", MeasuringTimePart::get, MeasuringTimePart::set, nullptr, nullptr},
        {"metadata", get_metadata, set_metadata, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(sample_set_new)},
        {Py_tp_str, reinterpret_cast<void*>(text)},
        {Py_tp_repr, reinterpret_cast<void*>(text)},
        {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
        {Py_tp_traverse, reinterpret_cast<void*>(traverse)},
        {Py_tp_clear, reinterpret_cast<void*>(clear)},
    },
};

ClassDef kClass{
    .name = "SampleSet",
    .signature = "(record, evaluation, measuring_time, metadata=None)",
    .doc =
        "A class for representing a sample set.\n"
        "\n"
        "A sample set holds the result of one solve: the sampled solutions, their evaluation, the measured\n"
        "times and a dict of metadata. The metadata dict is shared, not copied: every sample set derived\n"
        "from this one holds the same dict.\n"
        "\n"
        "Attributes:\n"
        "    record (Record): The solutions and the number of occurrences of each sample.\n"
        "    evaluation (Evaluation): The evaluation of each sample.\n"
        "    measuring_time (MeasuringTime): The measured times.\n"
        "    metadata (dict): The metadata of the solve.",
    .basicsize = object_size<Self>(),
    .dealloc = dealloc,
    .groups = {&kItems},
    .flags = Py_TPFLAGS_HAVE_GC,
};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py

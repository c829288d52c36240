// The Python forms of the parts of a SampleSet, shared between the class
// of each part and SampleSet: dict forms both ways and the columns of the
// pandas frames; is_dense() and is_sparse() of the classes holding a record.
#pragma once

#include "lib/classes/sample_set/result_items.hpp"
#include "lib/py.hpp"
#include "sample_set/evaluation.hpp"
#include "sample_set/measuring_time.hpp"
#include "sample_set/record.hpp"

namespace forvela::py {

// Evaluation: six keys of numpy arrays and dicts of them.
PyResult evaluation_to_dict(const Evaluation& v);
// Missing keys leave a field empty; conversion errors pass unchanged.
Result<Evaluation> evaluation_from_dict(PyObject* dict);
// Plain Python lists, dicts, ints and floats, one row per energy entry.
PyResult evaluation_pandas_columns(const Evaluation& v);

// MeasuringTime: "solve", "system" and "total".
PyResult measuring_time_to_dict(const MeasuringTime& v);
Result<MeasuringTime> measuring_time_from_dict(PyObject* dict);

// Record: "solution" and "num_occurrences".
PyResult record_to_dict(const Record& v);
// A missing "solution" is an empty sparse one, missing counts are empty.
Result<Record> record_from_dict(PyObject* dict);
// The same for a dict that JSON text was loaded into, where a dense sample
// is the nested lists (or the bare number) that a numpy array is written as.
Result<Record> record_from_loaded_json(PyObject* dict);
// "solution[name]" per variable in name order, then "num_occurrences".
PyResult record_pandas_columns(const Record& v);

// `is_dense()` (Dense) or `is_sparse()` of a class whose value `Self`
// holds the record `RecordOf(value)`.
template <class Self, const Record& (*RecordOf)(const Self&), bool Dense>
PyObject* solution_kind_method(PyObject* self, PyObject*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) {
            return PyResult(Ref::borrowed(is_dense(RecordOf(v)) == Dense ? Py_True : Py_False));
        });
    });
}

inline constexpr const char* kIsDenseDoc =
    "is_dense($self)\n--\n\n"
    "Return true if the solution is dense.\n"
    "\n"
    "Returns:\n"
    "    bool: True if the solution is dense.";
inline constexpr const char* kIsSparseDoc =
    "is_sparse($self)\n--\n\n"
    "Return true if the solution is sparse.\n"
    "\n"
    "Returns:\n"
    "    bool: True if the solution is sparse.";

}  // namespace forvela::py

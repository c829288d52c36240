// The Python forms of the parts of a SampleSet, shared between the class
// of each part and SampleSet: dict forms both ways and the columns of the
// pandas frames.
#pragma once

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

}  // namespace forvela::py

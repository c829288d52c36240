// The report of backend calculation times: the elapsed seconds of the
// spans in a SampleSet's metadata, nested by their parents.
#pragma once

#include "lib/py.hpp"

namespace forvela::py {

// One entry per root span (a dict value whose "parent_id" is None), in
// metadata order, each the tree of its descendants' elapsed seconds.
PyResult backend_calculation_time(PyObject* metadata);

}  // namespace forvela::py

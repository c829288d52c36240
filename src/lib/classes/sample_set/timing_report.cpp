#include "lib/classes/sample_set/timing_report.hpp"

#include <vector>

#include "lib/classes/sample_set/result_items.hpp"
#include "lib/classes/sample_set/snippets.hpp"

namespace forvela::py {

namespace {

// The keys of the top-level spans without a parent, in metadata order.
Result<std::vector<Ref>> root_span_keys(PyObject* metadata) {
    FV_ASSIGN_OR_RETURN(Ref items, checked(PyDict_Items(metadata)));
    FV_ASSIGN_OR_RETURN(Ref parent_key, checked(PyUnicode_FromString("parent_id")));
    std::vector<Ref> roots;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
        PyObject* pair = PyList_GET_ITEM(items.get(), i);
        PyObject* value = PyTuple_GET_ITEM(pair, 1);
        if (!PyDict_Check(value)) continue;
        Ref parent = Ref::borrowed(PyDict_GetItemWithError(value, parent_key.get()));
        if (!parent) {
            if (PyErr_Occurred()) return pending();
            continue;
        }
        if (parent.get() != Py_None) continue;
        PyObject* key = PyTuple_GET_ITEM(pair, 0);
        if (!PyUnicode_Check(key)) return std::unexpected(to_string(key).error());
        FV_ASSIGN_OR_RETURN(Ref name, checked(PyUnicode_FromObject(key)));
        roots.push_back(std::move(name));
    }
    return roots;
}

}  // namespace

PyResult backend_calculation_time(PyObject* metadata) {
    FV_ASSIGN_OR_RETURN(Ref report, checked(PyDict_New()));
    FV_ASSIGN_OR_RETURN(std::vector<Ref> roots, root_span_keys(metadata));
    for (const Ref& root : roots) {
        FV_ASSIGN_OR_RETURN(Ref by_span, snippet_function(kTimedeltaSnippet, "get_timedelta_by_span"));
        FV_ASSIGN_OR_RETURN(Ref spans, call_for_dict(by_span.get(), {metadata}));
        FV_ASSIGN_OR_RETURN(Ref aggregate, snippet_function(kAggregateSnippet, "aggregate"));
        FV_ASSIGN_OR_RETURN(Ref tree, call_for_dict(aggregate.get(), {spans.get(), root.get()}));
        FV_ASSIGN_OR_RETURN(Ref reformat, snippet_function(kReformatSnippet, "reformat"));
        FV_ASSIGN_OR_RETURN(Ref part, call_for_dict(reformat.get(), {tree.get()}));
        if (PyDict_Update(report.get(), part.get()) < 0) return pending();
    }
    return report;
}

}  // namespace forvela::py

#include "lib/classes/sample_set/snippets.hpp"

#include "lib/classes/sample_set/result_items.hpp"

namespace forvela::py {

PyResult snippet_function(const char* source, const char* function) {
    Ref code(Py_CompileString(source, "", Py_file_input));
    if (!code) return pending();
    Ref module(PyImport_ExecCodeModuleEx("", code.get(), ""));
    if (!module) return pending();
    return checked(PyObject_GetAttrString(module.get(), function));
}

PyResult call_for_dict(PyObject* function, std::initializer_list<PyObject*> args) {
    Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(args.size())));
    if (!tuple) return pending();
    Py_ssize_t i = 0;
    for (PyObject* arg : args) PyTuple_SET_ITEM(tuple.get(), i++, Py_NewRef(arg));
    Ref result(PyObject_Call(function, tuple.get(), nullptr));
    if (!result) return pending();
    FV_TRY(require_dict(result.get()));
    return result;
}

}  // namespace forvela::py

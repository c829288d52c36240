// The module entry: `import forvela` creates the module once per process and
// fills it with the version, the exception types, the functions and the
// classes, in that order, each name appended to `__all__` as it is added.
#include <atomic>

#include "lib/registry.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

namespace {

constexpr const char* kVersion = "1.0.0-rc2";

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "forvela", "", 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

std::atomic<bool> initialised{false};

Result<void> add_to_module(PyObject* module, PyObject* all, const char* name, PyObject* value) {
    PyObject* key = PyUnicode_FromString(name);
    if (!key) return pending();
    int appended = PyList_Append(all, key);
    Py_DECREF(key);
    if (appended < 0) return pending();
    if (PyModule_AddObjectRef(module, name, value) < 0) return pending();
    return {};
}

Result<void> module_body(PyObject* module) {
    Ref all(PyObject_GetAttrString(module, "__all__"));
    if (!all) {
        PyErr_Clear();
        all = Ref(PyList_New(0));
        if (!all || PyModule_AddObjectRef(module, "__all__", all.get()) < 0) return pending();
    }

    Ref version(PyUnicode_FromString(kVersion));
    if (!version) return pending();
    FV_TRY(add_to_module(module, all.get(), "__version__", version.get()));

    struct ExceptionEntry {
        const char* name;
        Result<PyObject*> (*type)();
    };
    for (const ExceptionEntry& e :
         {ExceptionEntry{"ModelingError", modeling_error_type},
          ExceptionEntry{"ProtobufSerializationError", protobuf_serialization_error_type},
          ExceptionEntry{"ProtobufDeserializationError", protobuf_deserialization_error_type}}) {
        FV_ASSIGN_OR_RETURN(auto type, e.type());
        FV_TRY(add_to_module(module, all.get(), e.name, type));
    }

    Ref module_name(PyUnicode_FromString("forvela"));
    if (!module_name) return pending();
    for (std::size_t i = 0; i < static_cast<std::size_t>(FunctionId::Count); ++i) {
        PyMethodDef* def = function_def(static_cast<FunctionId>(i));
        if (!def) continue;  // not part of this build
        Ref fn(PyCFunction_NewEx(def, module, module_name.get()));
        if (!fn) return pending();
        FV_TRY(add_to_module(module, all.get(), def->ml_name, fn.get()));
    }

    for (std::size_t i = 0; i < static_cast<std::size_t>(ClassId::Count); ++i) {
        auto id = static_cast<ClassId>(i);
        if (!class_def(id)) continue;  // not part of this build
        FV_ASSIGN_OR_RETURN(auto type, type_of(id));
        if (auto r = add_to_module(module, all.get(), class_name(id), reinterpret_cast<PyObject*>(type)); !r)
            return r;
    }
    return {};
}

PyObject* init() {
    return boundary([]() -> PyResult {
        PyObject* module = PyModule_Create2(&module_def, PYTHON_API_VERSION);
        if (!module) {
            if (!PyErr_Occurred())
                return fail(ErrorKind::SystemError, "the module object could not be created");
            return pending();
        }
        Ref owned(module);
        if (initialised.exchange(true))
            return fail(ErrorKind::ImportError,
                        "forvela may only be initialised once per interpreter process");
        FV_TRY(module_body(module));
        return owned;
    });
}

}  // namespace

}  // namespace forvela::py

PyMODINIT_FUNC PyInit_forvela() { return forvela::py::init(); }

#include "lib/exceptions.hpp"

namespace forvela::py {

namespace {

Result<PyObject*> exception_cell(PyObject*& cell, const char* full_name, PyObject* base) {
    if (cell) return cell;
    PyObject* type = PyErr_NewExceptionWithDoc(full_name, nullptr, base, nullptr);
    if (!type) return pending();
    if (cell) {
        Py_DECREF(type);
    } else {
        cell = type;
    }
    return cell;
}

PyObject* modeling_cell = nullptr;
PyObject* serialization_cell = nullptr;
PyObject* deserialization_cell = nullptr;
PyObject* internal_cell = nullptr;

Result<PyObject*> internal_failure_type() {
    return exception_cell(internal_cell, "forvela.InternalFailure", PyExc_BaseException);
}

PyObject* builtin_type(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::TypeError: return PyExc_TypeError;
        case ErrorKind::ValueError: return PyExc_ValueError;
        case ErrorKind::IndexError: return PyExc_IndexError;
        case ErrorKind::OverflowError: return PyExc_OverflowError;
        case ErrorKind::ZeroDivisionError: return PyExc_ZeroDivisionError;
        case ErrorKind::RuntimeError: return PyExc_RuntimeError;
        case ErrorKind::AttributeError: return PyExc_AttributeError;
        case ErrorKind::MemoryError: return PyExc_MemoryError;
        case ErrorKind::RecursionError: return PyExc_RecursionError;
        case ErrorKind::ImportError: return PyExc_ImportError;
        case ErrorKind::SystemError: return PyExc_SystemError;
        default: return nullptr;
    }
}

}  // namespace

Result<PyObject*> modeling_error_type() {
    return exception_cell(modeling_cell, "forvela.ModelingError", PyExc_Exception);
}
Result<PyObject*> protobuf_serialization_error_type() {
    return exception_cell(serialization_cell, "forvela.ProtobufSerializationError", PyExc_Exception);
}
Result<PyObject*> protobuf_deserialization_error_type() {
    return exception_cell(deserialization_cell, "forvela.ProtobufDeserializationError", PyExc_Exception);
}

void raise(const Error& error) {
    Result<PyObject*> type = nullptr;
    switch (error.kind) {
        case ErrorKind::PythonPending:
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "error return without exception set");
            return;
        case ErrorKind::ModelingError: type = modeling_error_type(); break;
        case ErrorKind::ProtobufSerializationError: type = protobuf_serialization_error_type(); break;
        case ErrorKind::ProtobufDeserializationError: type = protobuf_deserialization_error_type(); break;
        case ErrorKind::Internal: type = internal_failure_type(); break;
        default: type = builtin_type(error.kind); break;
    }
    if (!type) return;  // creating the type failed; its exception is pending
    PyObject* msg =
        PyUnicode_DecodeUTF8(error.message.data(), static_cast<Py_ssize_t>(error.message.size()), "replace");
    if (!msg) return;
    PyErr_SetObject(*type, msg);
    Py_DECREF(msg);
}

PyResult str_result(const std::string& s) {
    return checked(PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace"));
}

std::string type_qualname(PyObject* obj) {
    PyObject* q = PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(obj)), "__qualname__");
    std::string out;
    if (q && PyUnicode_Check(q)) {
        const char* s = PyUnicode_AsUTF8(q);
        if (s) out = s;
    }
    Py_XDECREF(q);
    if (out.empty()) {
        PyErr_Clear();
        out = Py_TYPE(obj)->tp_name;
    }
    return out;
}

Result<void> discard_pending() {
    if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Exception)) return pending();
    PyErr_Clear();
    return {};
}

std::string take_pending_description() {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyErr_NormalizeException(&type, &value, &tb);
    std::string out = type ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "Exception";
    if (auto dot = out.rfind('.'); dot != std::string::npos) out = out.substr(dot + 1);
    out += ": ";
    if (value) {
        PyObject* s = PyObject_Str(value);
        if (s) {
            const char* c = PyUnicode_AsUTF8(s);
            if (c) out += c;
            Py_DECREF(s);
        }
    }
    PyErr_Clear();
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(tb);
    return out;
}

}  // namespace forvela::py

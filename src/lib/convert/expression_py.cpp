#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"

#include <array>
#include <string_view>

namespace forvela::py {

bool is_complex_number(PyObject* obj) {
    if (PyComplex_Check(obj)) return true;
    // NumPy's complex scalars of every width derive from numpy.complexfloating.
    PyObject* mro = Py_TYPE(obj)->tp_mro;
    if (!mro || !PyTuple_Check(mro)) return false;
    for (Py_ssize_t k = 0; k < PyTuple_GET_SIZE(mro); ++k) {
        auto* base = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, k));
        if (std::string_view(base->tp_name) == "numpy.complexfloating") return true;
    }
    return false;
}

Result<std::optional<NumericValue>> number_from_python(PyObject* obj) {
    // The two exact built-in kinds read directly: no index attempt, whose
    // TypeError a float would build and discard.
    if (PyFloat_CheckExact(obj)) return NumericValue::of_float(PyFloat_AS_DOUBLE(obj));
    if (PyLong_CheckExact(obj)) {
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(obj, &overflow);
        if (!overflow) return NumericValue::of_integer(v);
    }
    if (is_complex_number(obj)) return std::optional<NumericValue>{};
    if (PyObject* index = PyNumber_Index(obj)) {
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(index, &overflow);
        Py_DECREF(index);
        if (!overflow && !(v == -1 && PyErr_Occurred())) return NumericValue::of_integer(v);
    }
    FV_TRY(discard_pending());
    double d = PyFloat_AsDouble(obj);
    if (!(d == -1.0 && PyErr_Occurred())) return NumericValue::of_float(d);
    FV_TRY(discard_pending());
    return std::optional<NumericValue>{};
}

Result<Expression> expression_from_python(PyObject* obj) {
    std::optional<ClassId> id = expression_class_of(obj);
    // Objects of the expression classes, NumberLit among them, answer no
    // number protocol: they skip the number attempts and the exceptions
    // those would raise.
    if (!id) {
        FV_ASSIGN_OR_RETURN(auto number, number_from_python(obj));
        if (number) return Expression(*number);
    }
    if (id) {
        auto converted = class_def(*id)->to_expression(obj);
        if (converted) return converted;
        if (converted.error().kind == ErrorKind::PythonPending) {
            FV_TRY(discard_pending());
        }
    }
    return fail(ErrorKind::TypeError, "failed to convert into expression.");
}

PyResult expression_into_python(Expression e) {
    ClassId id = class_of(e);
    if (e.kind() == ExprKind::NumberLit) return new_object(id, e.as<NumericValue>());
    return new_object(id, std::move(e));
}

PyResult expression_list_into_python(std::vector<Expression> list) {
    Ref out(PyList_New(static_cast<Py_ssize_t>(list.size())));
    if (!out) return pending();
    for (std::size_t i = 0; i < list.size(); ++i) {
        FV_ASSIGN_OR_RETURN(auto item, expression_into_python(std::move(list[i])));
        PyList_SET_ITEM(out.get(), static_cast<Py_ssize_t>(i), item.release());
    }
    return out;
}

}  // namespace forvela::py

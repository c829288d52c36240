#include "lib/convert/condition_py.hpp"
#include "model/result_macros.hpp"

#include "model/expression/expression.hpp"

namespace forvela::py {

Result<ConditionalExpr> conditional_expr_from_python(PyObject* obj) {
    if (auto id = condition_class_of(obj); id && class_def(*id)->to_condition) {
        auto converted = class_def(*id)->to_condition(obj);
        if (converted) return converted;
        if (converted.error().kind == ErrorKind::PythonPending) FV_TRY(discard_pending());
    }
    return fail(ErrorKind::TypeError, "failed to convert into a conditional expression.");
}

int condition_bool(PyObject*) {
    PyErr_SetString(PyExc_TypeError,
                    "a condition has no truth value: combine conditions with '&', '|' and '^', "
                    "and use 'fv.min' / 'fv.max' instead of the built-in 'min' / 'max'");
    return -1;
}

PyResult conditional_expr_into_python(ConditionalExpr c) {
    ClassId id = class_of(c);
    return new_object(id, std::move(c));
}

PyObject* logical_slot(ClassId id, ConditionReceiverFn receive, PyObject* a, PyObject* b,
                       LogicalOpKind kind) {
    return boundary([&]() -> PyResult {
        bool forward = is_instance(a, id);
        if (!forward && !is_instance(b, id)) return not_implemented();
        FV_ASSIGN_OR_RETURN(auto left, forward ? receive(a) : conditional_expr_from_python(a));
        FV_ASSIGN_OR_RETURN(auto right, forward ? conditional_expr_from_python(b) : receive(b));
        return conditional_expr_into_python(combine(kind, std::move(left), std::move(right)));
    });
}

}  // namespace forvela::py

#include "lib/condition_py.hpp"
#include "model/result_macros.hpp"

#include <array>

#include "model/expression/condition.hpp"

namespace forvela::py {

namespace {

constexpr std::array kConditionClasses = {
    ClassId::AndOp,          ClassId::OrOp,           ClassId::XorOp,
    ClassId::EqualOp,        ClassId::NotEqualOp,     ClassId::LessThanOp,
    ClassId::LessThanEqualOp, ClassId::GreaterThanOp, ClassId::GreaterThanEqualOp,
};

ClassId comparison_class(ComparisonOpKind kind) {
    return static_cast<ClassId>(static_cast<int>(ClassId::EqualOp) + static_cast<int>(kind));
}

ClassId logical_class(LogicalOpKind kind) {
    return static_cast<ClassId>(static_cast<int>(ClassId::AndOp) + static_cast<int>(kind));
}

}  // namespace

Result<ConditionalExpr> conditional_expr_from_python(PyObject* obj) {
    for (ClassId id : kConditionClasses) {
        if (!is_instance(obj, id) || !class_def(id)->to_condition) continue;
        auto converted = class_def(id)->to_condition(obj);
        if (converted) return converted;
        if (converted.error().kind == ErrorKind::PythonPending) {
            FV_TRY(discard_pending());
        }
        break;
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
    ClassId id = c.is_comparison() ? comparison_class(std::as_const(c).as<ComparisonOp>().kind)
                                   : logical_class(std::as_const(c).as<LogicalOp>().kind);
    return new_object(id, std::move(c));
}

PyObject* logical_slot(ClassId id, ConditionReceiverFn receive, PyObject* a, PyObject* b,
                       LogicalOpKind kind) {
    return boundary([&]() -> PyResult {
        bool forward = is_instance(a, id);
        if (!forward && !is_instance(b, id)) return not_implemented();
        FV_ASSIGN_OR_RETURN(auto left, forward ? receive(a) : conditional_expr_from_python(a));
        FV_ASSIGN_OR_RETURN(auto right, forward ? conditional_expr_from_python(b) : receive(b));
        return conditional_expr_into_python(new_logical_op(kind, std::move(left), std::move(right)));
    });
}

}  // namespace forvela::py

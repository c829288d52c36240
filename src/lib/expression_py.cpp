#include "lib/expression_py.hpp"
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

namespace {

// The expression classes in the order the conversion tries them.
constexpr std::array kExpressionClasses = {
    ClassId::NumberLit,  ClassId::Placeholder,    ClassId::Element,
    ClassId::BinaryVar,  ClassId::IntegerVar,     ClassId::ContinuousVar,
    ClassId::SemiIntegerVar, ClassId::SemiContinuousVar, ClassId::Subscript,
    ClassId::ArrayLength, ClassId::AbsOp,         ClassId::CeilOp,
    ClassId::FloorOp,    ClassId::Log2Op,         ClassId::Log10Op,
    ClassId::LnOp,       ClassId::AddOp,          ClassId::MulOp,
    ClassId::PowOp,      ClassId::ModOp,          ClassId::MinOp,
    ClassId::MaxOp,      ClassId::SumOp,          ClassId::ProdOp,
};

ClassId class_of(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::NumberLit: return ClassId::NumberLit;
        case ExprKind::Placeholder: return ClassId::Placeholder;
        case ExprKind::Element: return ClassId::Element;
        case ExprKind::DecisionVar:
            switch (e.as<DecisionVar>().kind) {
                case DecisionVarKind::Binary: return ClassId::BinaryVar;
                case DecisionVarKind::Integer: return ClassId::IntegerVar;
                case DecisionVarKind::Continuous: return ClassId::ContinuousVar;
                case DecisionVarKind::SemiInteger: return ClassId::SemiIntegerVar;
                case DecisionVarKind::SemiContinuous: return ClassId::SemiContinuousVar;
            }
            break;
        case ExprKind::Subscript: return ClassId::Subscript;
        case ExprKind::ArrayLength: return ClassId::ArrayLength;
        case ExprKind::UnaryOp:
            switch (e.as<UnaryOp>().kind) {
                case UnaryOpKind::Abs: return ClassId::AbsOp;
                case UnaryOpKind::Ceil: return ClassId::CeilOp;
                case UnaryOpKind::Floor: return ClassId::FloorOp;
                case UnaryOpKind::Ln: return ClassId::LnOp;
                case UnaryOpKind::Log10: return ClassId::Log10Op;
                case UnaryOpKind::Log2: return ClassId::Log2Op;
            }
            break;
        case ExprKind::BinaryOp:
            return e.as<BinaryOp>().kind == BinaryOpKind::Pow ? ClassId::PowOp : ClassId::ModOp;
        case ExprKind::CommutativeOp:
            switch (e.as<CommutativeOp>().kind) {
                case CommutativeOpKind::Add: return ClassId::AddOp;
                case CommutativeOpKind::Mul: return ClassId::MulOp;
                case CommutativeOpKind::Min: return ClassId::MinOp;
                case CommutativeOpKind::Max: return ClassId::MaxOp;
            }
            break;
        case ExprKind::ReductionOp:
            return e.as<ReductionOp>().kind == ReductionOpKind::Sum ? ClassId::SumOp
                                                                     : ClassId::ProdOp;
    }
    return ClassId::NumberLit;
}

}  // namespace

namespace {

// The expression class of the object's exact type, if it has one.
std::optional<ClassId> expression_class_of(PyObject* obj) {
    for (ClassId id : kExpressionClasses)
        if (is_instance(obj, id)) return id;
    return std::nullopt;
}

}  // namespace

Result<Expression> expression_from_python(PyObject* obj) {
    std::optional<ClassId> id = expression_class_of(obj);
    // Objects of the operand and operator classes answer no number protocol:
    // they skip the number attempts and the exceptions those would raise.
    if (!id || *id == ClassId::NumberLit) {
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

#include "lib/items/number_slots.hpp"
#include "model/result_macros.hpp"

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "model/expression/expression.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

Result<Expression> build_add(Expression a, Expression b) {
    return add(std::move(a), std::move(b));
}
Result<Expression> build_subtract(Expression a, Expression b) {
    return subtract(std::move(a), std::move(b));
}
Result<Expression> build_multiply(Expression a, Expression b) {
    return multiply(std::move(a), std::move(b));
}
Result<Expression> build_true_divide(Expression a, Expression b) {
    return divide(std::move(a), std::move(b));
}
Result<Expression> build_remainder(Expression a, Expression b) {
    return modulo(std::move(a), std::move(b));
}

namespace {

// Both operands as expressions, the left one converted first.
Result<std::pair<Expression, Expression>> operands(ClassId id, ReceiverFn receive, PyObject* a,
                                                   PyObject* b) {
    bool forward = is_instance(a, id);
    FV_ASSIGN_OR_RETURN(auto left, forward ? receive(a) : expression_from_python(a));
    FV_ASSIGN_OR_RETURN(auto right, forward ? expression_from_python(b) : receive(b));
    return std::pair<Expression, Expression>(std::move(left), std::move(right));
}

PyResult into_python(Result<Expression> built) {
    if (!built) return std::unexpected(built.error());
    return expression_into_python(std::move(*built));
}

}  // namespace

PyObject* binary_number_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b,
                             BinaryBuilder build) {
    return boundary([&]() -> PyResult {
        if (!is_instance(a, id) && !is_instance(b, id)) return not_implemented();
        FV_ASSIGN_OR_RETURN(auto pair, operands(id, receive, a, b));
        return into_python(build(std::move(pair.first), std::move(pair.second)));
    });
}

PyObject* power_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, PyObject* m) {
    return boundary([&]() -> PyResult {
        if (!is_instance(a, id) && !is_instance(b, id)) return not_implemented();
        FV_ASSIGN_OR_RETURN(auto pair, operands(id, receive, a, b));
        std::optional<Expression> divisor;
        if (m && m != Py_None) {
            FV_ASSIGN_OR_RETURN(auto converted, expression_from_python(m));
            divisor.emplace(std::move(converted));
        }
        FV_ASSIGN_OR_RETURN(auto raised, forvela::power(std::move(pair.first), std::move(pair.second)));
        if (!divisor) return expression_into_python(std::move(raised));
        return into_python(forvela::modulo(std::move(raised), std::move(*divisor)));
    });
}

PyObject* negative_slot(ReceiverFn receive, PyObject* a) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto self, receive(a));
        return expression_into_python(negate(std::move(self)));
    });
}

PyObject* richcompare_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, int op) {
    return boundary([&]() -> PyResult {
        if (!is_instance(a, id)) return not_implemented();
        ComparisonOpKind kind;
        switch (op) {
            case Py_LT: kind = ComparisonOpKind::LessThan; break;
            case Py_LE: kind = ComparisonOpKind::LessThanEqual; break;
            case Py_EQ: kind = ComparisonOpKind::Equal; break;
            case Py_NE: kind = ComparisonOpKind::NotEqual; break;
            case Py_GT: kind = ComparisonOpKind::GreaterThan; break;
            case Py_GE: kind = ComparisonOpKind::GreaterThanEqual; break;
            default: return not_implemented();
        }
        FV_ASSIGN_OR_RETURN(auto self, receive(a));
        FV_ASSIGN_OR_RETURN(auto other, expression_from_python(b));
        return conditional_expr_into_python(
            compare(kind, std::move(self), std::move(other)));
    });
}

}  // namespace forvela::py

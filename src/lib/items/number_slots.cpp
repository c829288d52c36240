#include "lib/items/number_slots.hpp"
#include "model/result_macros.hpp"

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

namespace {

// Both operands as expressions, the left one converted first.
Result<std::pair<Expression, Expression>> operands(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b) {
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

PyObject* binary_number_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, Arithmetic op) {
    return boundary([&]() -> PyResult {
        if (!is_instance(a, id) && !is_instance(b, id)) return not_implemented();
        FV_ASSIGN_OR_RETURN(auto borrow, borrow_receiver(is_instance(a, id) ? a : b));
        FV_ASSIGN_OR_RETURN(auto pair, operands(id, receive, a, b));
        auto& [left, right] = pair;
        switch (op) {
            case Arithmetic::Add: return expression_into_python(add(std::move(left), std::move(right)));
            case Arithmetic::Subtract:
                return expression_into_python(subtract(std::move(left), std::move(right)));
            case Arithmetic::Multiply:
                return expression_into_python(multiply(std::move(left), std::move(right)));
            case Arithmetic::Divide: return into_python(divide(std::move(left), std::move(right)));
            case Arithmetic::Modulo: return into_python(modulo(std::move(left), std::move(right)));
        }
        return fail(ErrorKind::Internal, "an arithmetic operator without a builder");
    });
}

PyObject* power_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, PyObject* m) {
    return boundary([&]() -> PyResult {
        if (!is_instance(a, id) && !is_instance(b, id)) return not_implemented();
        FV_ASSIGN_OR_RETURN(auto borrow, borrow_receiver(is_instance(a, id) ? a : b));
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
        FV_ASSIGN_OR_RETURN(auto borrow, borrow_receiver(a));
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
        return conditional_expr_into_python(compare(kind, std::move(self), std::move(other)));
    });
}

}  // namespace forvela::py

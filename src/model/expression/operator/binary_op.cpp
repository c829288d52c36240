#include "model/expression/operator/binary_op.hpp"

#include <cmath>

#include "model/expression/expression.hpp"

namespace forvela {

namespace {

bool is_literal(const Expression& e) { return e.kind() == ExprKind::NumberLit; }
NumericValue number_of(const Expression& e) { return e.as<NumericValue>(); }

// A positive literal: an integer above 0, or a float with its sign bit clear
// that is not zero (NaN with a clear sign bit included, as is +inf).
bool is_positive_literal(const Expression& e) {
    if (!is_literal(e)) return false;
    const auto& v = number_of(e);
    return v.is_integer() ? v.integer > 0 : !std::signbit(v.floating) && v.floating != 0.0;
}

bool is_negative_literal(const Expression& e) { return is_literal(e) && number_of(e).sign_bit(); }

}  // namespace

Expression make_binary_op(BinaryOpKind kind, Expression left, Expression right) {
    return Expression(
        BinaryOp{std::nullopt, Box<Expression>(std::move(left)), Box<Expression>(std::move(right)), kind});
}

Result<Expression> power(Expression base, Expression exponent) {
    if (contains_decision_var(exponent)) return modeling_error("the exponent contains a decision variable");
    if (contains_decision_var(base) && !is_positive_literal(exponent))
        return modeling_error("a decision variable can be raised to only a positive power");
    if (is_zero_literal(base) && is_negative_literal(exponent))
        return fail(ErrorKind::ZeroDivisionError, "zero cannot be raised to a negative power");
    return make_pow_op(std::move(base), std::move(exponent));
}

Result<Expression> modulo(Expression a, Expression b) {
    if (contains_decision_var(a) || contains_decision_var(b))
        return modeling_error("the modulo op contains a decision variable");
    if (is_zero_literal(b)) return fail(ErrorKind::ZeroDivisionError, "modulo by zero");
    return make_mod_op(std::move(a), std::move(b));
}

}  // namespace forvela

// Powers and remainders (a left and a right operand) and their builders.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"

namespace forvela {

enum class BinaryOpKind : std::uint8_t { Pow = 0, Mod = 1 };

struct BinaryOp {
    OptText latex;
    Box<Expression> left;   // the base of a power
    Box<Expression> right;  // the exponent of a power
    BinaryOpKind kind;
};

Expression make_binary_op(BinaryOpKind kind, Expression left, Expression right);
inline Expression make_pow_op(Expression base, Expression exponent) {
    return make_binary_op(BinaryOpKind::Pow, std::move(base), std::move(exponent));
}
inline Expression make_mod_op(Expression left, Expression right) {
    return make_binary_op(BinaryOpKind::Mod, std::move(left), std::move(right));
}

// The builders, with their checks: a decision variable only as the base of
// a positive power, never in a remainder; no zero divisor.
Result<Expression> power(Expression base, Expression exponent);
Result<Expression> modulo(Expression a, Expression b);

}  // namespace forvela

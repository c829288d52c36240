// The arithmetic builders: sums, differences, products, quotients,
// negations, powers and remainders, with their folding and merging rules.
// Every builder consumes its operands and edits existing term vectors in
// place instead of copying them.
#pragma once

#include "model/error.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

Expression add(Expression a, Expression b);
Expression subtract(Expression a, Expression b);
Expression multiply(Expression a, Expression b);
Expression negate(Expression a);
Result<Expression> divide(Expression a, Expression b);
Result<Expression> power(Expression base, Expression exponent);
Result<Expression> modulo(Expression a, Expression b);

Expression make_binary_op(BinaryOpKind kind, Expression left, Expression right);
inline Expression make_pow_op(Expression base, Expression exponent) {
    return make_binary_op(BinaryOpKind::Pow, std::move(base), std::move(exponent));
}
inline Expression make_mod_op(Expression left, Expression right) {
    return make_binary_op(BinaryOpKind::Mod, std::move(left), std::move(right));
}
// Sum and product nodes whose literal terms are combined (the sum's literal
// last, the product's first).
Expression make_add_op(std::vector<Expression> terms);
Expression make_mul_op(std::vector<Expression> terms);

// Term helpers over a sum's or product's terms.
void push_sum_term(CommutativeOp& sum, Expression term);
void fold_number_into_sum(CommutativeOp& sum, const NumericValue& number);
std::optional<NumericValue> take_number_term(CommutativeOp& sum);
void fold_number_into_product(CommutativeOp& product, const NumericValue& number);
std::optional<NumericValue> take_leading_number(CommutativeOp& product);
void remove_zero_terms(CommutativeOp& op);

// Normalised copies of sum and product nodes for the serializer: nested sums
// (products) opened up, literals combined, adjacent powers of one base merged.
CommutativeOp flatten_add_terms(const CommutativeOp& node);
CommutativeOp flatten_mul_terms(const CommutativeOp& node);

bool is_zero_literal(const Expression& e);
bool is_one_literal(const Expression& e);

}  // namespace forvela

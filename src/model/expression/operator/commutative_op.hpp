// Sums, products, minima and maxima (a list of terms), and the arithmetic
// builders with their folding and merging rules: sums, differences, products,
// quotients and negations.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/term_list.hpp"

namespace forvela {

enum class CommutativeOpKind : std::uint8_t { Add = 0, Mul = 1, Min = 2, Max = 3 };

struct CommutativeOp {
    OptText latex;
    // The kind sits in the list's tail padding.
    [[no_unique_address]] TermList terms;
    CommutativeOpKind kind;
};
static_assert(sizeof(CommutativeOp) == 48, "a two-term product is one 56-byte cell");

Expression add(Expression a, Expression b);
Expression subtract(Expression a, Expression b);
Expression multiply(Expression a, Expression b);
Expression negate(Expression a);
Result<Expression> divide(Expression a, Expression b);

// Sum and product nodes whose literal terms are combined (the sum's literal
// last, the product's first).
Expression make_add_op(std::vector<Expression> terms);
Expression make_mul_op(std::vector<Expression> terms);
// The same, moving the terms out of `terms` (left as literals).
Expression make_add_op(std::span<Expression> terms);
Expression make_mul_op(std::span<Expression> terms);
// A Min or Max node of the operands in order, unflattened and unfolded;
// operands with decision variables are refused.
Result<Expression> make_min_max_op(CommutativeOpKind kind, std::vector<Expression> operands);

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

// Conditions: the comparison builders and the logical builders. None of
// them checks or folds anything; the logical ones never flatten.
#pragma once

#include "model/expression/expression.hpp"

namespace forvela {

ConditionalExpr new_comparison_op(ComparisonOpKind kind, Expression left, Expression right);
inline ConditionalExpr new_equal_op(Expression l, Expression r) {
    return new_comparison_op(ComparisonOpKind::Equal, std::move(l), std::move(r));
}
inline ConditionalExpr new_not_equal_op(Expression l, Expression r) {
    return new_comparison_op(ComparisonOpKind::NotEqual, std::move(l), std::move(r));
}
inline ConditionalExpr new_less_than_op(Expression l, Expression r) {
    return new_comparison_op(ComparisonOpKind::LessThan, std::move(l), std::move(r));
}
inline ConditionalExpr new_less_than_equal_op(Expression l, Expression r) {
    return new_comparison_op(ComparisonOpKind::LessThanEqual, std::move(l), std::move(r));
}
inline ConditionalExpr new_greater_than_op(Expression l, Expression r) {
    return new_comparison_op(ComparisonOpKind::GreaterThan, std::move(l), std::move(r));
}
inline ConditionalExpr new_greater_than_equal_op(Expression l, Expression r) {
    return new_comparison_op(ComparisonOpKind::GreaterThanEqual, std::move(l), std::move(r));
}

ConditionalExpr new_logical_op(LogicalOpKind kind, ConditionalExpr first, ConditionalExpr second);
inline ConditionalExpr and_conditions(ConditionalExpr a, ConditionalExpr b) {
    return new_logical_op(LogicalOpKind::And, std::move(a), std::move(b));
}
inline ConditionalExpr or_conditions(ConditionalExpr a, ConditionalExpr b) {
    return new_logical_op(LogicalOpKind::Or, std::move(a), std::move(b));
}
inline ConditionalExpr xor_conditions(ConditionalExpr a, ConditionalExpr b) {
    return new_logical_op(LogicalOpKind::Xor, std::move(a), std::move(b));
}

bool condition_contains_decision_var(const ConditionalExpr& c);

}  // namespace forvela

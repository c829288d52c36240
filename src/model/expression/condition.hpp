// Conditions: the comparison builders and the logical builders. None of
// them checks or folds anything; the logical ones never flatten.
#pragma once

#include "model/expression/expression.hpp"

namespace forvela {

ConditionalExpr new_comparison_op(ComparisonOpKind kind, Expression left, Expression right);

ConditionalExpr new_logical_op(LogicalOpKind kind, ConditionalExpr first, ConditionalExpr second);

bool condition_contains_decision_var(const ConditionalExpr& c);

}  // namespace forvela

// Conditions: the comparison builders and the logical builders. None of
// them checks or folds anything; the logical ones never flatten.
#pragma once

#include "model/expression/expression.hpp"

namespace forvela {

ConditionalExpr compare(ComparisonOpKind kind, Expression left, Expression right);

ConditionalExpr combine(LogicalOpKind kind, ConditionalExpr first, ConditionalExpr second);

bool condition_contains_decision_var(const ConditionalExpr& c);

}  // namespace forvela

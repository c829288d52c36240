// Comparisons of two expressions: the conditions of constraints, sums and products.
#pragma once

#include "model/expression/handle.hpp"

namespace forvela {

enum class ComparisonOpKind : std::uint8_t {
    Equal = 0,
    NotEqual = 1,
    LessThan = 2,
    LessThanEqual = 3,
    GreaterThan = 4,
    GreaterThanEqual = 5,
};

struct ComparisonOp {
    OptText latex;
    Box<Expression> left;
    Box<Expression> right;
    ComparisonOpKind kind;
};

inline ConditionalExpr::ConditionalExpr(ComparisonOp v) : CellRef(new_node(std::move(v))) {}

// A comparison node of the two expressions; nothing is checked or folded.
ConditionalExpr compare(ComparisonOpKind kind, Expression left, Expression right);

}  // namespace forvela

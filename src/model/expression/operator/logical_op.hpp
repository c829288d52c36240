// Logical and, or and xor of conditions.
#pragma once

#include "model/expression/handle.hpp"
#include "model/expression/operator/comparison_op.hpp"

namespace forvela {

enum class LogicalOpKind : std::uint8_t { And = 0, Or = 1, Xor = 2 };

struct LogicalOp {
    OptText latex;
    std::vector<ConditionalExpr> terms;
    LogicalOpKind kind;
};

inline ConditionalExpr::ConditionalExpr(LogicalOp v) : CellRef(new_node(std::move(v))) {}

// A logical node of the two conditions; chains are never flattened.
ConditionalExpr combine(LogicalOpKind kind, ConditionalExpr first, ConditionalExpr second);

}  // namespace forvela

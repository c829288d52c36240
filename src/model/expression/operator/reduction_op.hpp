// Reductions: sums and products of an expression over elements, each
// element optionally restricted by a condition.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operator/logical_op.hpp"

namespace forvela {

enum class ReductionOpKind : std::uint8_t { Sum = 0, Prod = 1 };

struct ReductionOp {
    OptText latex;
    Box<Element> index;
    std::optional<Box<ConditionalExpr>> condition;
    Box<Expression> operand;
    ReductionOpKind kind;
};

// One index of a reduction: an element and its optional condition.
struct IndexItem {
    Element element;
    std::optional<ConditionalExpr> condition;
};

Result<ReductionOp> make_reduction_op(ReductionOpKind kind, Element element,
                                      std::optional<ConditionalExpr> condition, Expression operand);

// Nests one reduction per item, the first item outermost.
Result<Expression> reduce(ReductionOpKind kind, std::vector<IndexItem> items, Expression operand);

}  // namespace forvela

#include "model/expression/operator/logical_op.hpp"

#include "model/expression/expression.hpp"

namespace forvela {

ConditionalExpr combine(LogicalOpKind kind, ConditionalExpr first, ConditionalExpr second) {
    std::vector<ConditionalExpr> terms;
    terms.reserve(2);
    terms.push_back(std::move(first));
    terms.push_back(std::move(second));
    return ConditionalExpr(LogicalOp{std::nullopt, std::move(terms), kind});
}

}  // namespace forvela

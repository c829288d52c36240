#include "model/expression/operator/comparison_op.hpp"

#include "model/expression/expression.hpp"

namespace forvela {

ConditionalExpr compare(ComparisonOpKind kind, Expression left, Expression right) {
    return ConditionalExpr(ComparisonOp{std::nullopt, Box<Expression>(std::move(left)),
                                        Box<Expression>(std::move(right)), kind});
}

}  // namespace forvela

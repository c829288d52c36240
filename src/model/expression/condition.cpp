#include "model/expression/condition.hpp"

namespace forvela {

ConditionalExpr compare(ComparisonOpKind kind, Expression left, Expression right) {
    return ConditionalExpr(ComparisonOp{std::nullopt, Box<Expression>(std::move(left)),
                                        Box<Expression>(std::move(right)), kind});
}

ConditionalExpr combine(LogicalOpKind kind, ConditionalExpr first, ConditionalExpr second) {
    std::vector<ConditionalExpr> terms;
    terms.reserve(2);
    terms.push_back(std::move(first));
    terms.push_back(std::move(second));
    return ConditionalExpr(LogicalOp{std::nullopt, std::move(terms), kind});
}

bool condition_contains_decision_var(const ConditionalExpr& c) {
    DepthGuard guard;
    if (c.is_comparison()) {
        const auto& cmp = c.as<ComparisonOp>();
        return contains_decision_var(*cmp.left) || contains_decision_var(*cmp.right);
    }
    for (const auto& t : c.as<LogicalOp>().terms)
        if (condition_contains_decision_var(t)) return true;
    return false;
}

}  // namespace forvela

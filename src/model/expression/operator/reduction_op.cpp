#include "model/expression/operator/reduction_op.hpp"
#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"

#include "model/expression/expression.hpp"

namespace forvela {

Result<ReductionOp> make_reduction_op(ReductionOpKind kind, Element element,
                                      std::optional<ConditionalExpr> condition, Expression operand) {
    if (condition && condition_contains_decision_var(*condition))
        return modeling_error("the condition expression contains a decision variable");
    std::optional<Box<ConditionalExpr>> boxed;
    if (condition) boxed.emplace(std::move(*condition));
    return ReductionOp{std::nullopt, Box<Element>(std::move(element)), std::move(boxed),
                       Box<Expression>(std::move(operand)), kind};
}

Result<Expression> reduce(ReductionOpKind kind, std::vector<IndexItem> items, Expression operand) {
    if (items.empty()) return modeling_error("the index of a reduction is empty");
    Expression current = std::move(operand);
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        FV_ASSIGN_OR_RETURN(auto node, make_reduction_op(kind, std::move(it->element),
                                                         std::move(it->condition), std::move(current)));
        current = Expression(std::move(node));
    }
    return current;
}

}  // namespace forvela

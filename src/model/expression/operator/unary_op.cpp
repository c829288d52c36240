#include "model/expression/operator/unary_op.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

Result<Expression> make_unary_op(UnaryOpKind kind, Expression operand) {
    if (contains_decision_var(operand))
        return modeling_error("the operand of the unary op contains a decision variable");
    return Expression(UnaryOp{std::nullopt, Box<Expression>(std::move(operand)), kind});
}

Result<Expression> make_min_max_op(CommutativeOpKind kind, std::vector<Expression> operands) {
    for (std::size_t i = 0; i < operands.size(); ++i)
        if (contains_decision_var(operands[i]))
            return modeling_error("the " + std::to_string(i) + "-th term contains a decision variable");
    return Expression(CommutativeOp{std::nullopt, std::move(operands), kind});
}

}  // namespace forvela

#include "model/expression/operator/unary_op.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

Result<Expression> make_unary_op(UnaryOpKind kind, Expression operand) {
    if (contains_decision_var(operand))
        return modeling_error("the operand of the unary op contains a decision variable");
    return Expression(UnaryOp{std::nullopt, Box<Expression>(std::move(operand)), kind});
}

}  // namespace forvela

#include "model/expression/operand/placeholder.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

Result<Expression> placeholder_into_expression(Box<Placeholder> p) {
    if (p->ndim != 0)
        return modeling_error("the dimensionality of the Placeholder { name: " + p->name +
                              " } must be zero, but is actually " + std::to_string(p->ndim));
    return Expression(std::move(p));
}

Result<SubscriptedVariable> placeholder_into_subscripted_variable(Box<Placeholder> p) {
    if (p->ndim == 0)
        return modeling_error("the scalar `Placeholder { name: " + p->name + " }` is not subscriptable");
    return SubscriptedVariable(std::move(p));
}

Result<ArrayOperand> placeholder_into_array_operand(Box<Placeholder> p) {
    if (p->ndim == 0) return modeling_error("the placeholder " + p->name + " is a scalar");
    return ArrayOperand(std::move(p));
}

}  // namespace forvela

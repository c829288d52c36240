// Subscripting: the dimensionality of a subscripted variable, the checks of
// a subscript list, the constructor that flattens a subscript of a subscript,
// and the conversions of a subscript into an operand, a subscripted variable
// and an array.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/expr_list.hpp"
#include "model/expression/operand/array_length.hpp"

namespace forvela {

// The variable of a subscript: Placeholder, Element, Variable, Subscript.
using SubscriptedVariable = std::variant<Box<Placeholder>, Box<Element>, Box<DecisionVar>, Box<Subscript>>;

struct Subscript {
    SubscriptedVariable variable;
    ExprList subscripts;
    std::uint64_t ndim = 0;
};

// The ndim of a placeholder, element or subscript; the number of shape
// entries of a decision variable.
std::uint64_t subscripted_variable_ndim(const SubscriptedVariable& variable);

// ModelingError "the number of subscripts is zero" or "a subscript contains a
// decision variable" (the first such subscript); otherwise the list unchanged.
Result<std::vector<Expression>> check_subscripts(std::vector<Expression> subscripts);

// The subscript of `variable` by `subscripts` (already checked). More
// subscripts than dimensions is a ModelingError naming the variable; a
// subscript variable is replaced by its own variable, its subscripts first.
Result<Subscript> make_subscript(SubscriptedVariable variable, std::vector<Expression> subscripts);

Result<Expression> subscript_into_expression(Box<Subscript> s);
Result<SubscriptedVariable> subscript_into_subscripted_variable(Box<Subscript> s);
// A subscripted decision variable is refused first, then a scalar.
Result<ArrayOperand> subscript_into_array_operand(Box<Subscript> s);

}  // namespace forvela

// The decision-variable value shared by the five kinds: construction with the
// bound checks, the three forms of a bound, and the conversions into an
// operand and a subscripted variable.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/operand/subscript.hpp"

namespace forvela {

enum class DecisionVarKind : std::uint8_t {
    Binary = 0,
    Integer = 1,
    Continuous = 2,
    SemiInteger = 3,
    SemiContinuous = 4,
};

// A bound of a decision variable: Expression, Placeholder or Subscript.
using DecisionVarBound = std::variant<Box<Expression>, Box<Placeholder>, Box<Subscript>>;

struct DecisionVar {
    DecisionVarKind kind = DecisionVarKind::Binary;
    std::string name;
    std::vector<Expression> shape;
    DecisionVarBound lower_bound;
    DecisionVarBound upper_bound;
    OptText latex;
    OptText description;
};

// Every shape entry must be able to be a size: a number literal that is
// negative or not integral is a ValueError, an entry that holds a decision
// variable a ModelingError; symbolic entries pass. The first bad entry is named.
Result<void> check_shape(DecisionVarKind kind, const std::string& name, const std::vector<Expression>& shape);

// A binary variable: its bounds are the integer literals 0 and 1. The shape
// is checked by check_shape.
Result<DecisionVar> make_binary_var(std::string name, std::vector<Expression> shape, OptText latex,
                                    OptText description);
DecisionVarBound binary_var_lower_bound();
DecisionVarBound binary_var_upper_bound();

// An integer, continuous, semi-integer or semi-continuous variable. The shape
// is checked first (check_shape); then each bound must have dimensionality 0
// or the variable's (the lower bound is checked first), with the kind's own
// wording of the message.
Result<DecisionVar> make_bounded_var(DecisionVarKind kind, std::string name, std::vector<Expression> shape,
                                     DecisionVarBound lower, DecisionVarBound upper, OptText latex,
                                     OptText description);

DecisionVarBound bound_from_expression(Expression e);
// ModelingError "the placeholder is a scalar" for ndim 0.
Result<DecisionVarBound> bound_from_placeholder(Placeholder p);
// ModelingError "the subscripted variable is a scalar" for ndim 0, then "only a
// subscripted placeholder can be used as the bound of a decision variable".
Result<DecisionVarBound> bound_from_subscript(Subscript s);
std::uint64_t decision_var_bound_ndim(const DecisionVarBound& bound);

Result<Expression> decision_var_into_expression(Box<DecisionVar> v);
Result<SubscriptedVariable> decision_var_into_subscripted_variable(Box<DecisionVar> v);

}  // namespace forvela

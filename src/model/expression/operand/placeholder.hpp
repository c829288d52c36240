// The placeholder value, a named symbol for instance data, and its
// conversions: into an expression operand (scalars only), into the variable
// of a subscript and into the array of an ArrayLength (arrays only).
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/subscript.hpp"

namespace forvela {

struct Placeholder {
    std::string name;
    std::uint64_t ndim = 0;
    OptText latex;
    OptText description;
};

// A scalar placeholder as an operand; ModelingError for ndim other than 0.
Result<Expression> placeholder_into_expression(Box<Placeholder> p);
// ModelingError "the scalar `Placeholder { name: N }` is not subscriptable" for ndim 0.
Result<SubscriptedVariable> placeholder_into_subscripted_variable(Box<Placeholder> p);
// ModelingError "the placeholder N is a scalar" for ndim 0.
Result<ArrayOperand> placeholder_into_array_operand(Box<Placeholder> p);

}  // namespace forvela

// Unary nodes and the minimum and maximum of several expressions. All of them
// apply to instance data only and refuse operands with decision variables.
#pragma once

#include "model/error.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

Result<Expression> new_unary_op(UnaryOpKind kind, Expression operand);

// A Min or Max node of the operands in order, unflattened and unfolded.
Result<Expression> new_min_max_op(CommutativeOpKind kind, std::vector<Expression> operands);

}  // namespace forvela

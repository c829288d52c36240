// Unary nodes and the minimum and maximum of several expressions. All of them
// apply to instance data only and refuse operands with decision variables.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/operator/commutative_op.hpp"

namespace forvela {

enum class UnaryOpKind : std::uint8_t { Abs = 0, Ceil = 1, Floor = 2, Ln = 3, Log10 = 4, Log2 = 5 };

struct UnaryOp {
    OptText latex;
    Box<Expression> operand;
    UnaryOpKind kind;
};

Result<Expression> make_unary_op(UnaryOpKind kind, Expression operand);

// A Min or Max node of the operands in order, unflattened and unfolded.
Result<Expression> make_min_max_op(CommutativeOpKind kind, std::vector<Expression> operands);

}  // namespace forvela

// Unary nodes: absolute value, ceiling, floor and logarithms. They apply to
// instance data only and refuse operands with decision variables.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"

namespace forvela {

enum class UnaryOpKind : std::uint8_t { Abs = 0, Ceil = 1, Floor = 2, Ln = 3, Log10 = 4, Log2 = 5 };

struct UnaryOp {
    OptText latex;
    Box<Expression> operand;
    UnaryOpKind kind;
};

Result<Expression> make_unary_op(UnaryOpKind kind, Expression operand);

}  // namespace forvela

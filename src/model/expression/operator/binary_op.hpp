// Powers and remainders: a left and a right operand.
#pragma once

#include "model/expression/handle.hpp"

namespace forvela {

enum class BinaryOpKind : std::uint8_t { Pow = 0, Mod = 1 };

struct BinaryOp {
    OptText latex;
    Box<Expression> left;   // the base of a power
    Box<Expression> right;  // the exponent of a power
    BinaryOpKind kind;
};

}  // namespace forvela

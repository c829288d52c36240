// Sums, products, minima and maxima: a list of terms.
#pragma once

#include "model/expression/handle.hpp"

namespace forvela {

enum class CommutativeOpKind : std::uint8_t { Add = 0, Mul = 1, Min = 2, Max = 3 };

struct CommutativeOp {
    OptText latex;
    TermList terms;
    CommutativeOpKind kind;
};

}  // namespace forvela

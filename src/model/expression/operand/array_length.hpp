// The length of one axis of an array operand.
#pragma once

#include "model/error.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

std::uint64_t array_operand_ndim(const ArrayOperand& array);

// ModelingError "axis A is out of bounds for the axis of the array X" unless
// axis < the array's ndim (unsigned: no axis counts from the end).
Result<ArrayLength> array_length_new(ArrayOperand array, std::uint64_t axis, OptText latex,
                                     OptText description);

}  // namespace forvela

// The length of one axis of an array operand.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"

namespace forvela {

// The array of an ArrayLength: Placeholder, Element, Subscript.
using ArrayOperand = std::variant<Box<Placeholder>, Box<Element>, Box<Subscript>>;

struct ArrayLength {
    ArrayOperand array;
    std::uint64_t axis = 0;
    OptText latex;
    OptText description;
};

std::uint64_t array_operand_ndim(const ArrayOperand& array);

// ModelingError "axis A is out of bounds for the axis of the array X" unless
// axis < the array's ndim (unsigned: no axis counts from the end).
Result<ArrayLength> make_array_length(ArrayOperand array, std::uint64_t axis, OptText latex,
                                      OptText description);

}  // namespace forvela

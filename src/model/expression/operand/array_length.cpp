#include "model/expression/operand/array_length.hpp"
#include "model/expression/expression.hpp"

#include "model/expression/display.hpp"

namespace forvela {

std::uint64_t array_operand_ndim(const ArrayOperand& array) {
    return std::visit([](const auto& b) -> std::uint64_t { return ndim_of(*b); }, array);
}

Result<ArrayLength> make_array_length(ArrayOperand array, std::uint64_t axis, OptText latex,
                                      OptText description) {
    if (axis >= array_operand_ndim(array))
        return modeling_error("axis " + std::to_string(axis) +
                              " is out of bounds for the axis of the array " + display_array_operand(array));
    return ArrayLength{std::move(array), axis, std::move(latex), std::move(description)};
}

}  // namespace forvela

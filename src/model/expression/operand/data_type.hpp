// DataType: the kind of number a literal holds. The numbering is fixed by the
// protobuf format and is the reverse of the NumericValue tags.
#pragma once

#include <cstdint>

#include "model/expression/operand/number_lit.hpp"

namespace forvela {

enum class DataType : std::uint8_t { Float = 0, Integer = 1 };

inline DataType data_type_of(const NumericValue& v) {
    return v.is_integer() ? DataType::Integer : DataType::Float;
}

}  // namespace forvela

// The reader of the model format: the bytes of one Header message back into
// a problem, constraint, penalty term, expression or condition, through the
// model's own constructors and checks.
#pragma once

#include <string_view>
#include <variant>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/problem/problem.hpp"

namespace forvela {

using DeserializedObject = std::variant<Problem, Constraint, CustomPenaltyTerm, Expression, ConditionalExpr>;

// Inputs of this size or more are refused before they are read.
inline constexpr std::size_t kMaxProtobufInput = 0x80000000u;

// ProtobufDeserializationError for bytes that are not a valid encoding, an
// unsupported version, a missing part, node ids that are out of range, form
// a cycle or nest too deeply; the errors of the model's constructors as they
// are. A node that several others name is read once and shared by them, so
// the cost follows the table, not the tree it stands for.
Result<DeserializedObject> deserialize_from_protobuf(std::string_view bytes);

}  // namespace forvela

// The writer of the model format: a problem, constraint, penalty term,
// expression or condition as the bytes of one Header message. Expressions
// become node tables with children first and equal nodes stored once.
#pragma once

#include <string>
#include <variant>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/problem/problem.hpp"
#include "protobuf/wire.hpp"

namespace forvela {

using SerializableObject = std::variant<Problem, Constraint, CustomPenaltyTerm, Expression, ConditionalExpr>;

// The encoded Header (its bytes are the writer's `view()`);
// ProtobufSerializationError for what the format cannot
// hold (an element whose set is a subscript of a decision variable, an
// encoding of 2 GiB or more).
Result<pb::Writer> serialize_to_protobuf(const SerializableObject& object);

}  // namespace forvela

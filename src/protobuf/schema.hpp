// The numbers of forvela.proto, each named once: per message a namespace
// with its field numbers (`Field`) and the codes of its code fields (`Sense`,
// `Type`, `Kind`, and `BoundType` for the `type` of its Bound fields). The
// writer and the reader use these names alone; tests/test_protobuf_schema.py
// checks them against the schema, so every enum keeps the form
// `enum Name : type { kName = number, ... };`.
#pragma once

#include <cstdint>

namespace forvela::pb {

// The version this build writes, and the only one it reads.
inline constexpr std::uint64_t kFormatVersion = 1;

namespace header {
enum Field : std::uint32_t {
    kId = 1,
    kVersion = 2,
    kProblem = 3,
    kConstraint = 4,
    kCustomPenaltyTerm = 5,
    kExpr = 6,
};
}  // namespace header

// The entries of every map field.
namespace map_entry {
enum Field : std::uint32_t {
    kKey = 1,
    kValue = 2,
};
}  // namespace map_entry

namespace problem {
enum Field : std::uint32_t {
    kId = 1,
    kName = 2,
    kSense = 3,
    kObjectiveFunction = 4,
    kConstraints = 5,
    kCustomPenaltyTerms = 6,
};
enum Sense : std::int32_t {
    kMinimize = 1,
    kMaximize = 2,
};
}  // namespace problem

namespace constraint {
enum Field : std::uint32_t {
    kId = 1,
    kName = 2,
    kSense = 3,
    kLeft = 4,
    kRight = 5,
    kForallList = 6,
};
enum Sense : std::int32_t {
    kEqual = 1,
    kLessThanEqual = 2,
    kGreaterThanEqual = 3,
};
}  // namespace constraint

namespace custom_penalty_term {
enum Field : std::uint32_t {
    kId = 1,
    kName = 2,
    kTerm = 3,
    kForallList = 4,
};
}  // namespace custom_penalty_term

namespace expr {
enum Field : std::uint32_t {
    kId = 1,
    kRootId = 2,
    kExprNodes = 3,
};
}  // namespace expr

namespace forall_list {
enum Field : std::uint32_t {
    kIndices = 1,
    kExprNodes = 2,
};
}  // namespace forall_list

namespace index {
enum Field : std::uint32_t {
    kElementId = 1,
    kConditionId = 2,
};
}  // namespace index

namespace expr_node {
enum Field : std::uint32_t {
    kNumberLit = 1,
    kPlaceholder = 2,
    kDecisionVar = 3,
    kArrayLength = 4,
    kUnaryOp = 5,
    kBinaryOp = 6,
    kCommutativeOp = 7,
    kElement = 8,
    kSubscript = 9,
    kReductionOp = 10,
};
}  // namespace expr_node

namespace number_lit {
enum Field : std::uint32_t {
    kType = 1,
    kValue = 2,
};
enum Type : std::int32_t {
    kFloat = 1,
    kInteger = 2,
};
}  // namespace number_lit

namespace placeholder {
enum Field : std::uint32_t {
    kName = 1,
    kNdim = 2,
};
}  // namespace placeholder

namespace element {
enum Field : std::uint32_t {
    kName = 1,
    kNdim = 2,
    kBound = 3,
    kRange = 4,
};
enum BoundType : std::int32_t {
    kPlaceholder = 1,
    kElement = 2,
    kSubscriptedPlaceholder = 3,
    kSubscriptedElement = 4,
};
}  // namespace element

namespace range {
enum Field : std::uint32_t {
    kStartId = 1,
    kEndId = 2,
};
}  // namespace range

namespace bound {
enum Field : std::uint32_t {
    kType = 1,
    kBoundId = 2,
};
}  // namespace bound

namespace decision_var {
enum Field : std::uint32_t {
    kType = 1,
    kName = 2,
    kShapeIds = 3,
    kLowerBound = 4,
    kUpperBound = 5,
};
enum Type : std::int32_t {
    kBinary = 1,
    kInteger = 2,
    kContinuous = 3,
    kSemiInteger = 4,
    kSemiContinuous = 5,
};
enum BoundType : std::int32_t {
    kExpression = 1,
    kPlaceholder = 2,
    kSubscriptedPlaceholder = 3,
};
}  // namespace decision_var

namespace array_length {
enum Field : std::uint32_t {
    kType = 1,
    kArrayId = 2,
    kAxis = 3,
};
enum Type : std::int32_t {
    kOther = 0,
    kPlaceholder = 1,
    kElement = 2,
    kSubscriptedPlaceholder = 3,
    kSubscriptedElement = 4,
};
}  // namespace array_length

namespace subscript {
enum Field : std::uint32_t {
    kNdim = 1,
    kType = 2,
    kVariableId = 3,
    kSubscriptIds = 4,
};
enum Type : std::int32_t {
    kNestedSubscript = 0,
    kPlaceholder = 1,
    kElement = 2,
    kDecisionVariable = 3,
};
}  // namespace subscript

namespace unary_op {
enum Field : std::uint32_t {
    kKind = 1,
    kOperandId = 2,
};
enum Kind : std::int32_t {
    kAbs = 1,
    kCeil = 2,
    kFloor = 3,
    kLog2 = 4,
    kLog10 = 5,
    kLn = 6,
};
}  // namespace unary_op

namespace binary_op {
enum Field : std::uint32_t {
    kKind = 1,
    kLeftId = 2,
    kRightId = 3,
};
enum Kind : std::int32_t {
    kPow = 1,
    kMod = 2,
    kEqual = 3,
    kNotEqual = 4,
    kLessThan = 5,
    kLessThanEqual = 6,
    kGreaterThan = 7,
    kGreaterThanEqual = 8,
};
}  // namespace binary_op

namespace commutative_op {
enum Field : std::uint32_t {
    kKind = 1,
    kTermIds = 2,
};
enum Kind : std::int32_t {
    kAdd = 1,
    kMul = 2,
    kMin = 3,
    kMax = 4,
    kAnd = 5,
    kOr = 6,
    kXor = 7,
};
}  // namespace commutative_op

namespace reduction_op {
enum Field : std::uint32_t {
    kKind = 1,
    kIndex = 2,
    kOperandId = 3,
};
enum Kind : std::int32_t {
    kSum = 1,
    kProd = 2,
};
}  // namespace reduction_op

}  // namespace forvela::pb

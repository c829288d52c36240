// The model's kinds and senses beside their codes in the model format: one
// table per code field, read both ways, so the bytes follow the tables and
// not the order of the model's enums.
#pragma once

#include <cstdint>
#include <optional>

#include "model/expression/expression.hpp"
#include "model/problem/problem.hpp"
#include "protobuf/schema.hpp"

namespace forvela::pb {

template <class Model, class Code>
struct CodePair {
    Model model;
    Code code;
};

template <class Model, class Code, std::size_t N>
constexpr Code code_of(const CodePair<Model, Code> (&table)[N], Model model) {
    for (const auto& p : table)
        if (p.model == model) return p.code;
    return Code{};
}

template <class Model, class Code, std::size_t N>
constexpr std::optional<Model> model_of(const CodePair<Model, Code> (&table)[N], std::int32_t code) {
    for (const auto& p : table)
        if (p.code == code) return p.model;
    return std::nullopt;
}

inline constexpr CodePair<ProblemSense, problem::Sense> kProblemSenses[] = {
    {ProblemSense::Minimize, problem::kMinimize},
    {ProblemSense::Maximize, problem::kMaximize},
};

inline constexpr CodePair<ConstraintSense, constraint::Sense> kConstraintSenses[] = {
    {ConstraintSense::Equal, constraint::kEqual},
    {ConstraintSense::LessThanEqual, constraint::kLessThanEqual},
    {ConstraintSense::GreaterThanEqual, constraint::kGreaterThanEqual},
};

inline constexpr CodePair<DecisionVarKind, decision_var::Type> kDecisionVarTypes[] = {
    {DecisionVarKind::Binary, decision_var::kBinary},
    {DecisionVarKind::Integer, decision_var::kInteger},
    {DecisionVarKind::Continuous, decision_var::kContinuous},
    {DecisionVarKind::SemiInteger, decision_var::kSemiInteger},
    {DecisionVarKind::SemiContinuous, decision_var::kSemiContinuous},
};

inline constexpr CodePair<UnaryOpKind, unary_op::Kind> kUnaryKinds[] = {
    {UnaryOpKind::Abs, unary_op::kAbs},     {UnaryOpKind::Ceil, unary_op::kCeil},
    {UnaryOpKind::Floor, unary_op::kFloor}, {UnaryOpKind::Log2, unary_op::kLog2},
    {UnaryOpKind::Log10, unary_op::kLog10}, {UnaryOpKind::Ln, unary_op::kLn},
};

inline constexpr CodePair<BinaryOpKind, binary_op::Kind> kBinaryKinds[] = {
    {BinaryOpKind::Pow, binary_op::kPow},
    {BinaryOpKind::Mod, binary_op::kMod},
};

inline constexpr CodePair<ComparisonOpKind, binary_op::Kind> kComparisonKinds[] = {
    {ComparisonOpKind::Equal, binary_op::kEqual},
    {ComparisonOpKind::NotEqual, binary_op::kNotEqual},
    {ComparisonOpKind::LessThan, binary_op::kLessThan},
    {ComparisonOpKind::LessThanEqual, binary_op::kLessThanEqual},
    {ComparisonOpKind::GreaterThan, binary_op::kGreaterThan},
    {ComparisonOpKind::GreaterThanEqual, binary_op::kGreaterThanEqual},
};

inline constexpr CodePair<CommutativeOpKind, commutative_op::Kind> kCommutativeKinds[] = {
    {CommutativeOpKind::Add, commutative_op::kAdd},
    {CommutativeOpKind::Mul, commutative_op::kMul},
    {CommutativeOpKind::Min, commutative_op::kMin},
    {CommutativeOpKind::Max, commutative_op::kMax},
};

inline constexpr CodePair<LogicalOpKind, commutative_op::Kind> kLogicalKinds[] = {
    {LogicalOpKind::And, commutative_op::kAnd},
    {LogicalOpKind::Or, commutative_op::kOr},
    {LogicalOpKind::Xor, commutative_op::kXor},
};

inline constexpr CodePair<ReductionOpKind, reduction_op::Kind> kReductionKinds[] = {
    {ReductionOpKind::Sum, reduction_op::kSum},
    {ReductionOpKind::Prod, reduction_op::kProd},
};

}  // namespace forvela::pb

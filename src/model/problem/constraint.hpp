// A named constraint: an equality or a non-strict inequality between two
// expressions, at least one holding a decision variable, optionally repeated
// over a forall list.
#pragma once

#include <cstdint>
#include <string>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/problem/forall_list.hpp"

namespace forvela {

enum class ConstraintSense : std::uint8_t { Equal = 0, LessThanEqual = 1, GreaterThanEqual = 2 };

struct Constraint {
    std::string name;
    ConstraintSense sense = ConstraintSense::Equal;
    Expression left;
    Expression right;
    ForallList forall;
};

// The sense of a condition: ==, <= and >= only.
Result<ConstraintSense> constraint_sense_of(const ConditionalExpr& condition);

// Refuses a constraint with no decision variable on either side.
Result<Constraint> make_constraint(std::string name, Expression left, Expression right, ConstraintSense sense,
                                   ForallList forall);

// The whole construction from a condition: element usage of the condition,
// the fit of the forall list, the relation, the decision variable.
Result<Constraint> constraint_from_condition(std::string name, const ConditionalExpr& condition,
                                             ForallList forall);

// The comparison rebuilt from left, sense and right (no custom LaTeX text).
ConditionalExpr constraint_condition(const Constraint& c);

}  // namespace forvela
